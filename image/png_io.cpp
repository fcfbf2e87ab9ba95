// PNG files through libpng: writing with errors kept instead of printed, reading any PNG as RGB.
#include "image/png_io.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>

namespace {

// libpng reports errors by calling back and jumping out; the callback keeps the message and the
// errno of the failed write here instead of printing them.
struct PngErrorSink {
  char message[256];
  int saved_errno;
};

[[noreturn]] void keep_png_error(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngErrorSink*>(png_get_error_ptr(png));
  sink->saved_errno = errno;
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  png_longjmp(png, 1);
}

void ignore_png_warning(png_structp, png_const_charp) {}

bool write_png_data(FILE* file, const RgbImage& image, std::string* error,
                    PngCompression compression) {
  PngErrorSink sink = {};
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, keep_png_error, ignore_png_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    *error = "out of memory creating the PNG writer";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    *error = std::ferror(file)
                 ? std::string("cannot write the image: ") + std::strerror(sink.saved_errno)
                 : std::string("libpng: ") + sink.message;
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, compression.zlib_level);
  if (!compression.filter_rows) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, image.pixels.data() + static_cast<size_t>(y) * image.width * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool write_png_rgb(FILE* file, const RgbImage& image, std::string* error,
                   PngCompression compression) {
  bool ok = write_png_data(file, image, error, compression);
  // A full disk shows up only when the buffered data is flushed, at the latest on close.
  if (std::fflush(file) != 0 || std::ferror(file)) {
    if (ok) *error = std::string("cannot write the image: ") + std::strerror(errno);
    ok = false;
  }
  if (std::fclose(file) != 0 && ok) {
    *error = std::string("cannot close the image file: ") + std::strerror(errno);
    ok = false;
  }
  return ok;
}

bool write_png_rgb(const char* path, const RgbImage& image, std::string* error,
                   PngCompression compression) {
  FILE* file = std::fopen(path, "wb");
  if (!file) {
    *error = std::string("cannot open ") + path + " for writing: " + std::strerror(errno);
    return false;
  }
  return write_png_rgb(file, image, error, compression);
}

bool read_png_rgb(const char* path, RgbImage* image, std::string* error) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path)) {
    *error = std::string("cannot read ") + path + ": " + img.message;
    return false;
  }
  img.format = PNG_FORMAT_RGB;
  image->width = static_cast<int>(img.width);
  image->height = static_cast<int>(img.height);
  image->pixels.assign(PNG_IMAGE_SIZE(img), 0);
  if (!png_image_finish_read(&img, nullptr, image->pixels.data(), 0, nullptr)) {
    *error = std::string("cannot decode ") + path + ": " + img.message;
    png_image_free(&img);
    return false;
  }
  return true;
}
