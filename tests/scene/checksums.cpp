// The scene's fingerprints: tables in, bytes hashed.
#include "tests/scene/checksums.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "scene/cage.h"
#include "scene/doily.h"
#include "scene/swan.h"
#include "scene/table.h"
#include "shading/shader_texts.h"

namespace {

constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

uint64_t fnv1a(const void* bytes, size_t size, uint64_t hash = kFnvOffset) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * kFnvPrime;
  return hash;
}

// The range's records, then its index entries.
uint64_t hash_range(const ArenaRange& r) {
  const uint64_t h = fnv1a(&g_arena.vertices[r.first_vertex], sizeof(Vertex) * r.vertex_count);
  return fnv1a(&g_arena.indices[r.first_index], sizeof(uint32_t) * r.index_count, h);
}

template <typename Build>
SceneChecksum object(const char* name, Build&& build) {
  g_arena.count = 0;
  return {name, hash_range(build())};
}

SceneChecksum text(const char* name, const char* source) {
  return {name, fnv1a(source, std::strlen(source))};
}

}  // namespace

std::vector<SceneChecksum> scene_checksums() {
  constexpr int32_t kLegs = kTableLegs * kLegSegments;
  constexpr int32_t kDome = kDomeSegments * kCagePositions;
  return {
      object("table-legs", [] { return build_table_piece(0, kLegs); }),
      object("table-rim", [] { return build_table_piece(kLegs, kRimSegments); }),
      object("glass-top", [] { return build_glass_top(); }),
      object("swan", [] { return build_swan_body(); }),
      object("swan-neck", [] { return build_swan_neck(0, 0, 0); }),
      object("cage-walls", [] { return build_cage_piece(0, kCageWallSegments); }),
      object("cage-dome", [] { return build_cage_piece(kCageWallSegments, kDome); }),
      object("doily-grid", [] { return build_doily_grid(); }),
      text("shader-prelude", kPrelude),
      text("shader-joiner", kJoiner),
      text("shader-vertex", kVertexBody),
      text("shader-fragment", kFragmentBody),
      text("shader-doily", kDoilySnippet),
      text("shader-cage", kCageSnippet),
      text("shader-glass", kGlassSnippet),
      text("shader-swan", kSwanSnippet),
      text("shader-table", kTableSnippet),
  };
}

std::string format_checksums(const std::vector<SceneChecksum>& checksums) {
  std::string out;
  for (const SceneChecksum& c : checksums) {
    char line[128];
    std::snprintf(line, sizeof line, "%s 0x%016" PRIx64 "\n", c.name.c_str(), c.value);
    out += line;
  }
  return out;
}
