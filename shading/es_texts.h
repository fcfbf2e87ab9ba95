// The program texts as GLSL ES 3.00, for WebGL 2: the same prelude, snippets, joiner and bodies,
// rewritten where GLSL 1.20 and GLSL ES differ.
//
// Owns: the ES header, the names that stand for GLSL 1.20's built-ins, and the list of literal
// rewrites. May not: change what a text computes; every rewrite names the exact piece it turns
// into its ES form, and a piece that is no longer there stops the conversion.
#pragma once

#include <string>

enum class EsStage { kVertex, kFragment };

// What stands for GLSL 1.20's built-ins in the ES texts: vertex inputs the program binds as
// attributes, the camera as a uniform, the fragment stage's output.
constexpr char kEsVertex[] = "swancage_Vertex";
constexpr char kEsNormal[] = "swancage_Normal";
constexpr char kEsColor[] = "swancage_Color";
constexpr char kEsModelViewProjection[] = "swancage_ModelViewProjectionMatrix";
// Where every program takes the three inputs: the position at 0, as a compatibility GL's gl_Vertex.
constexpr unsigned kEsVertexLocation = 0, kEsNormalLocation = 1, kEsColorLocation = 2;

// One stage of a program as GLSL ES 3.00: prelude + snippet + joiner + body, each varying an
// output of the vertex stage and an input of the fragment stage, the built-ins replaced by the
// names above, and the whole numbers that GLSL 1.20 converts to float written as floats. Returns
// an empty text and names the piece in `missing` when a rewrite no longer finds what it rewrites.
std::string es_stage_text(EsStage stage, const char* snippet, const char* body,
                          std::string* missing);

// The doily's lighting pass (kDoilyLightingStage) as an ES vertex stage; empty, with `missing`
// set, as above.
std::string es_lighting_stage_text(std::string* missing);

// The fragment stage a capture program links with: GLSL ES links no program without one. It
// draws nothing; the capture discards the rasterizer's work.
extern const char kEsCaptureFragmentText[];
