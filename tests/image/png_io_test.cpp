// PNG files round trip. Every image comparison reads both of its sides through the same reader,
// so a reader that swapped channels or flipped rows would still find every picture "equal"; a
// small image with a different red, green and blue in every pixel, written and read back, cannot.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "image/png_io.h"

namespace {

TEST(PngIo, RoundTripKeepsEveryChannelOfEveryPixelInPlace) {
  RgbImage image;
  image.width = 5;
  image.height = 3;
  for (int i = 0; i < image.width * image.height; ++i) {
    image.pixels.push_back(static_cast<uint8_t>(10 + i));   // red
    image.pixels.push_back(static_cast<uint8_t>(100 + i));  // green
    image.pixels.push_back(static_cast<uint8_t>(200 + i));  // blue
  }
  char path[] = "/tmp/swancage-png-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::string error;
  ASSERT_TRUE(write_png_rgb(path, image, &error)) << error;
  RgbImage read;
  const bool ok = read_png_rgb(path, &read, &error);
  unlink(path);
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(read.width, image.width);
  EXPECT_EQ(read.height, image.height);
  ASSERT_EQ(read.pixels.size(), image.pixels.size());
  for (size_t b = 0; b < image.pixels.size(); ++b)
    EXPECT_EQ(int(read.pixels[b]), int(image.pixels[b])) << "pixel " << b / 3 << " channel "
                                                         << "RGB"[b % 3];
}

}  // namespace
