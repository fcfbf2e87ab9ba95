// The picture's solid objects together: what the frame's four triangle passes write in all.
//
// Owns: the picture's triangle-vertex total. May not: build or draw; each object's own file does.
#pragma once

#include <cstdint>

#include "scene/cage.h"
#include "scene/swan.h"
#include "scene/table.h"

// Table, glass top, swan and cage.
constexpr int32_t kPictureTriangleVertices =
    kTableVertices + kGlassTopVertices + kSwanVertices + kCageVertices;
static_assert(kPictureTriangleVertices == 6383316, "the picture's triangle vertices changed");
