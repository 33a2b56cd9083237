#include "pdf/features/kvDestinations.h"

#include <cmath>

#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/features/kvOutlinesConsts.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

constexpr double kUnset = -1;
// Unit conversions, and hosts that round the values they show, leave a value at a page
// edge a hair beyond it. Within this distance (points; far below what a viewer shows) a
// value is taken as on the edge, instead of being moved to the other side of the page.
constexpr double kEdgeTolerance = 0.01;

// Width and height of a page's /MediaBox in points; both 0 when the page has no readable
// box (values are then taken as they are: Y is not turned over, X not bounded).
struct PageSize {
  double W = 0;
  double H = 0;
};

PageSize SizeOfPage(const TkvCustomPDFDocument& doc, int32_t page) {
  PageSize size;
  if (page < 1 || page > doc.PageCount()) return size;
  const auto* dict = CastIfKind<TkvPDFDictObject>(doc.Pages[static_cast<size_t>(page - 1)]->Value);
  if (!dict) return size;
  const TkvPDFArrayObject* box = doc.ObjectStore->ResolveArray(dict->GetValue("/MediaBox"));
  if (!box || box->Count() < 4) return size;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    const TkvPDFObject* n = doc.ObjectStore->Resolve(box->GetItem(i));
    if (!n || !(n->IsInteger() || n->IsInt64() || n->IsReal())) return size;
    v[i] = NumberValue(n);
  }
  size.W = v[2] - v[0];
  size.H = v[3] - v[1];
  return size;
}

int32_t FindPage(const TkvCustomPDFDocument& doc, int64_t key) {
  for (size_t i = 0; i < doc.Pages.size(); ++i)
    if (doc.Pages[i] && doc.Pages[i]->Key() == key) return static_cast<int32_t>(i + 1);
  return 0;
}

// Element `i` as a number: null or absent is unset; anything else but a number is unset
// too, after a warning.
double NumberAt(TkvCustomPDFDocument& doc, const TkvPDFArrayObject& array, int32_t i) {
  const TkvPDFObject* v = i < array.Count() ? array.GetItem(i) : nullptr;
  if (!v || v->IsNull()) return kUnset;
  if (v->IsInteger() || v->IsInt64() || v->IsReal()) return NumberValue(v);
  if (doc.OnWarning) doc.OnWarning(&doc, msg::SUnexpectedError);
  return kUnset;
}

// Unset values stay unset both ways: a null coordinate means "keep the current view" and
// must not come back as a position.
double XFromFile(TkvMeasurementUnit unit, double v) {
  return v == kUnset ? kUnset : static_cast<double>(FromPoints(unit, v));
}

double YFromFile(TkvMeasurementUnit unit, double v, double h) {
  if (v == kUnset) return kUnset;
  double r = static_cast<double>(FromPoints(unit, h != 0 ? h - v : v));
  return r < 0 ? 0 : r;
}

TkvPDFObjectPtr XToFile(TkvMeasurementUnit unit, double v, double w) {
  if (v == kUnset) return std::make_unique<TkvPDFNullObject>();
  double p = static_cast<double>(ToPoints(unit, v));
  if (w > 0 && p > w) p = p - w <= kEdgeTolerance ? w : 0;
  return std::make_unique<TkvPDFRealObject>(std::fabs(p));
}

TkvPDFObjectPtr YToFile(TkvMeasurementUnit unit, double v, double h) {
  if (v == kUnset) return std::make_unique<TkvPDFNullObject>();
  double p = static_cast<double>(ToPoints(unit, v));
  if (h != 0) p = h - p;
  if (p < 0) p = p >= -kEdgeTolerance ? 0 : h;
  return std::make_unique<TkvPDFRealObject>(std::fabs(p));
}

}  // namespace

// ---- destinations ----

TkvPDFDestination::TkvPDFDestination(int32_t page, TkvDestinationType type)
    : Page(page), DestType(type), Left(0), Bottom(0), Right(0), Top(0), ZoomFactor(0) {}

TkvPDFDestination::TkvPDFDestination(int32_t page, TkvDestinationType type, double left, double top, double zoomPercent)
    : Page(page), DestType(type), Left(left), Bottom(kUnset), Right(kUnset), Top(top), ZoomFactor(zoomPercent / 100) {}

TkvPDFDestination::TkvPDFDestination(int32_t page, TkvDestinationType type, double left, double bottom, double right,
                                     double top)
    : Page(page), DestType(type), Left(left), Bottom(bottom), Right(right), Top(top), ZoomFactor(0) {}

TkvPDFDestination::TkvPDFDestination(int32_t page, double value, TkvDestinationType type)
    : Page(page), DestType(type), Left(kUnset), Bottom(kUnset), Right(kUnset), Top(kUnset), ZoomFactor(0) {
  switch (type) {
    case dtFitV:
    case dtFitBV:
      Left = value;
      break;
    case dtFitH:
    case dtFitBH:
      Top = value;
      break;
    default:
      throw EUnexpectedDestType(msg::SUnexpectedDestType);
  }
}

