// Stamping real files, checked with independent tools: qpdf finds the output sound,
// pdftotext finds each page's own text and the stamp's on the pages named, pdftoppm's
// rendering changes only where the stamp belongs, and the image XObject that pypdf
// decodes holds the pixels PIL reads from the picture file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"
#include "pdf/features/kvWatermarkTemplates.h"

using namespace kv;
using namespace kvtest;

namespace {

std::string Squeeze(const std::string& s) {
  std::string out;
  for (char c : s)
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  return out;
}

// Process code page for a test's texts; restored afterwards.
struct CodePage {
  int Saved = GetACP();
  explicit CodePage(int cp) { SetACP(cp); }
  ~CodePage() { SetACP(Saved); }
};

TEST(StampRealFiles, TextsInThreeScriptsOnTheNamedPagesOnly) {
  CodePage utf8(65001);
  struct Row {
    const char* Text;
    uint8_t Charset;
  } rows[] = {{"DRAFT (v2) \\ internal", kAnsiCharset},
              {"\xD0\xA7\xD0\x95\xD0\xA0\xD0\x9D\xD0\x9E\xD0\x92\xD0\x98\xD0\x9A", kRussianCharset},  // ЧЕРНОВИК
              {"\xCE\xA0\xCE\xA1\xCE\x9F\xCE\xA7\xCE\x95\xCE\x99\xCE\xA1\xCE\x9F", kGreekCharset}};  // ΠΡΟΧΕΙΡΟ
  const std::string source = DataPath("glpk-cnfsat.pdf");
  const std::vector<std::string> before = AllPageTexts(source);
  ASSERT_EQ(before.size(), 6u);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Text);
    TempDir dir;
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(source));
    TkvTextWaterMarkTemplate t;
    t.Text = row.Text;
    t.Font.Name = "Arial";
    t.Font.Size = 28;
    t.Font.Charset = row.Charset;
    t.Font.Color = 0x0000C0;
    t.Overlay = true;
    t.VerticalPosition = vpBottom;
    doc.InsertWatermark(t, "2,4-5");
    std::string out = dir.File("out.pdf");
    doc.SaveToFileAs(out);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    std::vector<std::string> after = AllPageTexts(out);
    ASSERT_EQ(after.size(), before.size());
    const std::string stamp = Squeeze(row.Text);
    for (size_t i = 0; i < after.size(); ++i) {
      bool named = i == 1 || i == 3 || i == 4;
      std::string text = Squeeze(after[i]);
      size_t at = text.find(stamp);
      EXPECT_EQ(at != std::string::npos, named) << "page " << i + 1 << ": " << after[i];
      if (at != std::string::npos) text.erase(at, stamp.size());
      // The stamp may change the order in which pdftotext reads a page's pieces, not
      // what they are.
      std::string was = Squeeze(before[i]);
      std::sort(text.begin(), text.end());
      std::sort(was.begin(), was.end());
      EXPECT_EQ(text, was) << "page " << i + 1;
    }
  }
}

// For each "picture output" line of the list: renders the three pages of the source and
// of the output at 72 dpi (a pixel a point) and prints the box of pixels that differ on
// each page ("none" when none do, else left top right bottom from the top-left corner);
// then compares the output's image XObject with the picture as PIL reads it, samples and
// soft mask, and prints "exact", "close" or what differs.
constexpr const char* kCheckStamps = R"(
import subprocess, sys
from PIL import Image, ImageChops
from pypdf import PdfReader
source, listing, tmp = sys.argv[1:4]
def render(pdf, page, name):
    subprocess.run(['pdftoppm', '-q', '-r', '72', '-f', str(page), '-l', str(page), '-singlefile', '-png', pdf,
                    tmp + '/' + name], check=True)
    return Image.open(tmp + '/' + name + '.png').convert('RGB')
