// Destinations between the file (points from the bottom-left corner) and the host (the
// document's unit from the top-left corner), both ways, for every fit type and unit.
#include <gtest/gtest.h>

#include "document/DocTestUtil.h"
#include "pdf/document/kvPDFDoc.h"

using namespace kv;
using namespace kvtest;

namespace {

constexpr double U = -1;  // unset

// Page 1 is Letter (612 x 792), page 2 is 300 x 400; the outline's one item has `dest`.
std::string DocWithDest(const std::string& dest) {
  return MakePdf({"<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>",
                  "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] >>",
                  "<< /Type /Outlines /First 6 0 R /Last 6 0 R /Count 1 >>",
                  "<< /Title (Item) /Parent 5 0 R /Dest " + dest + " >>"});
}

struct ReadCase {
  TkvMeasurementUnit Unit;
  std::string Array;
  int32_t Page;
  TkvDestinationType Type;
  double Left, Bottom, Right, Top, Zoom;
};

TEST(Destinations, ReadFromTheFileInTheDocumentsUnit) {
  const ReadCase cases[] = {
      {muPoints, "[3 0 R /FitH 700]", 1, dtFitH, U, U, U, 92, U},
      {muPoints, "[3 0 R /XYZ 72 700 null]", 1, dtXYZ, 72, U, U, 92, U},
      {muPoints, "[3 0 R /XYZ null null null]", 1, dtXYZ, U, U, U, U, U},
      {muPoints, "[3 0 R /XYZ 0 792 0]", 1, dtXYZ, 0, U, U, 0, 0},
      {muInches, "[3 0 R /XYZ 72 720 1.5]", 1, dtXYZ, 1, U, U, 1, 1.5},
      {muMM, "[3 0 R /FitV 28.35]", 1, dtFitV, 10, U, U, U, U},
      {muTwips, "[3 0 R /FitR 0 0 612 792]", 1, dtFitR, 0, 15840, 12240, 0, U},
      {muPixels, "[3 0 R /FitBH 792]", 1, dtFitBH, U, U, U, 0, U},
      {muPixels, "[3 0 R /FitBV 72]", 1, dtFitBV, 96, U, U, U, U},
      {muPoints, "[4 0 R /FitH 100]", 2, dtFitH, U, U, U, 300, U},
      // Above the top edge: the distance from it is never negative.
      {muPoints, "[3 0 R /FitH 900]", 1, dtFitH, U, U, U, 0, U},
      {muPoints, "[4 0 R /Fit]", 2, dtFit, U, U, U, U, U},
      {muPoints, "[3 0 R /FitB]", 1, dtFitB, U, U, U, U, U},
      // Targets that are no page of the document.
      {muPoints, "[99 0 R /Fit]", -1, dtFit, U, U, U, U, U},
      {muPoints, "[5 0 R /Fit]", -1, dtFit, U, U, U, U, U},
      {muPoints, "[0 /FitV 10]", -1, dtFitV, 10, U, U, U, U},
      // A short array leaves the missing values unset.
      {muPoints, "[3 0 R /XYZ 10]", 1, dtXYZ, 10, U, U, U, U},
  };
  TempDir dir;
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.Array);
    TkvPDFDocument doc;
    doc.SetMeasurementUnit(c.Unit);
    ASSERT_TRUE(LoadText(doc, dir, DocWithDest(c.Array)));
    std::unique_ptr<TkvPDFDestination> d = doc.Outlines()->FirstChild()->Destination();
    ASSERT_TRUE(d);
    EXPECT_EQ(c.Page, d->Page);
    EXPECT_EQ(c.Type, d->DestType);
    EXPECT_NEAR(c.Left, d->Left, 1e-9);
    EXPECT_NEAR(c.Bottom, d->Bottom, 1e-9);
    EXPECT_NEAR(c.Right, d->Right, 1e-9);
    EXPECT_NEAR(c.Top, d->Top, 1e-9);
    EXPECT_NEAR(c.Zoom, d->ZoomFactor, 1e-9);
  }
}

TEST(Destinations, NumbersOfAnotherKindAreUnsetWithAWarning) {
  TempDir dir;
  TkvPDFDocument doc;
  doc.SetMeasurementUnit(muPoints);
  EventLog log;
  log.Attach(doc);
  ASSERT_TRUE(LoadText(doc, dir, DocWithDest("[3 0 R /XYZ (left) 700 /Zoom]")));
  std::unique_ptr<TkvPDFDestination> d = doc.Outlines()->FirstChild()->Destination();
  EXPECT_EQ(U, d->Left);
  EXPECT_EQ(92, d->Top);
  EXPECT_EQ(U, d->ZoomFactor);
  EXPECT_EQ((std::vector<std::string>{"warning Unexpected Error", "warning Unexpected Error"}), log.With("warning"));
}

// The written array after the page reference: type name and numbers.
std::string Built(const TkvPDFDocument& doc, const TkvPDFDestination& dest) {
  std::unique_ptr<TkvPDFArrayObject> a = BuildDestinationArray(doc, dest);
  EXPECT_TRUE(a->GetItem(0)->IsReference());
  EXPECT_EQ(doc.Pages[static_cast<size_t>(dest.Page - 1)]->Key(),
            static_cast<TkvPDFIndirectReference*>(a->GetItem(0))->Key());
  std::string text;
  for (int32_t i = 1; i < a->Count(); ++i) text += (i > 1 ? " " : "") + a->GetItem(i)->ToText();
  return text;
}

