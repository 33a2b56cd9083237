#include "pdf/features/kvJpegReader.h"

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

// libjpeg's header needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "core/kvClasses.h"
#include "pdf/features/kvPictureConsts.h"

namespace kv {

namespace {

constexpr const char* kJpeg = "JPEG";

// Huffman coding spends at least one bit per 8 x 8 block and component; twice that many
// pixels per byte leaves room for every real file while a lying header cannot make the
// reader allocate a large picture for a few bytes. Arithmetic coding may spend far less
// than a bit on a plain block, so it gets a looser bound.
constexpr int64_t kMaxPixelsPerByte = 1024;
constexpr int64_t kMaxArithmeticPixelsPerByte = 65536;
// A progressive file may hold any number of scans, each a pass over the whole picture;
// real files have about ten. Hostile ones with thousands would decode for minutes.
constexpr int kMaxScans = 500;
// What libjpeg may allocate for one picture (its coefficient buffers for progressive
// files are the largest part).
constexpr long kMaxDecoderMemory = 1024L * 1024 * 1024;

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps
// back to DecodeInto, whose caller turns it into an exception. Only libjpeg's own frames
// lie between, so no destructor is skipped.
struct ErrorManager {
  jpeg_error_mgr Pub;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX] = {};
  bool Truncated = false;
};

[[noreturn]] void ErrorExit(j_common_ptr c) {
  auto* err = reinterpret_cast<ErrorManager*>(c->err);
  c->err->format_message(c, err->Message);
  longjmp(err->Jump, 1);
}

// Warnings are not printed; a file that ends early is remembered (libjpeg would pad it
// with grey and carry on).
void EmitMessage(j_common_ptr c, int level) {
  if (level >= 0) return;
  auto* err = reinterpret_cast<ErrorManager*>(c->err);
  if (c->err->msg_code == JWRN_JPEG_EOF && !err->Truncated) {
    err->Truncated = true;
    c->err->format_message(c, err->Message);
  }
  ++c->err->num_warnings;
}

void ProgressMonitor(j_common_ptr c) {
  auto* d = reinterpret_cast<j_decompress_ptr>(c);
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<ErrorManager*>(c->err);
    std::snprintf(err->Message, sizeof err->Message, "more than %d scans", kMaxScans);
    longjmp(err->Jump, 1);
  }
}

struct Decoder {
  jpeg_decompress_struct Info{};
  ErrorManager Err;
  jpeg_progress_mgr Progress{};
  bool Created = false;
  std::unique_ptr<TkvPicture> Picture;
  std::vector<uint8_t> Row;
  ~Decoder() {
    if (Created) jpeg_destroy_decompress(&Info);
  }
};

uint8_t Mul255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// One row of decoder output into RGB samples.
void ConvertRow(const jpeg_decompress_struct& info, const uint8_t* in, uint8_t* out) {
  const JDIMENSION w = info.output_width;
  if (info.out_color_space == JCS_GRAYSCALE) {
    for (JDIMENSION x = 0; x < w; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
    return;
  }
  // CMYK. Files with the Adobe marker store every ink inverted (and YCCK turns into that
  // form); others store plain amounts of ink.
  const bool inverted = info.saw_Adobe_marker;
  for (JDIMENSION x = 0; x < w; ++x, in += 4, out += 3) {
    unsigned k = inverted ? in[3] : 255u - in[3];
    for (int i = 0; i < 3; ++i) out[i] = Mul255(inverted ? in[i] : 255u - in[i], k);
  }
}

// Returns false when libjpeg gave up (Err.Message says why).
bool DecodeInto(std::string_view bytes, Decoder& d) {
  if (setjmp(d.Err.Jump)) return false;
  jpeg_create_decompress(&d.Info);
  d.Created = true;
  d.Info.mem->max_memory_to_use = kMaxDecoderMemory;
  d.Progress.progress_monitor = ProgressMonitor;
  d.Info.progress = &d.Progress;
  jpeg_mem_src(&d.Info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d.Info, TRUE);

  switch (d.Info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d.Info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d.Info.out_color_space = JCS_CMYK;
      break;
    default:
      d.Info.out_color_space = JCS_RGB;
      break;
  }
  int64_t perByte = d.Info.arith_code ? kMaxArithmeticPixelsPerByte : kMaxPixelsPerByte;
  CheckPictureSize(kJpeg, d.Info.image_width, d.Info.image_height, perByte * static_cast<int64_t>(bytes.size()));
  jpeg_start_decompress(&d.Info);
  d.Picture = std::make_unique<TkvPicture>(pfJPEG, static_cast<int32_t>(d.Info.output_width),
                                           static_cast<int32_t>(d.Info.output_height));
  bool direct = d.Info.out_color_space == JCS_RGB;
  if (!direct) d.Row.resize(static_cast<size_t>(d.Info.output_width) * static_cast<size_t>(d.Info.output_components));
  while (d.Info.output_scanline < d.Info.output_height) {
    uint8_t* out = d.Picture->Row(static_cast<int32_t>(d.Info.output_scanline));
    JSAMPROW row = direct ? out : d.Row.data();
    if (jpeg_read_scanlines(&d.Info, &row, 1) != 1) break;
    if (!direct) ConvertRow(d.Info, d.Row.data(), out);
    if (d.Err.Truncated) return false;
  }
  if (d.Err.Truncated) return false;
  jpeg_finish_decompress(&d.Info);
  return !d.Err.Truncated;
}

}  // namespace

std::unique_ptr<TkvPicture> ReadJpegPicture(std::string_view bytes) {
  Decoder d;
  d.Info.err = jpeg_std_error(&d.Err.Pub);
  d.Err.Pub.error_exit = ErrorExit;
  d.Err.Pub.emit_message = EmitMessage;
  if (!DecodeInto(bytes, d)) PictureDamaged(kJpeg, d.Err.Message[0] ? d.Err.Message : msg::SPicTruncated);
  return std::move(d.Picture);
}

}  // namespace kv
