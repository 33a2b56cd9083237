// Markings: the content text of text and image templates, where their turned boxes land
// on the page, and how stamping changes pages' /Contents and /Resources.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"
#include "pdf/features/kvWatermarkConsts.h"
#include "pdf/features/kvWatermarkTemplates.h"

using namespace kv;
using namespace kvtest;

namespace {

std::vector<std::string> ContentLines(const std::string& content) {
  EXPECT_TRUE(content.ends_with("Q\r\n")) << content;
  std::vector<std::string> lines;
  std::stringstream ss(content.substr(0, content.size() - 1));
  for (std::string line; std::getline(ss, line, '\r');) lines.push_back(line);
  return lines;
}

std::vector<double> Numbers(const std::string& line) {
  std::vector<double> out;
  std::stringstream ss(line);
  for (std::string item; ss >> item;) {
    double v;
    if (TryStrToFloat(item, v)) out.push_back(v);
  }
  return out;
}

std::unique_ptr<TkvImageWaterMarkTemplate> ImageTemplate(double w, double h) {
  auto t = std::make_unique<TkvImageWaterMarkTemplate>();
  t->Image = std::make_unique<TkvPicture>(pfPNG, 13, 7);
  t->Width = w;
  t->Height = h;
  return t;
}

TEST(MarkingContent, ImageAtTheCornerAtItsPixelSize) {
  auto t = ImageTemplate(0, 0);
  t->HorizontalPosition = hpLeft;
  t->VerticalPosition = vpBottom;
  double x, y;
  t->AnchorPoint({0, 0, 612, 792}, muPoints, x, y);
  EXPECT_EQ(t->WatermarkContent("/XKRImg42", x, y),
            "q\r0 g 0 G\r1 0 0 1 0.000 0.000 cm\r1.000 0.000 0.000 1.000 0 0 cm\r"
            "13.000 0.000 0.000 7.000 0 0 cm\r/XKRImg42 Do\rQ\r\n");
  EXPECT_EQ(t->Width, 13);  // the picture's size is kept in the template
}

TEST(MarkingContent, NumbersAreLocaleFreeAndNeverNegativeZero) {
  struct Row {
    double Value;
    int Decimals;
    const char* Text;
  } rows[] = {{0.5, 3, "0.500"},   {0, 3, "0.000"},     {-0.0, 4, "0.0000"},   {-0.00004, 4, "0.0000"},
              {-0.5, 3, "-0.500"}, {612, 3, "612.000"}, {1.23456, 4, "1.2346"}};
  for (const Row& r : rows) EXPECT_EQ(FixedText(r.Value, r.Decimals), r.Text) << r.Value;
  EXPECT_EQ(ColorText(0x0000FF), "1.0000 0.0000 0.0000");
  EXPECT_EQ(ColorText(0x80FF00), "0.0000 1.0000 0.5020");
  EXPECT_EQ(ColorText(0x80000005), "1.0000 1.0000 1.0000");  // a system colour: the window's white
}

// The corners of the image's box on the page, from the two "cm" lines.
struct Box {
  double Left, Right, Bottom, Top;
};
Box PlacedBox(const std::string& content, double w, double h) {
  std::vector<std::string> lines = ContentLines(content);
  std::vector<double> move = Numbers(lines[2]), turn = Numbers(lines[3]);
  double x = move[4], y = move[5], c = turn[0], s = turn[1];
  Box b{1e9, -1e9, 1e9, -1e9};
  for (auto [px, py] : {std::pair{0.0, 0.0}, {w, 0.0}, {0.0, h}, {w, h}}) {
    double bx = x + px * c - py * s, by = y + px * s + py * c;
    b = {std::min(b.Left, bx), std::max(b.Right, bx), std::min(b.Bottom, by), std::max(b.Top, by)};
  }
  return b;
}

// Every position and angle puts the turned box against the edge it names (or centred),
// on pages whose box starts at 0 and on pages whose box does not.
TEST(MarkingPlacement, TurnedBoxesMeetTheEdgesTheyAreAnchoredTo) {
  // The turn is written with three decimals: corners 100 points away may be 0.05 off.
  const double w = 100, h = 50, tolerance = 0.06;
  for (TkvPDFRect page : {TkvPDFRect{0, 0, 612, 792}, TkvPDFRect{100, 100, 712, 892}}) {
    for (int angle : {0, 1, 30, 45, 89, 90, 91, 120, 135, 179, 180, 181, 200, 225, 269, 270, 271, 300, 330, 359, 360}) {
      for (auto hp : {hpLeft, hpCenter, hpRight}) {
        for (auto vp : {vpTop, vpMiddle, vpBottom}) {
          auto t = ImageTemplate(w, h);
          t->Angle = angle;
          t->HorizontalPosition = hp;
          t->VerticalPosition = vp;
          double x, y;
          t->AnchorPoint(page, muPoints, x, y);
          Box b = PlacedBox(t->WatermarkContent("/I", x, y, page.Left, page.Bottom), w, h);
          SCOPED_TRACE("page left " + std::to_string(page.Left) + " angle " + std::to_string(angle) + " hp " +
                       std::to_string(hp) + " vp " + std::to_string(vp));
          if (hp == hpLeft) {
            EXPECT_NEAR(b.Left, page.Left, tolerance);
          } else if (hp == hpRight) {
            EXPECT_NEAR(b.Right, page.Right, tolerance);
          } else {
            EXPECT_NEAR((b.Left + b.Right) / 2, (page.Left + page.Right) / 2, tolerance);
          }
          if (vp == vpTop) {
            EXPECT_NEAR(b.Top, page.Top, tolerance);
          } else if (vp == vpBottom) {
            EXPECT_NEAR(b.Bottom, page.Bottom, tolerance);
          } else {
            EXPECT_NEAR((b.Bottom + b.Top) / 2, (page.Bottom + page.Top) / 2, tolerance);
          }
        }
      }
    }
  }
}

TEST(MarkingPlacement, CustomPositionsAreDistancesFromTheLeftAndTopEdges) {
  struct Row {
    TkvMeasurementUnit Unit;
    double X, Y;
    double Left, Top;  // expected box corner, points
  } rows[] = {{muPoints, 72, 72, 72, 720}, {muInches, 1, 2, 72, 648}, {muMM, 10, 0, 28.35, 792}};
  for (const Row& r : rows) {
    auto t = ImageTemplate(100, 50);
    t->HorizontalPosition = hpCustom;
    t->VerticalPosition = vpCustom;
    t->X = r.X;
    t->Y = r.Y;
    double x, y;
    t->AnchorPoint({0, 0, 612, 792}, r.Unit, x, y);
    Box b = PlacedBox(t->WatermarkContent("/I", x, y), 100, 50);
    EXPECT_NEAR(b.Left, r.Left, 0.01);
    EXPECT_NEAR(b.Top, r.Top, 0.01);
  }
}

// ---- text ----

std::unique_ptr<TkvTextWaterMarkTemplate> TextTemplate(const std::string& text, int angle, uint8_t style) {
  auto t = std::make_unique<TkvTextWaterMarkTemplate>();
  t->Text = text;
  t->Font.Name = "Arial";
  t->Font.Size = 24;
  t->Font.Charset = kAnsiCharset;
  t->Font.Style = style;
  t->Font.Color = 0x0000FF;
  t->StrokeColor = 0xFF0000;
  t->RenderingMode = 2;
  t->Angle = angle;
  return t;
}

TEST(MarkingContent, TextLinesWithUnderlineAndStrikeOut) {
  auto t = TextTemplate("a(b)\\c", 0, fsUnderline | fsStrikeOut);
  double x, y;
  t->AnchorPoint({0, 0, 612, 792}, muPoints, x, y);
  std::vector<std::string> lines = ContentLines(t->WatermarkContent("/XKRFnt7", x, y));
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "q");
  EXPECT_EQ(lines[1], "BT");
  EXPECT_TRUE(std::regex_match(lines[2], std::regex("-?[0-9.]+ Tc 0 Tw 100 Tz 0 TL"))) << lines[2];
  EXPECT_EQ(lines[3], "1.0000 0.0000 0.0000 rg");
  EXPECT_EQ(lines[4], "0.0000 0.0000 1.0000 RG");
  EXPECT_EQ(lines[5], "2 Tr");
  EXPECT_EQ(lines[6], "/XKRFnt7 24 Tf");
  EXPECT_TRUE(
      std::regex_match(lines[7], std::regex("1.0000 0.0000 0.0000 1.0000 [0-9]+\\.[0-9]{3} [0-9]+\\.[0-9]{3} Tm")))
      << lines[7];
  // Parentheses and backslashes are escaped: the page's content stays whole.
  EXPECT_EQ(lines[8], "(a\\(b\\)\\\\c) Tj");
  EXPECT_EQ(lines[9], "ET");
  const std::regex rule(
      "[0-9.]+ w 1.0000 0.0000 0.0000 rg 1.0000 0.0000 0.0000 RG [-0-9.]+ [-0-9.]+ m [-0-9.]+ [-0-9.]+ l B");
  EXPECT_TRUE(std::regex_match(lines[10], rule)) << lines[10];
  EXPECT_TRUE(std::regex_match(lines[11], rule)) << lines[11];
  EXPECT_EQ(lines[12], "Q");

