// The image conversion, and page thumbnails made with it.
#include <zlib.h>

#include "core/kvPDFUtils.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/features/kvExPDFDoc.h"
#include "pdf/features/kvNewObjects.h"
#include "pdf/features/kvPicture.h"
#include "pdf/filters/kvFilters.h"

namespace kv {

namespace {

// An 8-bit image stream of `samples`, Flate compressed at zlib's default level.
std::unique_ptr<TkvPDFStreamObject> ImageStream(const TkvPicture& picture, const std::string& name,
                                                std::string_view samples, const char* colorSpace) {
  std::string data;
  TkvFlateFilter().EncodeString(samples, Z_DEFAULT_COMPRESSION, data);
  auto dict = std::make_unique<TkvPDFDictObject>();
  dict->AddName("/Type", "/XObject");
  dict->AddName("/Subtype", "/Image");
  if (!name.empty()) dict->AddName("/Name", name);
  dict->AddInteger("/Width", picture.Width());
  dict->AddInteger("/Height", picture.Height());
  dict->AddInteger("/BitsPerComponent", 8);
  dict->AddName("/ColorSpace", colorSpace);
  dict->AddName("/Filter", "/FlateDecode");
  dict->AddInt64("/Length", static_cast<int64_t>(data.size()));
  return std::make_unique<TkvPDFStreamObject>(std::move(dict), std::make_unique<TkvMemoryStream>(std::move(data)));
}

}  // namespace

std::unique_ptr<TkvPDFIndirectReference> TkvExPDFDocument::CreateImageObject(const TkvPicture& picture,
                                                                             const std::string& name) {
  auto image = ImageStream(picture, name, picture.Samples(), "/DeviceRGB");
  // Transparency is kept as a soft mask beside the colours, so a logo's clear background
  // does not paint a box over the page.
  if (picture.HasAlpha())
    image->Dictionary->AddObject("/SMask",
                                 StoreNewObject(*this, ImageStream(picture, "", picture.Alpha(), "/DeviceGray")));
  return StoreNewObject(*this, std::move(image));
}

void TkvExPDFDocument::SetPageThumbnail(int32_t pageNumber, const TkvPicture& picture) {
  if (pageNumber < 1 || pageNumber > PageCount()) throw EInvalidPageError(Format(msg::SInvalidPageNumber, pageNumber));
  auto* page = ObjectStore->ResolveDictionary(Pages[static_cast<size_t>(pageNumber - 1)]);
  if (!page) throw EUnexpectedObjectError(msg::SUnexpectedObject);
  std::unique_ptr<TkvPDFIndirectReference> thumb;
  if (picture.HasAlpha()) {
    // Viewers draw thumbnails without soft masks: the picture is shown as on a white page.
    TkvPicture flat(picture);
    flat.FlattenOnto(255, 255, 255);
    thumb = CreateImageObject(flat, "");
  } else {
    thumb = CreateImageObject(picture, "");
  }
  if (TkvPDFObject* old = page->GetValue("/Thumb")) ReleaseObject(old);
  page->SetValue("/Thumb", std::move(thumb));
}

}  // namespace kv
