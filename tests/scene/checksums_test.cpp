// The scene's fingerprints against the committed ones (tests/scene/checksums.txt). After a
// deliberate change to a table, `cmake --build build --target update-checksums` rewrites them.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/scene/checksums.h"

namespace {

TEST(SceneChecksums, EveryObjectAndShaderTextIsAsCommitted) {
  std::ifstream file(SWANCAGE_CHECKSUMS_FILE);
  ASSERT_TRUE(file) << "cannot read " << SWANCAGE_CHECKSUMS_FILE;
  std::stringstream committed;
  committed << file.rdbuf();
  // Line by line, so that a failure names the objects that changed.
  std::istringstream expected(committed.str()), observed(format_checksums(scene_checksums()));
  std::string want, got;
  int line = 0;
  while (true) {
    const bool more_expected = static_cast<bool>(std::getline(expected, want));
    const bool more_observed = static_cast<bool>(std::getline(observed, got));
    if (!more_expected && !more_observed) break;
    ++line;
    EXPECT_EQ(more_expected ? want : "(nothing)", more_observed ? got : "(nothing)")
        << "line " << line << " of " << SWANCAGE_CHECKSUMS_FILE
        << "; after a deliberate change: cmake --build build --target update-checksums";
  }
}

}  // namespace
