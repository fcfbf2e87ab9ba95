// PNG files round trip. Every image comparison reads both of its sides through the same reader,
// so a reader that swapped channels or flipped rows would still find every picture "equal"; a
// small image with a different red, green and blue in every pixel, written and read back, cannot.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

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
      ADD_FAILURE() << "pixel " << b / 3 << " channel " << "RGB"[b % 3] << ": "
                    << int(read.pixels[b]) << " instead of " << int(image.pixels[b]);
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

// The snapshot's setting (zlib level 1, rows unfiltered) and the default, on a picture with
// gradients, flat runs and noise, where filtering and matching both have work to do.
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
    SCOPED_TRACE(testing::Message() << "zlib level " << compression.zlib_level << ", "
                                    << (compression.filter_rows ? "filtered" : "unfiltered"));
    expect_round_trip(image, compression);
  }
}

}  // namespace
