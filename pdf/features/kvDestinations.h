// Explicit destinations: a page, a fit type and the type's coordinates. In memory the
// coordinates are in the document's measurement unit and measured from the top-left
// corner of the page, as hosts show them; in the file they are points from the
// bottom-left corner. This unit converts between the two.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "pdf/document/kvCstPDFDoc.h"

namespace kv {

KV_DECLARE_EXCEPTION(EUnexpectedDestType, EPDFException)

// The order is the ordinal that hosts index by (the fit type lists of the wizard).
enum TkvDestinationType : uint8_t { dtXYZ, dtFit, dtFitH, dtFitV, dtFitR, dtFitB, dtFitBH, dtFitBV };

// A destination owned by whoever made it. -1 in a coordinate means "unset" (null in the
// file: the viewer keeps its current value).
class TkvPDFDestination {
 public:
  // Page and type only: every coordinate and the zoom 0.
  TkvPDFDestination(int32_t page, TkvDestinationType type);
  // The /XYZ form; `zoomPercent` 100 is 100 %. Bottom and Right unset.
  TkvPDFDestination(int32_t page, TkvDestinationType type, double left, double top, double zoomPercent);
  // The /FitR form; zoom 0.
  TkvPDFDestination(int32_t page, TkvDestinationType type, double left, double bottom, double right, double top);
  // One value: the left edge for dtFitV and dtFitBV, the top edge for dtFitH and dtFitBH;
  // any other type raises EUnexpectedDestType.
  TkvPDFDestination(int32_t page, double value, TkvDestinationType type);

  int32_t Page;  // 1-based; -1 when the target page is not in the document
  TkvDestinationType DestType;
  double Left;
  double Bottom;  // distance of the rectangle's lower edge from the top page edge
  double Right;
  double Top;
  // The magnification as the file stores it: 1.0 is 100 %, -1 unset.
  double ZoomFactor;

  // The zoom in percent: 0 when unset.
  double Zoom() const { return ZoomFactor == -1 ? 0 : ZoomFactor * 100; }
  void SetZoom(double percent) { ZoomFactor = percent / 100; }
};

// Page objects by store key to 1-based page number (the first listing wins), so that
// many destinations are resolved without a walk of the page list each.
class TkvPageIndex {
 public:
  explicit TkvPageIndex(const TkvCustomPDFDocument& doc);
  // 0 when the key names no page of the document.
  int32_t PageOf(int64_t key) const;

 private:
  std::unordered_map<int64_t, int32_t> pages_;
};

// The destination an explicit destination array names, in the document's unit. Numbers of
// another kind are read as unset after a warning. `index` may be null (the page list is
// then searched).
std::unique_ptr<TkvPDFDestination> ReadDestination(TkvCustomPDFDocument& doc, const TkvPDFArrayObject& array,
                                                   const TkvPageIndex* index = nullptr);

// The destination array for `dest`: a reference to its page, the type's name and its
// coordinates in points from the bottom-left corner. Raises EInvalidPageError for a page
// outside the document.
std::unique_ptr<TkvPDFArrayObject> BuildDestinationArray(const TkvCustomPDFDocument& doc,
                                                         const TkvPDFDestination& dest);

}  // namespace kv