  // Centred: the text's box (as long as the underline) is centred across the page; the
  // underline runs below the baseline and the strike-out above it.
  std::vector<double> at = Numbers(lines[7]), under = Numbers(lines[10]), strike = Numbers(lines[11]);
  double width = under[9] - under[7];
  EXPECT_GT(width, 24);
  EXPECT_NEAR(at[4] + width / 2, 306, 0.01);
  EXPECT_NEAR(under[7], at[4], 0.001);
  EXPECT_LT(under[8], at[5]);
  EXPECT_GT(strike[8], at[5]);
  EXPECT_NEAR(strike[9] - strike[7], width, 0.001);
}

TEST(MarkingContent, TurnedTextTurnsItsLines) {
  for (int angle : {90, 360}) {
    auto t = TextTemplate("Turned", angle, fsUnderline);
    std::vector<std::string> lines = ContentLines(t->WatermarkContent("/F", 300, 400));
    std::vector<double> at = Numbers(lines[7]), under = Numbers(lines[10]);
    if (angle == 90) {
      EXPECT_EQ(lines[7].substr(0, 31), "0.0000 1.0000 -1.0000 0.0000 30");
      EXPECT_GT(under[7], at[4]);  // below a baseline turned upwards is to its right
      EXPECT_NEAR(under[9], under[7], 0.001);
      EXPECT_GT(under[10], under[8]);
    } else {
      EXPECT_EQ(t->Angle, 0);  // 360 is a full turn, kept as 0
      EXPECT_EQ(lines[7].substr(0, 27), "1.0000 0.0000 0.0000 1.0000");
    }
  }
}

