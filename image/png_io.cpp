// PNG files through libpng: writing with errors kept instead of printed, reading any PNG as RGB.
// Unfiltered rows are deflated here, in parts, and handed to libpng as IDAT chunks.
#include "image/png_io.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "pipeline/piece_line.h"

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

// Deflated data goes out in IDAT chunks of at most this many bytes; zlib takes rows in batches of
// about kBatchBytes and hands back its output kChunkBytes at a time.
constexpr size_t kIdatBytes = 256 * 1024;
constexpr size_t kBatchBytes = 256 * 1024;
constexpr size_t kChunkBytes = 64 * 1024;

// A part of the image's rows as raw deflate data: each row is its filter byte (0, none) and its
// pixels. A part ends on a byte boundary without closing the stream (a sync flush), the last one
// closes it, so the parts joined in order are one stream. `adler` is the Adler-32 of the part's
// raw bytes, `raw_bytes` their count.
struct DeflatedRows {
  std::vector<unsigned char> bytes;
  uLong adler = 0;
  uLong raw_bytes = 0;
  bool ok = false;
};

void deflate_rows(const RgbImage& image, int first_row, int end_row, int level, bool last,
                  DeflatedRows* out) {
  z_stream z = {};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
  // Rows go to zlib in batches of about 256 KB, each row behind its filter byte: zlib is several
  // times slower fed one short row at a time.
  const size_t row_bytes = static_cast<size_t>(image.width) * 3;
  const int batch_rows = static_cast<int>(std::max<size_t>(1, kBatchBytes / (row_bytes + 1)));
  std::vector<unsigned char> batch;
  std::vector<unsigned char> chunk(kChunkBytes);
  out->adler = adler32(0, nullptr, 0);
  bool ok = true;
  for (int y = first_row; ok && (y < end_row || y == first_row); y += batch_rows) {
    batch.clear();
    for (int r = y; r < std::min(end_row, y + batch_rows); ++r) {
      const unsigned char* row = image.pixels.data() + static_cast<size_t>(r) * row_bytes;
      batch.push_back(0);  // filter: none
      batch.insert(batch.end(), row, row + row_bytes);
    }
    const bool final_batch = y + batch_rows >= end_row;
    const int flush = !final_batch ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
    out->adler = adler32(out->adler, batch.data(), static_cast<uInt>(batch.size()));
    z.next_in = batch.data();
    z.avail_in = static_cast<uInt>(batch.size());
    int status = Z_OK;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      status = deflate(&z, flush);
      out->bytes.insert(out->bytes.end(), chunk.data(),
                        chunk.data() + (chunk.size() - z.avail_out));
    } while (status != Z_STREAM_ERROR &&
             (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END)));
    ok = status != Z_STREAM_ERROR;
    if (final_batch) break;
  }
  out->raw_bytes = static_cast<uLong>(end_row - first_row) * (row_bytes + 1);
  out->ok = ok;
  deflateEnd(&z);
}

// The image's rows in kParts parts, each deflated on its own: the parts of a line that this thread
// and one beside it (where one can be had) take in turn, whichever is free, since the picture's
// lower rows take zlib about twice as long as its upper ones.
constexpr int kParts = 8;
struct DeflatedImage {
  const RgbImage* image;
  int level;
  DeflatedRows parts[kParts];
};

bool deflate_part(void* producer, int32_t part, bool) {
  DeflatedImage& d = *static_cast<DeflatedImage*>(producer);
  const int height = d.image->height;
  deflate_rows(*d.image, height * part / kParts, height * (part + 1) / kParts, d.level,
               part == kParts - 1, &d.parts[part]);
  return true;
}

// The zlib stream of the unfiltered rows: header, the rows' parts joined in order, and the
// Adler-32 of all the rows. Empty where zlib fails.
std::vector<unsigned char> deflate_image(const RgbImage& image, int level) {
  DeflatedImage deflated{&image, level, {}};
  PieceLine line;
  open_line(&line, deflate_part, &deflated, kParts, kParts);
  start_line_beside(&line);  // or this thread deflates every part
  finish_line(&line);
  std::vector<unsigned char> stream;
  // CMF: deflate with a 32K window; FLG: the level's speed class, and the check bits that make
  // CMF * 256 + FLG a multiple of 31.
  const unsigned cmf = 0x78;
  const unsigned flevel = level <= 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3;
  unsigned flg = flevel << 6;
  flg += 31 - (cmf * 256 + flg) % 31;
  stream.push_back(static_cast<unsigned char>(cmf));
  stream.push_back(static_cast<unsigned char>(flg));
  uLong adler = adler32(0, nullptr, 0);
  for (const DeflatedRows& part : deflated.parts) {
    if (!part.ok) return {};
    stream.insert(stream.end(), part.bytes.begin(), part.bytes.end());
    adler = adler32_combine(adler, part.adler, part.raw_bytes);
  }
  for (int shift = 24; shift >= 0; shift -= 8)
    stream.push_back(static_cast<unsigned char>(adler >> shift));
  return stream;
}

// The stream in IDAT chunks, then IEND. libpng may jump out of here on a write error: nothing in
// this frame needs destroying.
void write_idat_and_end(png_structp png, const std::vector<unsigned char>& stream) {
  for (size_t at = 0; at < stream.size(); at += kIdatBytes)
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), stream.data() + at,
                    stream.size() - at < kIdatBytes ? stream.size() - at : kIdatBytes);
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
}

bool write_png_data(FILE* file, const RgbImage& image, std::string* error,
                    PngCompression compression) {
  // Compressed before libpng is set up: its errors jump back to the setjmp below, past no
  // destructor.
  const std::vector<unsigned char> stream = deflate_image(image, compression.zlib_level);
  if (stream.empty()) {
    *error = "zlib could not compress the image";
    return false;
  }
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
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  write_idat_and_end(png, stream);
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
