#include "pdf/features/kvOutlines.h"

#include <vector>

#include "core/kvUtils.h"
#include "pdf/features/kvExPDFDoc.h"
#include "pdf/features/kvOutlinesConsts.h"
#include "pdf/features/kvPDFTextUtf8.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

std::unique_ptr<TkvPDFStringObject> MakeTitleString(std::string_view text) {
  // Code page 1252 and the document encoding agree on Latin-1, not on 0x80-0x9F (quotes,
  // dashes, the euro sign) nor on 0x18-0x1F: a title holding those is written in Unicode,
  // or viewers would show other characters.
  if (GetACP() == 1252) {
    for (char ch : text) {
      auto c = static_cast<unsigned char>(ch);
      if ((c >= 0x80 && c <= 0x9F) || (c >= 0x18 && c <= 0x1F))
        return std::make_unique<TkvPDFStringObject>("<" + TextToUnicodeHex(text) + ">", true);
    }
  }
  return MakeTextString(text);
}

TkvPDFOutline::TkvPDFOutline(TkvExPDFDocument* document, int32_t owner, int32_t objectNumber, uint16_t generation,
                             std::unique_ptr<TkvPDFDictObject> dict)
    : TkvPDFIndirectObject(owner, objectNumber, generation, std::move(dict)), FDocument(document) {}

TkvPDFOutline::~TkvPDFOutline() {
  // Taken apart one node at a time: destroying owned nodes through their own destructors
  // would nest as deep as the sibling chain is long.
  std::vector<std::unique_ptr<TkvPDFOutline>> pending;
  if (FFirstChild) pending.push_back(std::move(FFirstChild));
  if (FNext) pending.push_back(std::move(FNext));
  while (!pending.empty()) {
    std::unique_ptr<TkvPDFOutline> node = std::move(pending.back());
    pending.pop_back();
    if (node->FFirstChild) pending.push_back(std::move(node->FFirstChild));
    if (node->FNext) pending.push_back(std::move(node->FNext));
  }
}

TkvPDFDictObject* TkvPDFOutline::Dictionary() const { return CastIfKind<TkvPDFDictObject>(Value); }

// Entries may name objects the document holds (a title or an action shared with others).
const TkvPDFObject* TkvPDFOutline::Entry(std::string_view key) const {
  const TkvPDFDictObject* d = Dictionary();
  return d ? FDocument->ObjectStore->Resolve(d->GetValue(key)) : nullptr;
}

std::string TkvPDFOutline::Title() const {
  const auto* t = CastIfKind<TkvPDFStringObject>(Entry("/Title"));
  return t ? t->DecodedText() : std::string();
}

std::string TkvPDFOutline::TitleUtf8() const {
  const auto* t = CastIfKind<TkvPDFStringObject>(Entry("/Title"));
  return t ? PDFTextToUtf8(t->RawBytes()) : std::string();
}

void TkvPDFOutline::SetTitleUtf8(std::string_view text) {
  TkvPDFDictObject* d = Dictionary();
  if (!d) throw EOutlineError(msg::SUnexpectedObject);
  d->SetValue("/Title", MakeUtf8TextString(text));
}

std::unique_ptr<TkvPDFDestination> TkvPDFOutline::Destination() const { return ReadTarget(nullptr); }

std::unique_ptr<TkvPDFDestination> TkvPDFOutline::Destination(const TkvPageIndex& index) const {
  return ReadTarget(&index);
}

std::unique_ptr<TkvPDFDestination> TkvPDFOutline::ReadTarget(const TkvPageIndex* index) const {
  const TkvPDFDictObject* d = Dictionary();
  if (!d) return nullptr;
  const TkvPDFObject* dest = d->GetValue("/Dest");
  if (dest) {
    const auto* array = CastIfKind<TkvPDFArrayObject>(dest);
    if (!array) throw EOutlineError(msg::SUnexpectedObject);
    return ReadDestination(*FDocument, *array, index);
  }
  const auto* action = CastIfKind<TkvPDFDictObject>(Entry("/A"));
  // A named target the document does not define is no destination here.
  const auto* target = action ? CastIfKind<TkvPDFArrayObject>(action->GetValue("/D")) : nullptr;
  return target ? ReadDestination(*FDocument, *target, index) : nullptr;
}