// ---- stamping pages ----

// A document of `pages` pages, each drawing its number with a font of its resources.
// Page k's content is object 3 + 2k, its page object 4 + 2k (k from 0).
std::string PagesPdf(int pages, const std::vector<std::string>& boxes = {}) {
  std::vector<std::string> objs = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                   "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
  std::string kids;
  for (int k = 0; k < pages; ++k) {
    std::string box = k < static_cast<int>(boxes.size()) ? boxes[static_cast<size_t>(k)] : "[0 0 612 792]";
    objs.push_back("<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 72 700 Td (Page " + std::to_string(k + 1) +
                   ") Tj ET\nendstream");
    objs.push_back("<< /Type /Page /Parent 2 0 R /MediaBox " + box +
                   " /Resources << /Font << /F1 3 0 R >> >> /Contents " + std::to_string(4 + 2 * k) + " 0 R >>");
    kids += std::to_string(5 + 2 * k) + " 0 R ";
  }
  objs[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  return MakePdf(objs);
}

// What a page's /Contents holds, one word per stream: "page" (its own), "q", "Q",
// "image" or "text" (markings).
std::string ContentsShape(TkvPDFDocument& doc, int page) {
  auto* dict = static_cast<TkvPDFDictObject*>(doc.Pages[static_cast<size_t>(page - 1)]->Value.get());
  TkvPDFObject* contents = doc.ObjectStore->Resolve(dict->GetValue("/Contents"));
  std::vector<TkvPDFObject*> items;
  if (contents && contents->IsArray())
    for (auto& item : static_cast<TkvPDFArrayObject*>(contents)->Items) items.push_back(item.get());
  else
    items.push_back(dict->GetValue("/Contents"));
  std::string shape;
  for (TkvPDFObject* item : items) {
    auto* stream = static_cast<TkvPDFStreamObject*>(doc.ObjectStore->Resolve(item));
    std::string data(stream ? stream->DataBytes() : "?");
    std::string word = data == "q" || data == "Q"   ? data
                       : data.starts_with("q\r0 g") ? "image"
                       : data.starts_with("q\rBT")  ? "text"
                                                    : "page";
    shape += (shape.empty() ? "" : " ") + word;
  }
  return shape;
}

struct Stamped {
  TempDir Dir;
  TkvPDFDocument Doc;
  explicit Stamped(const std::string& pdf) {
    EXPECT_TRUE(LoadText(Doc, Dir, pdf));
    Doc.SetMeasurementUnit(muPoints);
  }
  void Stamp(bool overlay, const std::string& range = "") {
    auto t = ImageTemplate(20, 10);
    t->Overlay = overlay;
    Doc.InsertWatermark(*t, range);
  }
  // Saves, checks with qpdf and returns the page texts.
  std::vector<std::string> Save() {
    std::string out = Dir.File("out.pdf");
    Doc.SaveToFileAs(out);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    return AllPageTexts(out);
  }
};

TEST(Stamping, UnderlaysGoFirstAndOverlaysWrapThePageOnce) {
  struct Row {
    std::vector<bool> Overlays;
    const char* Shape;
  } rows[] = {
      {{false}, "image page"},
      {{true}, "q page Q image"},
      {{true, true}, "q page Q image image"},
      {{false, true}, "q image page Q image"},
      {{true, false}, "image q page Q image"},
  };
  for (const Row& r : rows) {
    Stamped s(PagesPdf(2));
    for (bool overlay : r.Overlays) s.Stamp(overlay, "2");
    EXPECT_EQ(ContentsShape(s.Doc, 2), r.Shape);
    EXPECT_EQ(ContentsShape(s.Doc, 1), "page");
    EXPECT_EQ(s.Save(), (std::vector<std::string>{"Page 1", "Page 2"}));
  }
}

TEST(Stamping, ContentArraysDirectOrBehindAReference) {
  std::string direct = MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << >> "
                                "/Contents [4 0 R 4 0 R] >>",
                                "<< /Length %LEN% >>\nstream\n0 0 m 10 10 l S\nendstream"});
  std::string shared = MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 5 0 R >>", "[6 0 R]",
                                "<< /Length %LEN% >>\nstream\n0 0 m 10 10 l S\nendstream"});
  {
    Stamped s(direct);
    s.Stamp(true);
    s.Stamp(false);
    EXPECT_EQ(ContentsShape(s.Doc, 1), "image q page page Q image");
    s.Save();
  }
  {
    // Both pages show the one array: each marking goes into it once.
    Stamped s(shared);
    s.Stamp(true);
    EXPECT_EQ(ContentsShape(s.Doc, 1), "q page Q image");
    EXPECT_EQ(ContentsShape(s.Doc, 2), "q page Q image");
    s.Save();
  }
}

