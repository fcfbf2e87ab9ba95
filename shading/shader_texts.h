// The GLSL source pieces every program is assembled from.
//
// Owns: the prelude, the five material snippets, the joiner and the two stage bodies.
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
