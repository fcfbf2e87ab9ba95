// Writes every program's stages as GLSL ES 3.00 into the folder named on the command line, for a
// reference compiler to check (tests/shading/es_texts.sh): NAME.vert and NAME.frag for each
// material, NAME-plain.vert for its plain program, doily-surface.vert, doily-lighting.vert and
// capture.frag for the doily's capture programs.
#include <cstdio>
#include <string>

#include "shading/es_texts.h"
#include "shading/shader_texts.h"

namespace {

bool write(const std::string& path, const std::string& text) {
  FILE* out = std::fopen(path.c_str(), "w");
  if (!out || std::fputs(text.c_str(), out) < 0 || std::fclose(out) != 0) {
    std::perror(path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: print_es_texts FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const struct {
    const char* name;
    const char* snippet;
  } materials[] = {{"doily", kDoilySnippet},
                   {"cage", kCageSnippet},
                   {"glass", kGlassSnippet},
                   {"swan", kSwanSnippet},
                   {"table", kTableSnippet}};
  std::string missing;
  bool ok = true;
  for (const auto& m : materials) {
    const std::string name = folder + m.name;
    ok = ok &&
         write(name + ".vert", es_stage_text(EsStage::kVertex, m.snippet, kVertexBody, &missing)) &&
         write(name + ".frag",
               es_stage_text(EsStage::kFragment, m.snippet, kFragmentBody, &missing)) &&
         write(name + "-plain.vert",
               es_stage_text(EsStage::kVertex, m.snippet, kPlainVertexBody, &missing));
  }
  ok = ok &&
       write(folder + "doily-surface.vert",
             es_stage_text(EsStage::kVertex, kDoilySnippet, kDoilySurfaceBody, &missing)) &&
       write(folder + "doily-lighting.vert", es_lighting_stage_text(&missing)) &&
       write(folder + "capture.frag", kEsCaptureFragmentText);
  if (!missing.empty()) {
    std::fprintf(stderr, "print_es_texts: no '%s' left to rewrite in the texts\n", missing.c_str());
    return 1;
  }
  return ok ? 0 : 1;
}
