// Page thumbnails: pypdf finds a /Thumb image of the picture's size and pixels on the
// pages given one, and on no other page; a page keeps only its latest thumbnail.
#include <gtest/gtest.h>

#include "document/DocTestUtil.h"
#include "pdf/features/kvPicture.h"

using namespace kv;
using namespace kvtest;

namespace {

// For every page: "-" without a thumbnail, else "W x H" and whether its samples are the
// picture PIL reads from the file given for that page (flattened onto white when it has
// transparency, as a thumbnail is shown), then how many image objects the file holds.
constexpr const char* kThumbs = R"(
import sys
from pypdf import PdfReader
from PIL import Image
r = PdfReader(sys.argv[1])
pictures = dict(a.split('=', 1) for a in sys.argv[2:])
for i, p in enumerate(r.pages):
    t = p.get('/Thumb')
    if t is None:
        print('-'); continue
    t = t.get_object()
    im = Image.open(pictures[str(i + 1)]).convert('RGBA')
    white = Image.new('RGBA', im.size, (255, 255, 255, 255))
    want = Image.alpha_composite(white, im).convert('RGB').tobytes()
    got = t.get_data()
    same = len(got) == len(want) and max(abs(a - b) for a, b in zip(got, want)) <= 1
    print('%d x %d %s %s' % (t['/Width'], t['/Height'], t['/ColorSpace'], 'same' if same else 'differs'))
print(sum(1 for o in range(1, r.trailer['/Size']) if getattr(r.get_object(o), 'get', lambda k: None)('/Subtype') == '/Image'))
)";

TEST(Thumbnails, OnTheNamedPagesOnlyAndOnlyTheLatest) {
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(DataPath("iwb-radio.pdf")));
  const std::string first = DataPath("pictures/rose-rgb-baseline.jpg"), logo = DataPath("pictures/logo-rgba.png"),
                    bitmap = DataPath("pictures/gradient-37x23-24bit.bmp");
  doc.SetPageThumbnail(1, *LoadPictureFromFile(first));
  doc.SetPageThumbnail(1, *LoadPictureFromFile(logo));  // replaces the first
  doc.SetPageThumbnail(3, *LoadPictureFromFile(bitmap));
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  WriteFile(dir.File("thumbs.py"), kThumbs);
  CommandResult r = kvtest::Run("/usr/bin/python3 " + ShellQuote(dir.File("thumbs.py")) + " " + ShellQuote(out) +
                                " 1=" + ShellQuote(logo) + " 3=" + ShellQuote(bitmap));
  EXPECT_EQ(r.Output,
            "256 x 192 /DeviceRGB same\n"
            "-\n"
            "37 x 23 /DeviceRGB same\n"
            "2\n");  // the replaced thumbnail is not written
}

TEST(Thumbnails, PagesOutOfRangeAreRefusedAndLeftAlone) {
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(DataPath("iwb-radio.pdf")));
  TkvPicture picture(pfBitmap, 4, 4);
  for (int page : {0, -1, 4}) {
    ExpectRaises<EInvalidPageError>([&] { doc.SetPageThumbnail(page, picture); },
                                    "Invalid page number (" + std::to_string(page) + ")");
  }
  for (TkvPDFIndirectObject* page : doc.Pages)
    EXPECT_EQ(static_cast<TkvPDFDictObject*>(page->Value.get())->GetValue("/Thumb"), nullptr);
}

}  // namespace