std::unique_ptr<TkvPDFOutline> TkvPDFOutline::NewItem(const std::string& title, const TkvPDFDestination* dest) const {
  // The destination is built first: a page out of range fails before anything changes.
  std::unique_ptr<TkvPDFArrayObject> array = dest ? BuildDestinationArray(*FDocument, *dest) : nullptr;
  auto dict = std::make_unique<TkvPDFDictObject>();
  dict->AddObject("/Title", MakeTitleString(title));
  if (array) dict->AddObject("/Dest", std::move(array));
  return std::make_unique<TkvPDFOutline>(FDocument, 0, 0, 0, std::move(dict));
}

TkvPDFOutline* TkvPDFOutline::AddChild(const std::string& title, const TkvPDFDestination* dest) {
  return InsertChild(nullptr, NewItem(title, dest));
}

TkvPDFOutline* TkvPDFOutline::AddNext(const std::string& title, const TkvPDFDestination* dest) {
  std::unique_ptr<TkvPDFOutline> node = NewItem(title, dest);
  TkvPDFOutline* raw = node.get();
  raw->FParent = FParent;
  raw->FPrev = this;
  raw->FNext = std::move(FNext);
  if (raw->FNext) raw->FNext->FPrev = raw;
  FNext = std::move(node);
  return raw;
}

void TkvPDFOutline::DeleteChild() {
  if (!FFirstChild) throw EOutlineError(msg::SOutlineNoChildren);
  DetachFirstChild();
}

void TkvPDFOutline::DeleteNext() {
  if (!FNext) throw EOutlineError(msg::SOutlineNoNext);
  std::unique_ptr<TkvPDFOutline> gone = std::move(FNext);
  FNext = std::move(gone->FNext);
  if (FNext) FNext->FPrev = this;
}

void TkvPDFOutline::Modify(const std::string& title, const TkvPDFDestination* dest) {
  TkvPDFDictObject* d = Dictionary();
  if (!d) throw EOutlineError(msg::SUnexpectedObject);
  std::unique_ptr<TkvPDFArrayObject> array = dest ? BuildDestinationArray(*FDocument, *dest) : nullptr;
  d->Remove("/A");
  d->SetValue("/Title", MakeTitleString(title));
  if (array)
    d->SetValue("/Dest", std::move(array));
  else
    d->Remove("/Dest");
}

TkvPDFOutline* TkvPDFOutline::InsertChild(TkvPDFOutline* after, std::unique_ptr<TkvPDFOutline> node) {
  TkvPDFOutline* raw = node.get();
  raw->FParent = this;
  raw->FPrev = after;
  std::unique_ptr<TkvPDFOutline>& slot = after ? after->FNext : FFirstChild;
  raw->FNext = std::move(slot);
  if (raw->FNext) raw->FNext->FPrev = raw;
  slot = std::move(node);
  return raw;
}

std::unique_ptr<TkvPDFOutline> TkvPDFOutline::DetachFirstChild() {
  std::unique_ptr<TkvPDFOutline> child = std::move(FFirstChild);
  if (!child) return nullptr;
  FFirstChild = std::move(child->FNext);
  if (FFirstChild) FFirstChild->FPrev = nullptr;
  child->FParent = nullptr;
  child->FPrev = nullptr;
  return child;
}

std::unique_ptr<TkvPDFOutline> TkvPDFOutline::CloneTree(TkvExPDFDocument* document) const {
  auto copyOf = [document](const TkvPDFOutline& n) {
    const TkvPDFDictObject* d = n.Dictionary();
    return std::make_unique<TkvPDFOutline>(document, n.Owner, n.ObjectNumber, n.Generation,
                                           d ? d->CloneDict() : nullptr);
  };
  std::unique_ptr<TkvPDFOutline> root = copyOf(*this);
  // Pairs of (original, copy) whose children are still to be copied.
  std::vector<std::pair<const TkvPDFOutline*, TkvPDFOutline*>> pending{{this, root.get()}};
  while (!pending.empty()) {
    auto [from, to] = pending.back();
    pending.pop_back();
    TkvPDFOutline* last = nullptr;
    for (const TkvPDFOutline* child = from->FirstChild(); child; child = child->Next()) {
      last = to->InsertChild(last, copyOf(*child));
      pending.emplace_back(child, last);
    }
  }
  return root;
}

}  // namespace kv