TEST(Destinations, BuiltInPointsFromTheBottomLeftCorner) {
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, DocWithDest("[3 0 R /Fit]")));
  TkvPDFDestination unsetZoom(1, dtXYZ, 72, 92, 0);
  unsetZoom.ZoomFactor = U;
  const std::tuple<TkvMeasurementUnit, TkvPDFDestination, std::string> cases[] = {
      {muPoints, TkvPDFDestination(1, 92.0, dtFitH), "/FitH 700"},
      {muPoints, TkvPDFDestination(1, dtXYZ, 72, 92, 150), "/XYZ 72 700 1.5"},
      {muPoints, unsetZoom, "/XYZ 72 700 null"},
      {muPoints, TkvPDFDestination(1, dtXYZ, U, U, 0), "/XYZ null null 0"},
      {muInches, TkvPDFDestination(1, dtXYZ, 1, 1, 100), "/XYZ 72 720 1"},
      {muMM, TkvPDFDestination(1, 10.0, dtFitV), "/FitV 28.35"},
      {muPixels, TkvPDFDestination(1, 96.0, dtFitBH), "/FitBH 720"},
      {muTwips, TkvPDFDestination(1, dtFitR, 0, 15840, 12240, 0), "/FitR 0 0 612 792"},
      {muPoints, TkvPDFDestination(2, 300.0, dtFitBH), "/FitBH 100"},
      // Beyond the right edge X becomes 0; below the bottom edge Y becomes the top.
      {muPoints, TkvPDFDestination(1, 700.0, dtFitV), "/FitV 0"},
      {muPoints, TkvPDFDestination(1, 900.0, dtFitH), "/FitH 792"},
      // A hair beyond an edge (a rounded value shown in another unit) is on the edge.
      {muPoints, TkvPDFDestination(1, 612.004, dtFitV), "/FitV 612"},
      {muPoints, TkvPDFDestination(1, 792.005, dtFitH), "/FitH 0"},
      {muMM, TkvPDFDestination(1, dtFitR, 0, 279.3651, 100, 0), "/FitR 0 0 283.5 792"},
      {muPoints, TkvPDFDestination(1, dtFit), "/Fit"},
      {muPoints, TkvPDFDestination(2, dtFitB), "/FitB"},
  };
  for (const auto& [unit, dest, expected] : cases) {
    SCOPED_TRACE(expected);
    doc.SetMeasurementUnit(unit);
    EXPECT_EQ(expected, Built(doc, dest));
  }
  ExpectRaises<EInvalidPageError>([&] { BuildDestinationArray(doc, TkvPDFDestination(0, dtFit)); },
                                  "Invalid page number (0)");
  ExpectRaises<EInvalidPageError>([&] { BuildDestinationArray(doc, TkvPDFDestination(3, dtFit)); },
                                  "Invalid page number (3)");
}

// What is read and written back again is the file's destination, in every unit.
TEST(Destinations, ReadingThenBuildingGivesTheFilesValues) {
  const char* arrays[] = {"[3 0 R /XYZ 72 700 null]", "[3 0 R /XYZ null 500 2]", "[4 0 R /FitR 10 20 290 380]",
                          "[3 0 R /FitH 1.5]",        "[4 0 R /FitBV 299]",      "[3 0 R /FitB]"};
  TempDir dir;
  for (TkvMeasurementUnit unit : {muPixels, muPoints, muInches, muMM, muTwips})
    for (const char* array : arrays) {
      SCOPED_TRACE(array);
      TkvPDFDocument doc;
      doc.SetMeasurementUnit(unit);
      ASSERT_TRUE(LoadText(doc, dir, DocWithDest(array)));
      std::unique_ptr<TkvPDFDestination> d = doc.Outlines()->FirstChild()->Destination();
      std::string a = array;
      EXPECT_EQ(a.substr(a.find('/'), a.size() - a.find('/') - 1), Built(doc, *d));
    }
}

// The zoom is given and shown in percent, stored as the file's factor; the one-value form
// takes only the four types that have one value.
TEST(Destinations, ZoomAndTheOneValueForm) {
  TkvPDFDestination xyz(1, dtXYZ, 10, 20, 150);
  EXPECT_EQ(1.5, xyz.ZoomFactor);
  EXPECT_EQ(150, xyz.Zoom());
  xyz.ZoomFactor = U;
  EXPECT_EQ(0, xyz.Zoom());
  for (TkvDestinationType t : {dtFitV, dtFitBV, dtFitH, dtFitBH}) {
    TkvPDFDestination one(1, 7.0, t);
    bool vertical = t == dtFitV || t == dtFitBV;
    EXPECT_EQ(vertical ? 7 : U, one.Left);
    EXPECT_EQ(vertical ? U : 7, one.Top);
  }
  for (TkvDestinationType t : {dtXYZ, dtFit, dtFitR, dtFitB})
    ExpectRaises<EUnexpectedDestType>([&] { TkvPDFDestination(1, 7.0, t); }, "Unexpected Destination Type");
}

}  // namespace
