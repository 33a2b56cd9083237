#include "pdf/fonts/kvExPDFFont.h"

#include <algorithm>

#include "core/kvUtils.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/fonts/kvFontEncodings.h"
#include "pdf/fonts/kvPDFFontConsts.h"
#include "pdf/fonts/kvTrueTypeSubset.h"

namespace kv {
namespace {

// Font programs and maps are compressed at zlib's default level.
constexpr int kFlateLevel = 6;
// Entries per bfchar block (the most a CMap block may hold).
constexpr size_t kMaxBfCharBlock = 100;
constexpr const char* kCRLF = "\r\n";

std::unique_ptr<TkvPDFIndirectReference> AddObject(TkvPDFObjectStore& store, int32_t owner, TkvPDFObjectPtr value) {
  const int32_t number = store.NewObjectNumber();
  // One reference to each new object exists: the one handed back.
  store.Add(std::make_unique<TkvPDFIndirectObject>(owner, number, 0, std::move(value), 1));
  return std::make_unique<TkvPDFIndirectReference>(owner, number, 0);
}

std::unique_ptr<TkvPDFStreamObject> FlateStream(std::string_view data, bool withLength1) {
  std::string packed;
  TkvFlateFilter().EncodeString(data, kFlateLevel, packed);
  auto dict = std::make_unique<TkvPDFDictObject>();
  if (withLength1) dict->AddInteger("/Length1", static_cast<int32_t>(data.size()));
  dict->AddInteger("/Length", static_cast<int32_t>(packed.size()));
  dict->AddName("/Filter", "/FlateDecode");
  return std::make_unique<TkvPDFStreamObject>(std::move(dict), std::make_unique<TkvMemoryStream>(std::move(packed)));
}

std::unique_ptr<TkvPDFArrayObject> IntegerArray(std::initializer_list<int32_t> values) {
  auto a = std::make_unique<TkvPDFArrayObject>();
  for (int32_t v : values) a->AddInteger(v);
  return a;
}

void AppendHex4(std::string& out, uint32_t v) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(v >> shift) & 15];
}

// UTF-16 big-endian hex digits of a text.
std::string Utf16Hex(const std::u32string& text) {
  std::string out;
  for (char32_t ch : text) {
    if (ch >= 0x10000) {
      AppendHex4(out, 0xD800 + ((ch - 0x10000) >> 10));
      AppendHex4(out, 0xDC00 + ((ch - 0x10000) & 0x3FF));
    } else {
      AppendHex4(out, ch);
    }
  }
  return out;
}

}  // namespace

TkvPDFExtendedFont::TkvPDFExtendedFont(const TkvFontDescription& font, int32_t ownerTag, int encodingIndex)
    : TkvPDFFont(font, true, ownerTag),
      encoding_(encodingIndex >= 0 && encodingIndex < kEncodingCount ? encodingIndex : 0) {
  if (FontInfo().FontType == kFontTypeTrueType) fontFile_ = fontData_;
}

bool TkvPDFExtendedFont::IsComposite() const {
  const uint8_t cs = font_.Charset;
  return !(cs == kAnsiCharset || (cs == kDefaultCharset && GetACP() == 1252) || cs == kSymbolCharset);
}

char32_t TkvPDFExtendedFont::EncodedChar(uint8_t code) const {
  if (font_.Charset == kSymbolCharset || (system_ && system_->IsSymbolFont())) return code;
  return EncodingTable(encoding_)[code];
}

uint8_t TkvPDFExtendedFont::CodeOfChar(char32_t ch) const {
  if (font_.Charset == kSymbolCharset || (system_ && system_->IsSymbolFont())) return ch < 0x100 ? ch : '?';
  if (ch == 0) return 0;
  const auto& table = EncodingTable(encoding_);
  for (int code = 0; code < 256; ++code)
    if (table[static_cast<size_t>(code)] == ch) return static_cast<uint8_t>(code);
  return '?';
}

std::string TkvPDFExtendedFont::EncodeText(std::string_view text) const {
  std::string out;
  for (char32_t ch : CharsOfText(text)) {
    if (IsComposite()) {
      const uint32_t glyph = GlyphOf(ch);
      out += static_cast<char>((glyph >> 8) & 0xFF);
      out += static_cast<char>(glyph & 0xFF);
    } else {
      out += static_cast<char>(CodeOfChar(ch));
    }
  }
  return out;
}

std::string TkvPDFExtendedFont::TextOperand(std::string_view text) const {
  const std::string codes = EncodeText(text);
  if (IsComposite()) return "<" + BytesToHex(codes) + ">";
  return "(" + EscapeLiteral(codes) + ")";
}

