// Every program the frame builds, in the GLSL ES 3.00 form a WebGL 2 page compiles, passes Khronos'
// reference compiler (glslangValidator) as a linked program: each material's vertex and fragment
// stage, its plain program, and the doily's two capture stages with the fragment stage they link
// with. GLSL ES converts no whole number to float, declares no built-in inputs and links nothing
// without a fragment stage; a text the conversion leaves in GLSL 1.20's form fails.
#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shading/es_texts.h"
#include "shading/shader_texts.h"

namespace {

void write(const std::string& path, const std::string& text) {
  FILE* out = std::fopen(path.c_str(), "w");
  ASSERT_TRUE(out && std::fputs(text.c_str(), out) >= 0 && std::fclose(out) == 0) << path;
}

TEST(EsTexts, EveryProgramLinksInTheReferenceCompiler) {
  ASSERT_EQ(std::system("command -v glslangValidator >/dev/null"), 0)
      << "no glslangValidator: scripts/install-deps.sh installs glslang-tools";
  char folder[] = "/tmp/es_texts.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  std::string missing;
  const std::string capture = std::string(folder) + "/capture.frag";
  write(capture, kEsCaptureFragmentText);
  struct Program {
    std::string name, vertex, fragment;  // the fragment stage's text, or empty for the capture one
  };
  std::vector<Program> programs = {
      {"doily-surface", es_stage_text(EsStage::kVertex, kDoilySnippet, kDoilySurfaceBody, &missing),
       ""},
      {"doily-lighting", es_lighting_stage_text(&missing), ""}};
  for (const auto& [name, snippet] : {std::pair{"doily", kDoilySnippet},
                                      {"cage", kCageSnippet},
                                      {"glass", kGlassSnippet},
                                      {"swan", kSwanSnippet},
                                      {"table", kTableSnippet}}) {
    const std::string fragment =
        es_stage_text(EsStage::kFragment, snippet, kFragmentBody, &missing);
    programs.push_back(
        {name, es_stage_text(EsStage::kVertex, snippet, kVertexBody, &missing), fragment});
    programs.push_back({std::string(name) + "-plain",
                        es_stage_text(EsStage::kVertex, snippet, kPlainVertexBody, &missing),
                        fragment});
  }
  EXPECT_EQ(missing, "") << "a rewrite no longer finds what it rewrites";
  for (const Program& p : programs) {
    const std::string base = std::string(folder) + "/" + p.name;
    write(base + ".vert", p.vertex);
    if (!p.fragment.empty()) write(base + ".frag", p.fragment);
    const std::string command = "glslangValidator -l " + base + ".vert " +
                                (p.fragment.empty() ? capture : base + ".frag") + " >" + base +
                                ".log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0)
        << p.name << ": see the log, kept in " << base << ".log";
  }
  if (!HasFailure()) std::system(("rm -r " + std::string(folder)).c_str());
}

}  // namespace
