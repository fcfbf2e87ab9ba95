// Bit-exact fingerprints of what the scene's tables make: each object's records and index entries
// as the frame builds them, and each shader text, as FNV-1a 64 over their bytes. A one-number
// change in any table of the picture (a leg's profile, a rim, a swan row or neck point, a cage
// ring, a doily constant) changes its object's fingerprint, even where the pixels it moves are too
// few or too hidden for a picture comparison.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SceneChecksum {
  std::string name;
  uint64_t value;
};

// Builds every object into the arena in turn (from record 0) and hashes it, then the shader texts.
std::vector<SceneChecksum> scene_checksums();

// The committed file's form: "NAME 0x%016llx", one per line.
std::string format_checksums(const std::vector<SceneChecksum>& checksums);