// A blank page may have neither content nor resources: the marking becomes its content.
TEST(Stamping, PageWithoutContentsOrResources) {
  Stamped s(MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] >>"}));
  s.Stamp(true);
  EXPECT_EQ(ContentsShape(s.Doc, 1), "image");
  s.Stamp(true);
  EXPECT_EQ(ContentsShape(s.Doc, 1), "q image Q image");
  s.Save();
}

TEST(Stamping, PagesOfOneSizeShareOneStreamAndOneResource) {
  const int pages = 40;
  std::vector<std::string> boxes(pages, "[0 0 612 792]");
  boxes[7] = boxes[21] = "[0 0 842 595]";
  Stamped s(PagesPdf(pages, boxes));
  s.Stamp(false);
  std::string out = s.Dir.File("out.pdf");
  s.Doc.SaveToFileAs(out);
  std::string counts = Python(s.Dir, R"(
from pypdf import PdfReader
r = PdfReader(')" + out + R"(')
marks, images = set(), set()
for p in r.pages:
    marks.add(p['/Contents'][0].idnum)
    images.update(x.idnum for x in p['/Resources']['/XObject'].values())
print(len(r.pages), len(marks), len(images))
)");
  EXPECT_EQ(counts, "40 2 1\n");
}

// A marking is placed in the part of the page a reader sees: the crop box, within the
// media box.
TEST(Stamping, PlacedInTheVisiblePartOfThePage) {
  struct Row {
    const char* Boxes;
    double CenterX, CenterY;
  } rows[] = {{"/MediaBox [0 0 612 792] /CropBox [0 432 360 792]", 180, 612},
              {"/MediaBox [0 0 612 792] /CropBox [-50 -50 900 900]", 306, 396},
              {"/MediaBox [612 792 0 0]", 306, 396},
              {"/MediaBox [0 0 612 792] /CropBox [10 10 10 10]", 306, 396},
              {"/MediaBox [0 0 612 792] /CropBox [0 0 /x 7]", 306, 396},
              {"", 306, 396}};  // no box: a letter-size page
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Boxes);
    Stamped s(MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                       std::string("<< /Type /Page /Parent 2 0 R ") + r.Boxes + " >>"}));
    s.Stamp(false);
    auto* page = static_cast<TkvPDFDictObject*>(s.Doc.Pages[0]->Value.get());
    auto* mark = static_cast<TkvPDFStreamObject*>(s.Doc.ObjectStore->Resolve(page->GetValue("/Contents")));
    Box b = PlacedBox(std::string(mark->DataBytes()), 20, 10);
    EXPECT_NEAR((b.Left + b.Right) / 2, r.CenterX, 0.01);
    EXPECT_NEAR((b.Bottom + b.Top) / 2, r.CenterY, 0.01);
  }
}