originals = [render(source, p, 'source%d' % p) for p in (1, 2, 3)]
for line in open(listing):
    picture, out = line.split()
    boxes = []
    for p in (1, 2, 3):
        box = ImageChops.difference(originals[p - 1], render(out, p, 'out')).getbbox()
        boxes.append('none' if box is None else '%d %d %d %d' % box)
    xobjects = PdfReader(out).pages[1]['/Resources']['/XObject']
    x = [v.get_object() for k, v in xobjects.items() if k.startswith('/XKRImg')][0]
    im = Image.open(picture)
    ours, theirs = x.get_data(), im.convert('RGB').tobytes()
    ok = (x['/Width'], x['/Height'], x['/ColorSpace'], x['/BitsPerComponent']) == (im.width, im.height, '/DeviceRGB', 8)
    diff = max(abs(a - b) for a, b in zip(ours, theirs)) if len(ours) == len(theirs) else 999
    alpha = im.convert('RGBA').tobytes()[3::4]
    if '/SMask' in x:
        ok = ok and x['/SMask'].get_object().get_data() == alpha
    elif not picture.endswith('.bmp'):  # PIL does not read a bitmap's alpha
        ok = ok and all(v == 255 for v in alpha)
    verdict = ('exact' if diff == 0 else 'close' if diff <= 24 else 'differs %d' % diff) if ok else 'dictionary or mask'
    print(' | '.join(boxes + [verdict]))
)";

TEST(StampRealFiles, PicturesOfEveryReaderLandWhereTheyBelong) {
  struct Row {
    const char* Picture;
    bool Lossy;  // JPEG decoders may round differently
  } rows[] = {
      {"rose-32bit-alpha.bmp", false},    {"wizard-8bit-palette.bmp", false}, {"ico-sizes-32-alpha.ico", false},
      {"logo-rgba.png", false},           {"rose-palette.png", false},        {"png-rgb-interlaced.png", false},
      {"rose-rgb-progressive.jpg", true}, {"jpeg-cmyk-adobe.jpg", true},      {"logo-gray-baseline.jpg", true},
  };
  const std::string source = DataPath("iwb-radio.pdf");  // three pages of 360 x 360 points
  TempDir dir;
  std::string listing;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Picture);
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(source));
    doc.SetMeasurementUnit(muPoints);
    TkvImageWaterMarkTemplate t;
    std::string picture = DataPath(std::string("pictures/") + row.Picture);
    t.Image = LoadPictureFromFile(picture);
    t.Width = 120;
    t.Height = 80;
    t.HorizontalPosition = hpCustom;
    t.VerticalPosition = vpCustom;
    t.X = 30;
    t.Y = 40;
    t.Overlay = true;
    doc.InsertWatermark(t, "2");
    std::string out = dir.File(std::string(row.Picture) + ".pdf");
    doc.SaveToFileAs(out);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    listing += picture + " " + out + "\n";
  }
  WriteFile(dir.File("list"), listing);
  WriteFile(dir.File("check.py"), kCheckStamps);
  CommandResult r = kvtest::Run("/usr/bin/python3 " + ShellQuote(dir.File("check.py")) + " " + ShellQuote(source) +
                                " " + ShellQuote(dir.File("list")) + " " + ShellQuote(dir.Path()));
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  std::vector<std::string> lines = Lines(r.Output);
  ASSERT_EQ(lines.size(), std::size(rows)) << r.Output;
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(rows[i].Picture);
    int left, top, right, bottom;
    char verdict[32] = {};
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "none | %d %d %d %d | none | %31s", &left, &top, &right, &bottom, verdict),
              5)
        << lines[i];
    // Only page 2 changes, within the stamp's box: 30 to 150 points from the left and 40
    // to 120 from the top (the box is exclusive on the right and bottom).
    EXPECT_GE(left, 30);
    EXPECT_GE(top, 40);
    EXPECT_LE(right, 151);
    EXPECT_LE(bottom, 121);
    std::string v = verdict;
    EXPECT_TRUE(v == "exact" || (rows[i].Lossy && v == "close")) << lines[i];
  }
}

// Stamping a protected file keeps it protected and readable with its password.
TEST(StampRealFiles, EncryptedFilesStayEncrypted) {
  TempDir dir;
  TkvPDFDocument doc;
  doc.OnPassword = [](TkvCustomPDFDocument*, std::string& password, bool& cont) {
    password = "user128";
    cont = true;
  };
  ASSERT_TRUE(doc.LoadFromFile(DataPath("rc4-128-userpw.pdf")));
  TkvTextWaterMarkTemplate t;
  t.Text = "Reviewed";
  t.Font.Charset = kAnsiCharset;
  t.Font.Size = 30;
  doc.InsertWatermark(t);
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check, "user128")) << check;
  EXPECT_NE(PageText(out, 1, "user128").find("Reviewed"), std::string::npos);
  EXPECT_NE(kvtest::Run("qpdf --show-encryption --password=userpw " + ShellQuote(out)).Output.find("R = 3"),
            std::string::npos);
}

}  // namespace
