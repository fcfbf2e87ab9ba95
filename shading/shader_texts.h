// The GLSL source pieces every program is assembled from.
//
// Owns: the prelude, the five material snippets, the joiner and the two stage bodies; the two
// vertex texts of the doily's capture passes and the plain vertex body, which no logged program
// uses.
// May not: format or edit the texts at run time; a stage's source is the four pieces concatenated
// by the driver (prelude + snippet + joiner + body).
#pragma once

extern const char kPrelude[];
extern const char kJoiner[];
extern const char kVertexBody[];
extern const char kFragmentBody[];

extern const char kDoilySnippet[];
extern const char kCageSnippet[];
extern const char kGlassSnippet[];
extern const char kSwanSnippet[];
extern const char kTableSnippet[];

// The doily's capture passes (see shading/programs.h). The surface pass is prelude + doily snippet
// + joiner + kDoilySurfaceBody, so its f is the doily program's own; the lighting pass is the whole
// text kDoilyLightingStage.
extern const char kDoilySurfaceBody[];
extern const char kDoilyLightingStage[];
// The vertex body of each material's plain program: prelude + snippet + joiner +
// kPlainVertexBody, with the material program's own fragment stage.
extern const char kPlainVertexBody[];