int32_t TkvPDFExtendedFont::TextWidth(std::string_view text) const {
  int32_t width = 0;
  for (char32_t ch : CharsOfText(text)) width += GlyphWidth(GlyphOf(IsComposite() ? ch : EncodedChar(CodeOfChar(ch))));
  return width;
}

void TkvPDFExtendedFont::AddGlyph(uint32_t glyph, char32_t ch) {
  auto [it, added] = used_.try_emplace(glyph);
  if (added) it->second.Width = GlyphWidth(glyph);
  if (it->second.Text.empty() && ch != 0) it->second.Text = ch;
}

void TkvPDFExtendedFont::AddText(std::string_view text) {
  for (char32_t ch : CharsOfText(text)) {
    const char32_t shown = IsComposite() ? ch : EncodedChar(CodeOfChar(ch));
    AddGlyph(GlyphOf(shown), shown);
  }
}

std::string TkvPDFExtendedFont::ToUnicodeCMap() const {
  std::vector<std::pair<uint32_t, const TkvUsedGlyph*>> entries;
  for (const auto& [glyph, used] : used_)
    if (!used.Text.empty()) entries.emplace_back(glyph, &used);
  std::string s;
  for (const char* line :
       {"/CIDInit /ProcSet findresource begin", "12 dict begin", "begincmap",
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def", "/CMapName /Adobe-Identity-UCS def",
        "/CMapType 2 def", "1 begincodespacerange", "<0000> <FFFF>", "endcodespacerange"}) {
    s += line;
    s += kCRLF;
  }
  for (size_t first = 0; first < entries.size(); first += kMaxBfCharBlock) {
    const size_t last = std::min(entries.size(), first + kMaxBfCharBlock);
    s += std::to_string(last - first) + " beginbfchar" + kCRLF;
    for (size_t i = first; i < last; ++i) {
      s += '<';
      AppendHex4(s, entries[i].first);
      s += "> <" + Utf16Hex(entries[i].second->Text) + ">" + kCRLF;
    }
    s += std::string("endbfchar") + kCRLF;
  }
  for (const char* line : {"endcmap", "CMapName currentdict /CMap defineresource pop", "end", "end"}) {
    s += line;
    s += kCRLF;
  }
  return s;
}

