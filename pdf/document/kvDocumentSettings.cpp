// Document information, page transitions and page sizes.
#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

struct TransitionEntry {
  const char* Style;
  const char* Dimension;  // /Dm, or null
  const char* Motion;     // /M, or null
  int Direction;          // /Di, or -1
};

// Effects 0..16 in the order the wizard lists them; anything else is a replace (/R).
constexpr TransitionEntry kTransitions[] = {
    {"/R", nullptr, nullptr, -1},        {"/Split", "/H", "/I", -1},          {"/Split", "/H", "/O", -1},
    {"/Split", "/V", "/I", -1},          {"/Split", "/V", "/O", -1},          {"/Blinds", "/H", nullptr, -1},
    {"/Blinds", "/V", nullptr, -1},      {"/Box", nullptr, "/I", -1},         {"/Box", nullptr, "/O", -1},
    {"/Wipe", nullptr, nullptr, 0},      {"/Wipe", nullptr, nullptr, 90},     {"/Wipe", nullptr, nullptr, 180},
    {"/Wipe", nullptr, nullptr, 270},    {"/Dissolve", nullptr, nullptr, -1}, {"/Glitter", nullptr, nullptr, 0},
    {"/Glitter", nullptr, nullptr, 270}, {"/Glitter", nullptr, nullptr, 315},
};

}  // namespace

std::string TkvCustomPDFDocument::GetInfoText(const char* key) const {
  TkvPDFObject* v = Info->Dictionary->GetValue(key);
  if (v && v->IsReference()) v = ObjectStore->Resolve(v);
  auto* text = CastIfKind<TkvPDFStringObject>(v);
  return text ? text->DecodedText() : std::string();
}

std::vector<std::pair<std::string, const TkvPDFObject*>> TkvCustomPDFDocument::InfoEntries() const {
  std::vector<std::pair<std::string, const TkvPDFObject*>> entries;
  const TkvPDFDictObject& info = *Info->Dictionary;
  for (int32_t i = 0; i < info.Count(); ++i) {
    TkvPDFObject* v = info.Values[static_cast<size_t>(i)].get();
    if (v && v->IsReference()) v = ObjectStore->Resolve(v);
    if (!v || v->IsNull() || v->IsReference()) continue;
    entries.emplace_back(info.Keys[static_cast<size_t>(i)]->NameWithoutSlash(), v);
  }
  return entries;
}

void TkvCustomPDFDocument::SetInfoText(const char* key, const std::string& text) {
  Info->Dictionary->SetValue(key, MakeTextString(text));
}

void TkvCustomPDFDocument::SetInfoDictionary(std::unique_ptr<TkvPDFDictObject> dict) {
  Info->Dictionary = dict ? std::move(dict) : std::make_unique<TkvPDFDictObject>();
}

void TkvCustomPDFDocument::SetPageTransition(const std::string& range, uint8_t effect, float duration) {
  std::vector<int32_t> pages = ParsePageRange(range, PageCount());
  const TransitionEntry& e = effect < std::size(kTransitions) ? kTransitions[effect] : kTransitions[0];
  for (int32_t n : pages) {
    auto trans = std::make_unique<TkvPDFDictObject>();
    trans->AddName("/Type", "/Trans");
    trans->AddObject("/D", std::make_unique<TkvPDFRealObject>(duration));
    trans->AddName("/S", e.Style);
    if (e.Dimension) trans->AddName("/Dm", e.Dimension);
    if (e.Motion) trans->AddName("/M", e.Motion);
    if (e.Direction >= 0) trans->AddInteger("/Di", e.Direction);
    if (auto* page = CastOptional<TkvPDFDictObject>(Pages[static_cast<size_t>(n - 1)]->Value))
      page->SetValue("/Trans", std::move(trans));
  }
}

TkvPDFRect TkvCustomPDFDocument::GetPageMediaBox(int32_t pageNumber) const {
  if (pageNumber < 1 || pageNumber > PageCount()) throw EInvalidPageError(Format(msg::SInvalidPageNumber, pageNumber));
  auto* page = CastOptional<TkvPDFDictObject>(Pages[static_cast<size_t>(pageNumber - 1)]->Value);
  TkvPDFArrayObject* box = ObjectStore->ResolveArray(page ? page->GetValue("/MediaBox") : nullptr);
  if (!box || box->Count() < 4) throw EUnexpectedObjectError(msg::SUnexpectedObject);
  TkvPDFRect r;
  double* out[4] = {&r.Left, &r.Bottom, &r.Right, &r.Top};
  for (int i = 0; i < 4; ++i) {
    TkvPDFObject* v = ObjectStore->Resolve(box->GetItem(i));
    *out[i] = static_cast<double>(FromPoints(FMeasurementUnit, NumberValue(v)));
  }
  return r;
}

}  // namespace kv
