// The picture readers (BMP, ICO, JPEG, PNG, picked by the first bytes as for a file):
// only the library's own exceptions may leave them, and a picture they return must hold
// exactly its samples (and alpha) for its size. A small picture also goes through the
// image conversion, and through flattening when it has transparency.
//
// Seeds (corpus/pictures/seed-*): the small pictures of tests/data/pictures, one of each
// depth, coding and colour type.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzSupport.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvPicture.h"

namespace {

// Larger pictures are decoded but not converted: compression would only slow each run.
constexpr int64_t kMaxConvertedPixels = 64 * 64;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kvfuzz::Guarded([&] {
    std::unique_ptr<kv::TkvPicture> pic = kv::LoadPictureFromMemory(bytes, "input");
    Check(pic->Width() > 0 && pic->Height() > 0 && pic->PixelCount() <= kv::kMaxPicturePixels, "bad size");
    Check(pic->Samples().size() == static_cast<size_t>(pic->PixelCount()) * 3, "samples do not match the size");
    Check(!pic->HasAlpha() || pic->Alpha().size() == static_cast<size_t>(pic->PixelCount()), "alpha does not match");
    if (pic->PixelCount() > kMaxConvertedPixels) return;
    kv::TkvPDFDocument doc;
    auto ref = doc.CreateImageObject(*pic, "/Im1");
    Check(ref && doc.ObjectStore->Find(ref.get()), "image object not stored");
    pic->FlattenOnto(255, 255, 255);
    Check(!pic->HasAlpha(), "flattened picture keeps alpha");
  });
  return 0;
}
