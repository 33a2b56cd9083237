// Turning pages: the angle is added to each page's /Rotate, which loading has already
// taken down from the page tree into every page.
#include <algorithm>
#include <cmath>

#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

// The page's rotation in whole degrees from 0 to 359; anything that is not a finite
// number (a damaged entry) counts as no rotation.
int32_t CurrentRotation(const TkvPDFObject* value) {
  if (!value || !(value->IsInteger() || value->IsInt64() || value->IsReal())) return 0;
  double degrees = NumberValue(value);
  if (!std::isfinite(degrees)) return 0;
  auto whole = static_cast<int32_t>(std::lround(std::fmod(degrees, 360.0)));
  return (whole % 360 + 360) % 360;
}

}  // namespace

void TkvCustomPDFDocument::RotatePages(const std::string& range, int32_t angle) {
  if (angle % 90 != 0) throw EPDFException(Format(msg::SInvalidRotation, angle));
  std::vector<int32_t> pages = ParsePageRange(range, PageCount());
  // A page named twice is still turned once: the range says which pages, the angle how far.
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  const int32_t turn = (angle % 360 + 360) % 360;
  for (int32_t n : pages) {
    auto* page = CastIfKind<TkvPDFDictObject>(Pages[static_cast<size_t>(n - 1)]->Value);
    if (!page) continue;
    TkvPDFObject* entry = page->GetValue("/Rotate");
    const int32_t rotation = (CurrentRotation(ObjectStore->Resolve(entry)) + turn) % 360;
    // An indirect rotation loses this user; the page gets a value of its own.
    if (entry && entry->IsReference()) ReleaseObject(entry);
    page->SetValue("/Rotate", std::make_unique<TkvPDFIntegerObject>(rotation));
  }
}

}  // namespace kv