TEST(Stamping, FailuresNameThePageAndKeepEarlierMarkings) {
  std::string pdf =
      MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 6 0 R >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 42 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources 7 /Contents 6 0 R >>",
               "<< /Length %LEN% >>\nstream\n0 0 m 10 10 l S\nendstream"});
  {
    Stamped s(pdf);
    ExpectRaises<EUnexpectedError>([&] { s.Stamp(false); }, "Unexpected content object for page 2");
    EXPECT_EQ(ContentsShape(s.Doc, 1), "image page");
  }
  {
    Stamped s(pdf);
    ExpectRaises<EUnexpectedError>([&] { s.Stamp(false, "3"); }, "Error inserting page resource");
  }
  {
    Stamped s(pdf);
    ExpectRaises<EInvalidPageError>([&] { s.Stamp(false, "2-9"); }, "Invalid page range (2-9)");
    EXPECT_EQ(ContentsShape(s.Doc, 1), "page");
  }
}

// Markings are counted like everything else: pages deleted after stamping take theirs
// along, and a resource name a page already has is left alone.
TEST(Stamping, DeletedPagesTakeTheirMarkingsAlong) {
  Stamped s(PagesPdf(3));
  s.Stamp(true, "2");
  s.Doc.DeletePages("2");
  EXPECT_EQ(s.Save(), (std::vector<std::string>{"Page 1", "Page 3"}));
  std::string written = ReadFile(s.Dir.File("out.pdf"));
  EXPECT_EQ(written.find("XKRImg"), std::string::npos);
  EXPECT_EQ(written.find("stream\r\nq\r\nendstream"), std::string::npos);
}

TEST(Stamping, TheWholeDocumentForm) {
  Stamped s(PagesPdf(3));
  auto t = TextTemplate("Draft", 0, 0);
  t->Overlay = true;
  s.Doc.InsertWatermark(*t);
  for (int page = 1; page <= 3; ++page) EXPECT_EQ(ContentsShape(s.Doc, page), "q page Q text");
  std::vector<std::string> texts = s.Save();
  for (int page = 1; page <= 3; ++page)
    EXPECT_NE(texts[static_cast<size_t>(page - 1)].find("Draft"), std::string::npos);
}

}  // namespace