TkvPageIndex::TkvPageIndex(const TkvCustomPDFDocument& doc) {
  pages_.reserve(doc.Pages.size());
  for (size_t i = 0; i < doc.Pages.size(); ++i)
    if (doc.Pages[i]) pages_.emplace(doc.Pages[i]->Key(), static_cast<int32_t>(i + 1));
}

int32_t TkvPageIndex::PageOf(int64_t key) const {
  auto it = pages_.find(key);
  return it == pages_.end() ? 0 : it->second;
}

// ---- reading and building arrays ----

std::unique_ptr<TkvPDFDestination> ReadDestination(TkvCustomPDFDocument& doc, const TkvPDFArrayObject& array,
                                                   const TkvPageIndex* index) {
  const auto* typeName = CastIfKind<TkvPDFNameObject>(array.GetItem(1));
  int type = typeName ? IndexOfName(kDestinationTypeNames, typeName->Value) : -1;
  // A type we cannot read is shown as "keep the current view": nothing is moved.
  auto dest = std::make_unique<TkvPDFDestination>(-1, type < 0 ? dtXYZ : static_cast<TkvDestinationType>(type));
  dest->Left = dest->Bottom = dest->Right = dest->Top = dest->ZoomFactor = kUnset;

  // Pages are told apart by their whole key: pages merged from two files may share a number.
  if (const auto* first = CastIfKind<TkvPDFIndirectReference>(array.GetItem(0))) {
    int64_t key = first->Key();
    int32_t page = index ? index->PageOf(key) : FindPage(doc, key);
    if (page > 0) dest->Page = page;
  }
  if (type < 0) return dest;
  const double h = SizeOfPage(doc, dest->Page).H;
  const TkvMeasurementUnit unit = doc.MeasurementUnit();
  switch (dest->DestType) {
    case dtXYZ:
      dest->Left = XFromFile(unit, NumberAt(doc, array, 2));
      dest->Top = YFromFile(unit, NumberAt(doc, array, 3), h);
      dest->ZoomFactor = NumberAt(doc, array, 4);
      break;
    case dtFitH:
    case dtFitBH:
      dest->Top = YFromFile(unit, NumberAt(doc, array, 2), h);
      break;
    case dtFitV:
    case dtFitBV:
      dest->Left = XFromFile(unit, NumberAt(doc, array, 2));
      break;
    case dtFitR:
      dest->Left = XFromFile(unit, NumberAt(doc, array, 2));
      dest->Bottom = YFromFile(unit, NumberAt(doc, array, 3), h);
      dest->Right = XFromFile(unit, NumberAt(doc, array, 4));
      dest->Top = YFromFile(unit, NumberAt(doc, array, 5), h);
      break;
    case dtFit:
    case dtFitB:
      break;
  }
  return dest;
}

std::unique_ptr<TkvPDFArrayObject> BuildDestinationArray(const TkvCustomPDFDocument& doc,
                                                         const TkvPDFDestination& dest) {
  if (dest.Page < 1 || dest.Page > doc.PageCount()) throw EInvalidPageError(Format(msg::SInvalidPageNumber, dest.Page));
  if (dest.DestType > dtFitBV) throw EUnexpectedDestType(msg::SUnexpectedDestType);
  auto array = std::make_unique<TkvPDFArrayObject>();
  array->Add(ReferenceTo(*doc.Pages[static_cast<size_t>(dest.Page - 1)]));
  array->Add(std::make_unique<TkvPDFNameObject>(std::string(kDestinationTypeNames[dest.DestType])));
  const PageSize size = SizeOfPage(doc, dest.Page);
  const TkvMeasurementUnit unit = doc.MeasurementUnit();
  switch (dest.DestType) {
    case dtXYZ:
      array->Add(XToFile(unit, dest.Left, size.W));
      array->Add(YToFile(unit, dest.Top, size.H));
      if (dest.ZoomFactor == kUnset)
        array->Add(std::make_unique<TkvPDFNullObject>());
      else
        array->Add(std::make_unique<TkvPDFRealObject>(dest.ZoomFactor));
      break;
    case dtFitH:
    case dtFitBH:
      array->Add(YToFile(unit, dest.Top, size.H));
      break;
    case dtFitV:
    case dtFitBV:
      array->Add(XToFile(unit, dest.Left, size.W));
      break;
    case dtFitR:
      array->Add(XToFile(unit, dest.Left, size.W));
      array->Add(YToFile(unit, dest.Bottom, size.H));
      array->Add(XToFile(unit, dest.Right, size.W));
      array->Add(YToFile(unit, dest.Top, size.H));
      break;
    case dtFit:
    case dtFitB:
      break;
  }
  return array;
}

}  // namespace kv
