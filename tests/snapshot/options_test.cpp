// The snapshot's command line at the edges of the limits that need no GL driver: the last value
// accepted and the first refused for each side, the whole picture and the sample count.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "snapshot/options.h"

namespace {

struct Parsed {
  bool ok;
  SnapshotOptions options;
  std::string error;
  std::string path;  // OUT, kept: options.path points into the arguments, gone with them
};

// The command line as given, after the program's name.
Parsed parse_line(std::vector<std::string> args) {
  args.insert(args.begin(), "swancage-snapshot");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  Parsed p;
  p.ok = parse_options(static_cast<int>(argv.size()), argv.data(), &p.options, &p.error);
  if (p.options.path) p.path = p.options.path;
  return p;
}

Parsed parse(std::vector<std::string> args) {
  args.push_back("out.png");
  return parse_line(args);
}

struct Edge {
  const char* option;
  const char* value;
  int width, height, samples;  // what is drawn when accepted
  const char* refusal;         // nullptr when accepted
};

const Edge kEdges[] = {
    {"--size", "16384x1", 16384, 1, 1, nullptr},
    {"--size", "16385x1", 0, 0, 0, "--size 16385x1: a side may be at most 16384 pixels"},
    {"--size", "1x16384", 1, 16384, 1, nullptr},
    {"--size", "1x16385", 0, 0, 0, "--size 1x16385: a side may be at most 16384 pixels"},
    {"--size", "8192x8192", 8192, 8192, 1, nullptr},
    {"--size", "8193x8192", 0, 0, 0,
     "--size 8193x8192 is 67117056 pixels; at most 67108864 (8192x8192) are drawn"},
    {"--size", "8192x8193", 0, 0, 0,
     "--size 8192x8193 is 67117056 pixels; at most 67108864 (8192x8192) are drawn"},
    {"--size", "16384x4096", 16384, 4096, 1, nullptr},
    {"--size", "1x1", 1, 1, 1, nullptr},
    {"--size", "0x1", 0, 0, 0, "--size 0x1: both sides must be at least 1 pixel"},
    {"--size", "1x0", 0, 0, 0, "--size 1x0: both sides must be at least 1 pixel"},
    {"--samples", "1", 1280, 720, 1, nullptr},
    {"--samples", "0", 0, 0, 0,
     "--samples wants a whole number of samples per pixel, 1 or more, such as 4, not '0'"},
    {"--samples", "4", 1280, 720, 4, nullptr},
};

TEST(SnapshotOptions, LimitsAtTheirEdges) {
  for (const Edge& e : kEdges) {
    const Parsed p = parse({e.option, e.value});
    const std::string what = std::string(e.option) + " " + e.value;
    if (e.refusal) {
      EXPECT_FALSE(p.ok) << what << " was accepted";
      EXPECT_EQ(p.error, e.refusal) << what;
    } else {
      ASSERT_TRUE(p.ok) << what << ": " << p.error;
      EXPECT_TRUE(p.options.offscreen) << what;
      EXPECT_EQ(p.options.size.width, e.width) << what;
      EXPECT_EQ(p.options.size.height, e.height) << what;
      EXPECT_EQ(p.options.size.samples, e.samples) << what;
    }
  }
}

// A count too large for any driver is refused as given, not read as another, smaller number.
TEST(SnapshotOptions, SampleCountsBeyondAnyDriverAreRefusedAsGiven) {
  for (const char* value : {"2147483648", "4294967297", "99999999999999999999"}) {
    const Parsed p = parse({"--samples", value});
    EXPECT_FALSE(p.ok) << "--samples " << value << " was accepted as " << p.options.size.samples;
    EXPECT_NE(p.error.find(value), std::string::npos) << p.error;
  }
}

// OUT may be "-" (standard output), and after "--" a name that begins with a dash; never empty.
TEST(SnapshotOptions, OutNames) {
  const std::string empty = "OUT.png is empty: name a file, or - for standard output";
  const struct {
    std::vector<std::string> line;
    std::string path, refusal;  // what is read as OUT, or why the line is refused
  } lines[] = {{{"-"}, "-", ""},
               {{"--", "-"}, "-", ""},
               {{"--", "-x.png"}, "-x.png", ""},
               {{""}, "", empty},
               {{"--", ""}, "", empty},
               {{"--samples", "4", ""}, "", empty},
               {{}, "", "no OUT.png given"},
               {{"--"}, "", "no OUT.png given"},
               {{"-x.png"}, "", "unknown option '-x.png'"}};
  for (const auto& l : lines) {
    const Parsed p = parse_line(l.line);
    EXPECT_EQ(p.ok, l.refusal.empty()) << l.path << l.refusal;
    EXPECT_EQ(p.error, l.refusal);
    EXPECT_EQ(p.path, l.path);
  }
}

}  // namespace
