// PNG files round trip. Every image comparison reads both of its sides through the same reader,
// so a reader that swapped channels or flipped rows would still find every picture "equal"; a
// small image with a different red, green and blue in every pixel, written and read back, cannot.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

#include <gtest/gtest.h>

#include "image/png_io.h"

namespace {

// Writes `image` with `compression`, reads it back and expects every byte in place.
void expect_round_trip(const RgbImage& image, PngCompression compression) {
  char path[] = "/tmp/swancage-png-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::string error;
  ASSERT_TRUE(write_png_rgb(path, image, &error, compression)) << error;
  RgbImage read;
  const bool ok = read_png_rgb(path, &read, &error);
  unlink(path);
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(read.width, image.width);
  EXPECT_EQ(read.height, image.height);
  ASSERT_EQ(read.pixels.size(), image.pixels.size());
  int wrong = 0;
  for (size_t b = 0; b < image.pixels.size(); ++b)
    if (read.pixels[b] != image.pixels[b] && ++wrong <= 5)
      ADD_FAILURE() << "pixel " << b / 3 << " channel "
                    << "RGB"[b % 3] << ": " << int(read.pixels[b]) << " instead of "
                    << int(image.pixels[b]);
  EXPECT_EQ(wrong, 0);
}

TEST(PngIo, RoundTripKeepsEveryChannelOfEveryPixelInPlace) {
  RgbImage image;
  image.width = 5;
  image.height = 3;
  for (int i = 0; i < image.width * image.height; ++i) {
    image.pixels.push_back(static_cast<uint8_t>(10 + i));   // red
    image.pixels.push_back(static_cast<uint8_t>(100 + i));  // green
    image.pixels.push_back(static_cast<uint8_t>(200 + i));  // blue
  }
  expect_round_trip(image, kPngSmallest);
}

// The snapshot's setting (zlib level 1) and the smallest (level 9), on a picture with gradients,
// flat runs and noise, where matching has work to do.
TEST(PngIo, RoundTripAtEitherCompressionKeepsEveryPixel) {
  RgbImage image;
  image.width = 301;
  image.height = 97;
  uint32_t noise = 12345;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const bool flat = (x / 40 + y / 20) % 3 == 0;
      image.pixels.push_back(static_cast<uint8_t>(flat ? 40 : x + y));
      image.pixels.push_back(static_cast<uint8_t>(flat ? 40 : 3 * y));
      image.pixels.push_back(static_cast<uint8_t>(flat ? 50 : noise >> 24));
    }
  for (const PngCompression compression : {kPngFastest, kPngSmallest}) {
    SCOPED_TRACE(testing::Message() << "zlib level " << compression.zlib_level);
    expect_round_trip(image, compression);
  }
}

// The file's chunks, each checked against its CRC, and the IDAT data joined.
struct PngChunks {
  std::vector<std::string> types;
  std::vector<unsigned char> idat;
  int bad_crcs = 0;
};
PngChunks read_chunks(const std::string& path) {
  PngChunks chunks;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::vector<unsigned char> d;
  unsigned char block[65536];  // a byte at a time takes minutes through Windows' C library
  for (size_t n; f != nullptr && (n = std::fread(block, 1, sizeof block, f)) > 0;)
    d.insert(d.end(), block, block + n);
  if (f != nullptr) std::fclose(f);
  for (size_t at = 8; at + 12 <= d.size();) {
    const uint32_t n =
        uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3];
    if (at + 12 + n > d.size()) break;
    const unsigned char* type = &d[at + 4];
    const uint32_t crc = uint32_t(d[at + 8 + n]) << 24 | uint32_t(d[at + 9 + n]) << 16 |
                         uint32_t(d[at + 10 + n]) << 8 | d[at + 11 + n];
    chunks.bad_crcs += crc32(crc32(0, nullptr, 0), type, 4 + n) != crc;
    chunks.types.emplace_back(reinterpret_cast<const char*>(type), 4);
    if (chunks.types.back() == "IDAT")
      chunks.idat.insert(chunks.idat.end(), type + 4, type + 4 + n);
    at += 12 + n;
  }
  return chunks;
}

// The writer deflates the rows in parts, on two threads at once, joined into one zlib stream: for
// any size, down to one row (empty parts), the file is chunk by chunk what a PNG must be, and
// zlib itself (which checks the stream's Adler-32) inflates the IDAT data to exactly the
// unfiltered rows.
// Rows go to zlib in batches of about 256 KB: 68 rows of 1280 pixels. At 1280 x 544 and 1280 x
// 1088 each of the eight parts is exactly one and two whole batches, the edge where a part's last
// batch must still close it.
TEST(PngIo, FastestWritesOneValidZlibStreamOfTheUnfilteredRowsAtAnySize) {
  const struct {
    int width, height;
  } sizes[] = {{257, 1}, {257, 2}, {257, 3}, {257, 97}, {257, 720}, {1280, 544}, {1280, 1088}};
  for (const auto [width, height] : sizes) {
    SCOPED_TRACE(testing::Message() << width << "x" << height);
    RgbImage image;
    image.width = width;
    image.height = height;
    std::vector<unsigned char> raw;
    uint32_t noise = 99;
    for (int y = 0; y < height; ++y) {
      raw.push_back(0);  // filter: none
      for (int x = 0; x < image.width * 3; ++x) {
        noise = noise * 1103515245u + 12345u;
        const unsigned char v = static_cast<unsigned char>((x / 30 + y) % 4 == 0 ? noise >> 24 : x);
        image.pixels.push_back(v);
        raw.push_back(v);
      }
    }
    char path[] = "/tmp/swancage-png-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::string error;
    ASSERT_TRUE(write_png_rgb(path, image, &error, kPngFastest)) << error;
    const PngChunks chunks = read_chunks(path);
    unlink(path);
    EXPECT_EQ(chunks.bad_crcs, 0);
    ASSERT_GE(chunks.types.size(), 3u);
    EXPECT_EQ(chunks.types.front(), "IHDR");
    EXPECT_EQ(chunks.types.back(), "IEND");
    std::vector<unsigned char> inflated(raw.size() + 1);
    uLongf size = inflated.size();
    ASSERT_EQ(uncompress(inflated.data(), &size, chunks.idat.data(), chunks.idat.size()), Z_OK);
    inflated.resize(size);
    EXPECT_TRUE(inflated == raw) << "the stream inflates to " << size << " bytes, not the rows' "
                                 << raw.size();
  }
}

}  // namespace
