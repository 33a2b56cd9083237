// Font resources: their dictionaries in the object model, and a page drawn with them
// that viewers' tools read back (pdftotext, pdffonts, qpdf, pypdf with fontTools).
#include <gtest/gtest.h>

#include "FontTestUtil.h"
#include "core/kvUtils.h"
#include "pdf/features/kvExPDFDoc.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/fonts/kvExPDFFont.h"
#include "pdf/fonts/kvFontEncodings.h"
#include "pdf/fonts/kvTrueTypeSubset.h"

namespace {

using namespace kv;

class CodePageScope {
 public:
  explicit CodePageScope(int cp) : saved_(GetACP()) { SetACP(cp); }
  ~CodePageScope() { SetACP(saved_); }

 private:
  int saved_;
};

TkvFontDescription Font(const char* name, uint8_t charset, uint8_t style = 0) {
  TkvFontDescription d;
  d.Name = name;
  d.Charset = charset;
  d.Style = style;
  d.Size = 24;
  return d;
}

TkvPDFDictObject* DictOf(TkvPDFObjectStore& store, TkvPDFObject* ref) { return store.ResolveDictionary(ref); }

std::string NameOf(TkvPDFDictObject* d, const char* key) {
  auto* n = d ? dynamic_cast<TkvPDFNameObject*>(d->GetValue(key)) : nullptr;
  return n ? n->Value : std::string();
}

TEST(FontResource, SimpleAndCompositeFormsWithEachEmbeddingMode) {
  CodePageScope cp(65001);
  const std::string fontFile = kvtest::ReadFile(fonttest::FontFileFor("Arial"));
  for (int mode : {kEmbedNone, kEmbedWholeFont, kEmbedSubset}) {
    for (uint8_t charset : {kAnsiCharset, kRussianCharset}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + " charset " + std::to_string(charset));
      TkvPDFObjectStore store;
      auto ref = BuildFontResource(store, 3, Font("Arial", charset), "/XKRFnt42", mode, 0, "Hi");
      ASSERT_EQ(ref->Owner, 3);
      TkvPDFDictObject* font = DictOf(store, ref.get());
      ASSERT_NE(font, nullptr);
      const std::string tag = mode == kEmbedSubset ? "WYOIAS+" : "";
      EXPECT_EQ(NameOf(font, "/Name"), "/XKRFnt42");
      EXPECT_EQ(NameOf(font, "/BaseFont"), "/" + tag + "Arial");
      TkvPDFDictObject* descriptor;
      if (charset == kAnsiCharset) {
        EXPECT_EQ(NameOf(font, "/Subtype"), "/TrueType");
        EXPECT_EQ(NameOf(font, "/Encoding"), "/WinAnsiEncoding");
        EXPECT_EQ(font->GetValue("/FirstChar")->ToText(), "32");
        EXPECT_EQ(font->GetValue("/LastChar")->ToText(), "255");
        EXPECT_EQ(store.ResolveArray(font->GetValue("/Widths"))->Count(), 224);
        descriptor = DictOf(store, font->GetValue("/FontDescriptor"));
        EXPECT_EQ(store.Count(), mode == kEmbedNone ? 2 : 3);
      } else {
        EXPECT_EQ(NameOf(font, "/Subtype"), "/Type0");
        EXPECT_EQ(NameOf(font, "/Encoding"), "/Identity-H");
        auto* descendant = DictOf(store, store.ResolveArray(font->GetValue("/DescendantFonts"))->GetItem(0));
        EXPECT_EQ(NameOf(descendant, "/Subtype"), "/CIDFontType2");
        EXPECT_EQ(NameOf(descendant, "/CIDToGIDMap"), "/Identity");
        EXPECT_EQ(NameOf(descendant, "/BaseFont"), "/" + tag + "Arial");
        EXPECT_NE(store.Resolve(font->GetValue("/ToUnicode")), nullptr);
        descriptor = DictOf(store, descendant->GetValue("/FontDescriptor"));
        EXPECT_EQ(store.Count(), mode == kEmbedNone ? 4 : 5);
      }
      ASSERT_NE(descriptor, nullptr);
      EXPECT_EQ(NameOf(descriptor, "/FontName"), "/" + tag + "Arial");
      auto* file = static_cast<TkvPDFStreamObject*>(store.Resolve(descriptor->GetValue("/FontFile2")));
      ASSERT_EQ(file != nullptr, mode != kEmbedNone);
      for (int32_t i = 0; i < store.Count(); ++i) EXPECT_EQ(store.GetAt(i)->RefCount, 1u);
      if (!file) continue;
      std::string program;
      TkvFlateFilter().DecodeString(file->DataBytes(), program);
      EXPECT_EQ(file->Dictionary->GetValue("/Length1")->ToText(), std::to_string(program.size()));
      EXPECT_EQ(file->Dictionary->GetValue("/Length")->ToText(), std::to_string(file->DataBytes().size()));
      if (mode == kEmbedWholeFont) {
        EXPECT_EQ(program, fontFile);
      } else {
        EXPECT_LT(program.size(), fontFile.size() / 4);
      }
    }
  }
}

