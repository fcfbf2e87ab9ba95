// GLSL 1.20 texts to GLSL ES 3.00: a header in place of "#version 120", the stage's keyword for
// each varying, declared names for the built-ins, and float literals where GLSL 1.20 converted
// whole numbers implicitly.
#include "shading/es_texts.h"

#include <cstring>

#include "shading/shader_texts.h"

namespace {

constexpr char kVersion120[] = "#version 120\n";
constexpr char kEsHeader[] = "#version 300 es\nprecision highp float;\nprecision highp int;\n";

// The vertex stage's texture coordinate in and out, and the fragment stage's output, which no
// caller binds; the names callers bind are in es_texts.h.
constexpr char kEsMultiTexCoord[] = "swancage_MultiTexCoord0";
constexpr char kEsTexCoord[] = "swancage_TexCoord0";
constexpr char kEsFragColor[] = "swancage_FragColor";

struct Rename {
  const char* from;
  const char* to;
};
constexpr Rename kBuiltIns[] = {
    {"gl_Vertex", kEsVertex},        {"gl_Normal", kEsNormal},
    {"gl_Color", kEsColor},          {"gl_MultiTexCoord0", kEsMultiTexCoord},
    {"gl_TexCoord[0]", kEsTexCoord}, {"gl_ModelViewProjectionMatrix", kEsModelViewProjection},
    {"gl_FragColor", kEsFragColor},
};

// Declarations of what GLSL 1.20 had built in, for one stage.
std::string built_in_declarations(EsStage stage) {
  if (stage == EsStage::kFragment) return std::string("out vec4 ") + kEsFragColor + ";";
  return std::string("in vec4 ") + kEsVertex + ";in vec3 " + kEsNormal + ";in vec4 " + kEsColor +
         ";in vec4 " + kEsMultiTexCoord + ";uniform mat4 " + kEsModelViewProjection + ";out vec4 " +
         kEsTexCoord + ";";
}

// Whole numbers in float expressions, which GLSL ES does not convert: each in the piece that holds
// it, written as the float GLSL 1.20 made of it.
struct LiteralRewrite {
  const char* piece;
  const char* from;
  const char* to;
};
const LiteralRewrite kLiteralRewrites[] = {
    {kPrelude, "float c=i/64.0;", "float c=float(i)/64.0;"},
    {kDoilySnippet, "vec2((s-500)/400,(t-500)/400)", "vec2((s-500.0)/400.0,(t-500.0)/400.0)"},
    {kDoilySnippet, "c.a=i.y*16;", "c.a=i.y*16.0;"},
    {kDoilySnippet, "vec3((s-500)*0.375,2*sqrt", "vec3((s-500.0)*0.375,2.0*sqrt"},
    {kDoilySnippet, "(t-500)*0.375)", "(t-500.0)*0.375)"},
    {kVertexBody, "if(length(n)<=0)", "if(length(n)<=0.0)"},
};

int replace_all(std::string* text, const char* from, const char* to) {
  int count = 0;
  const size_t from_size = std::strlen(from), to_size = std::strlen(to);
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to_size)) {
    text->replace(at, from_size, to);
    ++count;
  }
  return count;
}

// One piece with its literal rewrites made; false, naming the piece's text, where one is missing.
bool rewrite_piece(const char* piece, std::string* out, std::string* missing) {
  std::string text = piece;
  for (const LiteralRewrite& r : kLiteralRewrites) {
    if (r.piece != piece) continue;
    if (replace_all(&text, r.from, r.to) == 0) {
      *missing = r.from;
      return false;
    }
  }
  *out += text;
  return true;
}

// The joined pieces of one stage, made ES: header and declarations, the stage's keyword for
// `varying` (and `attribute`, an input), the built-ins' names.
std::string finish(EsStage stage, std::string text, std::string* missing) {
  if (text.compare(0, std::strlen(kVersion120), kVersion120) != 0) {
    *missing = kVersion120;
    return {};
  }
  const bool vertex = stage == EsStage::kVertex;
  text.replace(0, std::strlen(kVersion120), kEsHeader + built_in_declarations(stage));
  replace_all(&text, "varying ", vertex ? "out " : "in ");
  replace_all(&text, "attribute ", "in ");
  for (const Rename& r : kBuiltIns) replace_all(&text, r.from, r.to);
  return text;
}

}  // namespace

std::string es_stage_text(EsStage stage, const char* snippet, const char* body,
                          std::string* missing) {
  std::string text;
  for (const char* piece : {kPrelude, snippet, kJoiner, body})
    if (!rewrite_piece(piece, &text, missing)) return {};
  return finish(stage, text, missing);
}

std::string es_lighting_stage_text(std::string* missing) {
  std::string text;
  if (!rewrite_piece(kDoilyLightingStage, &text, missing)) return {};
  return finish(EsStage::kVertex, text, missing);
}

const char kEsCaptureFragmentText[] =
    "#version 300 es\nprecision highp float;\nout vec4 o;void main(){o=vec4(0.0);}";