std::unique_ptr<TkvPDFIndirectReference> TkvPDFExtendedFont::BuildResource(TkvPDFObjectStore& store, int32_t owner,
                                                                           const std::string& resourceName,
                                                                           int embeddingMode, std::string_view text) {
  const TkvPDFFontInfo& info = FontInfo();
  const bool trueType = info.FontType == kFontTypeTrueType;
  const bool composite = IsComposite();
  if (composite && !trueType) throw EUnsupportedFontError(Format(msg::SUnsupportedFont, font_.Name.c_str()));
  AddText(text);
  const bool subset = trueType && embeddingMode == kEmbedSubset;
  const std::string tag = subset ? kSubsetTag : "";

  // Everything that can fail (reading the font program) comes before the first object
  // is added, so a failure leaves the store as it was.
  std::string program;
  if (trueType && embeddingMode != kEmbedNone) {
    if (!fontFile_) throw EUnsupportedFontError(Format(msg::SUnsupportedFont, font_.Name.c_str()));
    if (subset) {
      TkvTrueTypeFont ttf(fontFile_);
      std::set<uint16_t> glyphs{0};
      for (const auto& entry : used_)
        if (entry.first <= 0xFFFF) glyphs.insert(static_cast<uint16_t>(entry.first));
      AddComponentGlyphs(ttf, glyphs);
      program = BuildSubsetFont(ttf, glyphs);
    } else {
      program = *fontFile_;
    }
  }

  auto descriptor = std::make_unique<TkvPDFDictObject>();
  descriptor->AddName("/Type", "/FontDescriptor");
  descriptor->AddName("/FontName", PDFNameOf(tag + FaceNameWithoutBlanks()));
  descriptor->AddInteger("/Flags", info.Flags);
  descriptor->AddObject(
      "/FontBBox", IntegerArray({info.FontBBox.Left, info.FontBBox.Bottom, info.FontBBox.Right, info.FontBBox.Top}));
  descriptor->AddInteger("/Ascent", info.Ascent);
  descriptor->AddInteger("/Descent", info.Descent);
  descriptor->AddInteger("/CapHeight", info.CapHeight);
  descriptor->AddInteger("/AvgWidth", info.AvgWidth);
  descriptor->AddInteger("/MaxWidth", info.MaxWidth);
  descriptor->AddInteger("/MissingWidth", info.MaxWidth);
  descriptor->AddInteger("/StemV", info.StemV);
  descriptor->AddInteger("/ItalicAngle", info.ItalicAngle);
  if (!program.empty()) descriptor->AddObject("/FontFile2", AddObject(store, owner, FlateStream(program, true)));
  auto descriptorRef = AddObject(store, owner, std::move(descriptor));

  const std::string baseFont = PDFNameOf(tag + BaseFontName());
  auto font = std::make_unique<TkvPDFDictObject>();
  font->AddName("/Type", "/Font");
  if (!composite) {
    font->AddName("/Subtype", trueType ? "/TrueType" : "/Type1");
    font->AddName("/BaseFont", baseFont);
    font->AddName("/Name", resourceName);
    font->AddName("/Encoding", std::string("/") + kEncodingNames[static_cast<size_t>(encoding_)]);
    font->AddInteger("/FirstChar", kFirstWidthCode);
    font->AddInteger("/LastChar", kLastWidthCode);
    // The widths of the codes as the chosen encoding maps them to the font's glyphs.
    auto widths = std::make_unique<TkvPDFArrayObject>();
    for (int code = kFirstWidthCode; code <= kLastWidthCode; ++code)
      widths->AddInteger(GlyphWidth(GlyphOf(EncodedChar(static_cast<uint8_t>(code)))));
    font->AddObject("/Widths", std::move(widths));
    font->AddObject("/FontDescriptor", std::move(descriptorRef));
    return AddObject(store, owner, std::move(font));
  }

  auto descendant = std::make_unique<TkvPDFDictObject>();
  descendant->AddName("/Type", "/Font");
  descendant->AddName("/Subtype", "/CIDFontType2");
  descendant->AddName("/BaseFont", baseFont);
  descendant->AddObject("/FontDescriptor", std::move(descriptorRef));
  auto system = std::make_unique<TkvPDFDictObject>();
  system->AddObject("/Registry", std::make_unique<TkvPDFStringObject>("(Adobe)", false));
  system->AddObject("/Ordering", std::make_unique<TkvPDFStringObject>("(Identity)", false));
  system->AddInteger("/Supplement", 0);
  descendant->AddObject("/CIDSystemInfo", std::move(system));
  // CIDs are glyph indices (/CIDToGIDMap /Identity): each width goes under its glyph.
  auto w = std::make_unique<TkvPDFArrayObject>();
  for (const auto& [glyph, used] : used_) {
    w->AddInteger(static_cast<int32_t>(glyph));
    w->AddInteger(static_cast<int32_t>(glyph));
    w->AddInteger(used.Width);
  }
  descendant->AddObject("/W", std::move(w));
  descendant->AddInteger("/DW", info.MaxWidth);
  descendant->AddName("/CIDToGIDMap", "/Identity");

  font->AddName("/Subtype", "/Type0");
  font->AddName("/Name", resourceName);
  font->AddName("/BaseFont", baseFont);
  font->AddName("/Encoding", "/Identity-H");
  font->AddObject("/ToUnicode", AddObject(store, owner, FlateStream(ToUnicodeCMap(), false)));
  auto descendants = std::make_unique<TkvPDFArrayObject>();
  descendants->Add(AddObject(store, owner, std::move(descendant)));
  font->AddObject("/DescendantFonts", std::move(descendants));
  return AddObject(store, owner, std::move(font));
}

std::unique_ptr<TkvPDFIndirectReference> BuildFontResource(TkvPDFObjectStore& store, int32_t owner,
                                                           const TkvFontDescription& font,
                                                           const std::string& resourceName, int embeddingMode,
                                                           int encodingIndex, std::string_view text) {
  TkvPDFExtendedFont extended(font, 0, encodingIndex);
  return extended.BuildResource(store, owner, resourceName, embeddingMode, text);
}

std::unique_ptr<TkvPDFIndirectReference> BuildStandardFontResource(TkvPDFObjectStore& store, int32_t owner, int index,
                                                                   const std::string& resourceName, int encodingIndex) {
  if (index < 0 || index >= kStandardFontCount) index = 4;
  if (encodingIndex < 0 || encodingIndex >= kEncodingCount) encodingIndex = 0;
  auto font = std::make_unique<TkvPDFDictObject>();
  font->AddName("/Type", "/Font");
  font->AddName("/Subtype", "/Type1");
  font->AddName("/BaseFont", std::string("/") + kStandardFontNames[static_cast<size_t>(index)]);
  font->AddName("/Name", resourceName);
  // Symbol and ZapfDingbats have their own built-in encodings.
  if (index < 12) font->AddName("/Encoding", std::string("/") + kEncodingNames[static_cast<size_t>(encodingIndex)]);
  return AddObject(store, owner, std::move(font));
}

}  // namespace kv
