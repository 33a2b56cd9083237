#include "pdf/features/kvWatermarkProcessor.h"

#include <algorithm>

#include "pdf/features/kvNewObjects.h"
#include "pdf/features/kvWatermarkConsts.h"

namespace kv {

namespace {

// The size viewers assume for a page that states none.
constexpr TkvPDFRect kLetterPage{0, 0, 612, 792};

bool SameBox(const TkvPDFRect& a, const TkvPDFRect& b) {
  return a.Left == b.Left && a.Bottom == b.Bottom && a.Right == b.Right && a.Top == b.Top;
}

}  // namespace

TkvWatermarkProcessor::TkvWatermarkProcessor(TkvExPDFDocument& doc, TkvCustomWatermarkTemplate& tmpl)
    : FDoc(doc), FTemplate(tmpl) {
  if (tmpl.Overlay) MakeStateStreams();
}

void TkvWatermarkProcessor::MakeStateStreams() {
  // Made once per document and shared by every overlay, so that stamping again finds the
  // page content already wrapped. Counted by their users: unused, they are not written.
  if (FDoc.FSaveStateStream < 0) FDoc.FSaveStateStream = StoreNewObject(FDoc, PlainStream("q"), 0)->ObjectNumber;
  if (FDoc.FRestoreStateStream < 0) FDoc.FRestoreStateStream = StoreNewObject(FDoc, PlainStream("Q"), 0)->ObjectNumber;
}

void TkvWatermarkProcessor::Stamp(const std::vector<int32_t>& pages) {
  for (int32_t n : pages) {
    TkvPDFIndirectObject* pageObject = FDoc.Pages[static_cast<size_t>(n - 1)];
    auto* page = pageObject ? CastIfKind<TkvPDFDictObject>(pageObject->Value) : nullptr;
    if (!page) throw EUnexpectedError(Format(msg::SUnexpectedContentObject, n));
    const TkvPDFIndirectReference& mark = MarkingFor(VisibleBoxOf(*page));
    AddResource(*page);
    AddContent(*page, n, mark);
  }
}

namespace {

// A rectangle entry of a page, corners in any order; false when it is missing or not four
// numbers.
bool ReadBox(const TkvPDFObjectStore& store, TkvPDFDictObject& page, const char* key, TkvPDFRect& out) {
  auto* box = CastIfKind<TkvPDFArrayObject>(store.Resolve(page.GetValue(key)));
  if (!box || box->Count() < 4) return false;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    TkvPDFObject* item = store.Resolve(box->GetItem(i));
    if (!item || !(item->IsInteger() || item->IsInt64() || item->IsReal())) return false;
    v[i] = NumberValue(item);
  }
  out = TkvPDFRect{std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
  return true;
}

}  // namespace

// The part of the page a reader sees: the crop box within the media box. Placing the
// marking on the media box alone would put a centred marking outside the visible page
// of a file whose crop box shows only part of it.
TkvPDFRect TkvWatermarkProcessor::VisibleBoxOf(TkvPDFDictObject& page) const {
  const TkvPDFObjectStore& store = *FDoc.ObjectStore;
  TkvPDFRect media, crop;
  if (!ReadBox(store, page, "/MediaBox", media)) media = kLetterPage;
  if (!ReadBox(store, page, "/CropBox", crop)) return media;
  TkvPDFRect seen{std::max(media.Left, crop.Left), std::max(media.Bottom, crop.Bottom),
                  std::min(media.Right, crop.Right), std::min(media.Top, crop.Top)};
  return seen.Left < seen.Right && seen.Bottom < seen.Top ? seen : media;
}

const TkvPDFIndirectReference& TkvWatermarkProcessor::MarkingFor(const TkvPDFRect& box) {
  for (size_t i = 0; i < FBoxes.size(); ++i)
    if (SameBox(FBoxes[i], box)) return *FStreams[i];
  if (!FResource) {
    FResource = FTemplate.MakeResource(FDoc, FResourceName);
    // Counted again below, once per page resources that take it.
    if (TkvPDFIndirectObject* obj = FDoc.ObjectStore->Find(FResource.get())) obj->RefCount = 0;
  }
  double x = 0, y = 0;
  FTemplate.AnchorPoint(box, FDoc.MeasurementUnit(), x, y);
  std::string content = FTemplate.WatermarkContent(FResourceName, x, y, box.Left, box.Bottom);
  FBoxes.push_back(box);
  FStreams.push_back(StoreNewObject(FDoc, PlainStream(std::move(content)), 0));
  return *FStreams.back();
}

std::unique_ptr<TkvPDFIndirectReference> TkvWatermarkProcessor::Use(const TkvPDFIndirectReference& ref) {
  if (TkvPDFIndirectObject* obj = FDoc.ObjectStore->Find(&ref)) ++obj->RefCount;
  return std::make_unique<TkvPDFIndirectReference>(ref.Owner, ref.ObjectNumber, ref.Generation);
}

bool TkvWatermarkProcessor::Holds(const TkvPDFArrayObject& array, int32_t objectNumber) const {
  const int64_t key = MakeObjectKey(FDoc.DocumentId(), objectNumber, 0);
  return std::any_of(array.Items.begin(), array.Items.end(), [key](const TkvPDFObjectPtr& item) {
    const auto* ref = CastIfKind<TkvPDFIndirectReference>(item);
    return ref && ref->Key() == key;
  });
}

namespace {

// The dictionary under `key`, made when the entry is missing, null, or refers to
// nothing; anything else there is not a dictionary we may add to.
TkvPDFDictObject* DictionaryEntry(const TkvPDFObjectStore& store, TkvPDFDictObject& parent, const char* key) {
  TkvPDFObject* value = parent.GetValue(key);
  TkvPDFObject* resolved = store.Resolve(value);
  if (auto* dict = CastIfKind<TkvPDFDictObject>(resolved)) return dict;
  bool absent = !resolved || resolved->IsNull();
  if (!absent) throw EUnexpectedError(msg::SErrorInsertingResource);
  parent.SetValue(key, std::make_unique<TkvPDFDictObject>());
  return CastObject<TkvPDFDictObject>(parent.GetValue(key));
}

}  // namespace

void TkvWatermarkProcessor::AddResource(TkvPDFDictObject& page) {
  // A page may have no resources at all (a blank page needs none): it gets its own.
  TkvPDFDictObject* resources = DictionaryEntry(*FDoc.ObjectStore, page, "/Resources");
  TkvPDFDictObject* category = DictionaryEntry(*FDoc.ObjectStore, *resources, FTemplate.ResourceCategory());
  if (category->IndexOfKey(FResourceName) >= 0) return;
  category->AddObject(FResourceName, Use(*FResource));
}

void TkvWatermarkProcessor::AddContent(TkvPDFDictObject& page, int32_t pageNumber,
                                       const TkvPDFIndirectReference& mark) {
  const bool overlay = FTemplate.Overlay;
  const int32_t owner = FDoc.DocumentId();
  const TkvPDFIndirectReference save(owner, FDoc.FSaveStateStream, 0), restore(owner, FDoc.FRestoreStateStream, 0);
  TkvPDFObject* contents = page.GetValue("/Contents");
  if (!contents || contents->IsNull()) {
    // Nothing drawn on the page yet: the marking is its content.
    page.SetValue("/Contents", Use(mark));
    return;
  }
  TkvPDFArrayObject* array = CastIfKind<TkvPDFArrayObject>(contents);
  if (auto* ref = CastIfKind<TkvPDFIndirectReference>(contents)) {
    TkvPDFIndirectObject* target = FDoc.ObjectStore->Find(ref);
    TkvPDFObject* value = target ? target->Value.get() : nullptr;
    if (value && value->IsStream()) {
      auto wrapped = std::make_unique<TkvPDFArrayObject>();
      TkvPDFObjectPtr old = page.TakeValueAt(page.IndexOfKey("/Contents"));
      if (overlay) {
        wrapped->Add(Use(save));
        wrapped->Add(std::move(old));
        wrapped->Add(Use(restore));
        wrapped->Add(Use(mark));
      } else {
        wrapped->Add(Use(mark));
        wrapped->Add(std::move(old));
      }
      page.SetValue("/Contents", std::move(wrapped));
      return;
    }
    if (auto* list = CastIfKind<TkvPDFArrayObject>(value)) array = list;
  }
  if (!array) throw EUnexpectedError(Format(msg::SUnexpectedContentObject, pageNumber));
  // An array that pages share (behind one reference) takes each marking once.
  if (Holds(*array, mark.ObjectNumber)) return;
  if (!overlay) {
    array->Insert(0, Use(mark));
    return;
  }
  if (!Holds(*array, save.ObjectNumber)) {
    array->Insert(0, Use(save));
    array->Add(Use(restore));
  }
  array->Add(Use(mark));
}

// ---- the document's operations ----

void TkvExPDFDocument::InsertWatermark(TkvWaterMarkTemplate& tmpl, const std::string& pageRange) {
  auto* custom = dynamic_cast<TkvCustomWatermarkTemplate*>(&tmpl);
  if (!custom) throw EUnexpectedError(msg::SUnexpectedError);
  TkvWatermarkProcessor processor(*this, *custom);
  processor.Stamp(ParsePageRange(pageRange, PageCount()));
}

void TkvExPDFDocument::InsertWatermark(TkvWaterMarkTemplate& tmpl) {
  InsertWatermark(tmpl, "1-" + std::to_string(PageCount()));
}

}  // namespace kv