TEST(FontResource, BoldItalicNamesTheStyleInTheBaseFontOnly) {
  TkvPDFObjectStore store;
  auto ref = BuildFontResource(store, 1, Font("Times New Roman", kAnsiCharset, fsBold | fsItalic), "/F", 0, 0, "x");
  TkvPDFDictObject* font = DictOf(store, ref.get());
  EXPECT_EQ(NameOf(font, "/BaseFont"), "/TimesNewRoman,BoldItalic");
  EXPECT_EQ(NameOf(DictOf(store, font->GetValue("/FontDescriptor")), "/FontName"), "/TimesNewRoman");
}

TEST(FontResource, TextIsEncodedForTheForm) {
  CodePageScope cp(65001);
  TkvPDFExtendedFont simple(Font("Arial", kAnsiCharset), 0);
  EXPECT_EQ(simple.EncodeText("\xE2\x82\xAC\xC3\xA9\xD0\x96"), "\x80\xE9?");  // € é, Ж not in the encoding
  EXPECT_EQ(simple.TextOperand("a(b)\\"), "(a\\(b\\)\\\\)");
  TkvPDFExtendedFont macRoman(Font("Arial", kAnsiCharset), 0, 1);
  EXPECT_EQ(macRoman.EncodeText("\xC3\xA9"), "\x8E");
  TkvPDFExtendedFont composite(Font("Arial", kRussianCharset), 0);
  const uint32_t zhe = composite.GlyphOf(U'Ж');
  ASSERT_NE(zhe, 0u);
  EXPECT_EQ(composite.EncodeText("\xD0\x96"), std::string({char(zhe >> 8), char(zhe & 0xFF)}));
  EXPECT_EQ(composite.TextWidth("\xD0\x96\xD0\x96"), 2 * composite.GlyphWidth(zhe));
}

TEST(FontResource, StandardFontResource) {
  TkvPDFObjectStore store;
  auto helv = BuildStandardFontResource(store, 1, StandardFontIndexOfPDFName("/Helv"), "/Helv");
  EXPECT_EQ(DictOf(store, helv.get())->ToText(),
            "<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/BaseFont /Helvetica\r\n/Name /Helv\r\n"
            "/Encoding /WinAnsiEncoding\r\n>>");
  auto dingbats = BuildStandardFontResource(store, 1, 13, "/ZaDb");
  EXPECT_EQ(DictOf(store, dingbats.get())->GetValue("/Encoding"), nullptr);
}

// Serves a damaged copy of Liberation Sans, or reports a font that is not TrueType.
TEST(FontResource, UnusableFontsAddNothing) {
  CodePageScope cp(65001);
  auto services = std::make_shared<fonttest::FixedFontServices>();
  std::string damaged = kvtest::ReadFile(fonttest::FontFileFor("Arial"));
  damaged.resize(damaged.size() / 2);  // the glyph outlines are cut off
  services->Data = std::make_shared<const std::string>(damaged);
  services->Charsets = {kAnsiCharset, kRussianCharset};
  fonttest::ServicesScope scope(services);
  TkvPDFObjectStore store;
  EXPECT_THROW(BuildFontResource(store, 1, Font("Arial", kRussianCharset), "/F", kEmbedSubset, 0, "Ж"),
               EUnsupportedFontError);
  EXPECT_EQ(store.Count(), 0);

  services->Data = fonttest::ReadShared(fonttest::FontFileFor("Arial"));
  services->Doctor = [](TkvTextMetrics& m) { m.PitchAndFamily &= ~kTmpfTrueType; };
  try {
    BuildFontResource(store, 1, Font("Not TrueType", kRussianCharset), "/F", kEmbedSubset, 0, "Ж");
    ADD_FAILURE() << "accepted";
  } catch (const EUnsupportedFontError& e) {
    EXPECT_STREQ(e.what(), "Unsupported Font (Not TrueType)");
  }
  EXPECT_EQ(store.Count(), 0);
  // The simple form of the same font is a standard font's stand-in.
  auto ref = BuildFontResource(store, 1, Font("Not TrueType", kAnsiCharset), "/F", kEmbedSubset, 0, "x");
  EXPECT_EQ(NameOf(DictOf(store, ref.get()), "/Subtype"), "/Type1");
  EXPECT_EQ(NameOf(DictOf(store, ref.get()), "/BaseFont"), "/Helvetica");
}

// ---- a page drawn with the fonts, read back by independent tools ----

// Reads the saved file: the composite font's /W must hold each glyph's width (from the
// font file) under the glyph's own index, and both embedded programs must open in
// fontTools with the glyphs of their text present.
const char* const kCheckPage = R"(
import sys, io, math
from pypdf import PdfReader
from fontTools.ttLib import TTFont
pdf, src, latin, other = PdfReader(sys.argv[1]), TTFont(sys.argv[2]), sys.argv[3], sys.argv[4]
upem, cmap = src['head'].unitsPerEm, src.getBestCmap()
def width(gid):
    p = src['hmtx'][src.getGlyphOrder()[gid]][0] * 1333 / upem
    return round(math.floor(p + 0.5) * 72 / 96)
fonts = {f.get_object()['/Subtype']: f.get_object() for f in pdf.pages[0]['/Resources']['/Font'].values()}
cid = fonts['/Type0']['/DescendantFonts'][0].get_object()
w = cid['/W']
triples = {int(w[i]): (int(w[i + 1]), int(w[i + 2])) for i in range(0, len(w), 3)}
gids = {src.getGlyphID(cmap[ord(ch)]) for ch in other}
assert set(triples) == gids, (sorted(triples), sorted(gids))
for g in gids:
    assert triples[g] == (g, width(g)), (g, triples[g], width(g))
for font, text in ((cid, other), (fonts['/TrueType'], latin)):
    stream = font['/FontDescriptor']['/FontFile2']
    program = stream.get_data()
    assert len(program) == stream['/Length1']
    sub = TTFont(io.BytesIO(program))
    tags = [program[12 + 16 * i:16 + 16 * i].decode() for i in range(program[5])]
    assert tags == ['cmap', 'cvt ', 'fpgm', 'glyf', 'head', 'hhea', 'hmtx', 'loca', 'maxp', 'prep'], tags
    glyf, subcmap = sub['glyf'], sub.getBestCmap()
    for ch in set(text) - {' '}:
        assert glyf[subcmap[ord(ch)]].numberOfContours != 0, ch
print('ok')
)";

TEST(FontResource, PageTextComesBackOutOfTheFile) {
  if (!fonttest::HaveFontTools() || !kvtest::HaveTool("pdffonts")) GTEST_SKIP() << "fontTools or poppler missing";
  CodePageScope cp(65001);
  kvtest::TempDir dir;
  const std::string source = dir.File("in.pdf");
  kvtest::WriteFile(source,
                    kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                                     "/Resources << /Font << >> >> /Contents 4 0 R >>",
                                     "<< /Length %LEN% >>\nstream\n\nendstream"}));
  TkvExPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(source));
  TkvPDFObjectStore& store = *doc.ObjectStore;

  const std::string latin = "Hello (world) \\ caf\xC3\xA9 \xE2\x82\xAC";  // Hello (world) \ café €
  const std::string other =
      "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "  // Привет Ωμέγα
      "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";
  TkvPDFExtendedFont simple(Font("Arial", kAnsiCharset), 0);
  TkvPDFExtendedFont composite(Font("Arial", kRussianCharset), 0);
  auto* page = static_cast<TkvPDFDictObject*>(doc.Pages[0]->Value.get());
  auto* fonts = store.ResolveDictionary(store.ResolveDictionary(page->GetValue("/Resources"))->GetValue("/Font"));
  fonts->AddObject("/XKRFnt1", simple.BuildResource(store, doc.DocumentId(), "/XKRFnt1", kEmbedSubset, latin));
  fonts->AddObject("/XKRFnt2", composite.BuildResource(store, doc.DocumentId(), "/XKRFnt2", kEmbedSubset, other));
  const std::string content = "BT /XKRFnt1 24 Tf 72 700 Td " + simple.TextOperand(latin) +
                              " Tj ET\r\nBT /XKRFnt2 24 Tf 72 650 Td " + composite.TextOperand(other) + " Tj ET\r\n";
  auto* contents = static_cast<TkvPDFStreamObject*>(store.Resolve(page->GetValue("/Contents")));
  contents->Data = std::make_unique<TkvMemoryStream>(content);
  contents->Dictionary->SetInteger("/Length", static_cast<int32_t>(content.size()));
  const std::string saved = dir.File("out.pdf");
  doc.SaveToFileAs(saved);

  EXPECT_EQ(kvtest::PageText(saved, 1), kvtest::NormaliseSpace(latin + " " + other));
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(saved, &check)) << check;
  const std::string listing = kvtest::Run("pdffonts " + kvtest::ShellQuote(saved)).Output;
  // Both embedded and subset; the composite font also maps its glyphs to Unicode.
  EXPECT_NE(listing.find("WYOIAS+Arial                         TrueType          WinAnsi          yes yes no"),
            std::string::npos)
      << listing;
  EXPECT_NE(listing.find("WYOIAS+Arial                         CID TrueType      Identity-H       yes yes yes"),
            std::string::npos)
      << listing;
  const std::string result = fonttest::Python(
      dir, kCheckPage, {saved, fonttest::FontFileFor("Arial"), "Hello (world) \\ café €", "Привет Ωμέγα"});
  EXPECT_NE(result.find("ok"), std::string::npos);
}

}  // namespace
