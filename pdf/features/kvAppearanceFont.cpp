#include "pdf/features/kvAppearanceFont.h"

#include <cmath>

#include "core/kvUtils.h"
#include "pdf/features/kvFormObjectUtils.h"
#include "pdf/fonts/kvExPDFFont.h"
#include "pdf/fonts/kvFontEncodings.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

using namespace form;

constexpr int kHelveticaIndex = 4;
constexpr int kWinAnsiIndex = 0;
constexpr int kStandardEncodingIndex = 3;
// The resource name appearances use when /DA names no font.
constexpr const char* kDefaultResourceName = "/Helv";
// Measuring size for system fonts: widths are read in thousandths of the em whatever the
// size, so any size serves.
constexpr int32_t kMeasuringSize = 12;

int EncodingIndexOfName(const TkvPDFNameObject* name, int fallback) {
  if (!name) return fallback;
  for (int i = 0; i < kEncodingCount; ++i)
    if (name->Value == std::string("/") + kEncodingNames[static_cast<size_t>(i)]) return i;
  return fallback;
}

// The character set that makes an installed font cover a script, so that font matching
// looks for a font holding the text's characters. Any set other than ANSI or symbol
// makes the font resource composite.
uint8_t CharsetForText(const std::u32string& text) {
  for (char32_t c : text) {
    if (c < 0x100) continue;
    if (c >= 0x370 && c < 0x400) return kGreekCharset;
    if (c >= 0x400 && c < 0x530) return kRussianCharset;
    if (c >= 0x590 && c < 0x600) return kHebrewCharset;
    if (c >= 0x600 && c < 0x700) return kArabicCharset;
    if (c >= 0xE00 && c < 0xE80) return kThaiCharset;
    if (c >= 0x3040 && c < 0x3100) return kShiftJisCharset;
    if (c >= 0xAC00 && c < 0xD7B0) return kHangulCharset;
    if (c >= 0x4E00 && c < 0xA000) return kGB2312Charset;
  }
  return kEastEuropeCharset;
}

// A new reference to what `entry` designates, counted as one more use of the object.
TkvPDFObjectPtr CountedCopy(TkvPDFObjectStore& store, const TkvPDFObject& entry) {
  TkvPDFObjectPtr copy = entry.Clone();
  if (TkvPDFIndirectObject* target = store.Find(CastIfKind<TkvPDFIndirectReference>(copy))) ++target->RefCount;
  return copy;
}

}  // namespace

TkvAppearanceFont::TkvAppearanceFont(const TkvFontInfo& info, const std::u32string& text, TkvFormContext& ctx)
    : ctx_(ctx) {
  widths_.fill(-1);
  if (UseResourceFont(info, text)) return;
  UseStandardFont(info);
  if (!Encodable(text)) UseCompositeFont(text);
}

TkvAppearanceFont::~TkvAppearanceFont() = default;

bool TkvAppearanceFont::UseResourceFont(const TkvFontInfo& info, const std::u32string& text) {
  if (!info.FontObject || info.FontName.empty()) return false;
  TkvPDFDictObject* font = DictOf(ctx_.Store, info.FontObject.get());
  TkvPDFNameObject* subtype = font ? NameOf(ctx_.Store, font->GetValue("/Subtype")) : nullptr;
  if (!subtype || (subtype->Value != "/Type1" && subtype->Value != "/TrueType" && subtype->Value != "/MMType1"))
    return false;
  TkvPDFNameObject* baseFont = NameOf(ctx_.Store, font->GetValue("/BaseFont"));
  std::string base = baseFont ? baseFont->Value : std::string();
  int standard = StandardFontIndexOfPDFName(base);
  // Symbol fonts have no encoding that text could be written in.
  if (standard == 12 || standard == 13) return false;
  TkvPDFObject* encoding = ctx_.Store.Resolve(font->GetValue("/Encoding"));
  int fallback = subtype->Value == "/TrueType" ? kWinAnsiIndex : kStandardEncodingIndex;
  TkvPDFDictObject* encodingDict = CastIfKind<TkvPDFDictObject>(encoding);
  int index = encodingDict ? EncodingIndexOfName(NameOf(ctx_.Store, encodingDict->GetValue("/BaseEncoding")), fallback)
                           : EncodingIndexOfName(CastIfKind<TkvPDFNameObject>(encoding), fallback);
  const std::array<char16_t, 256>& table = EncodingTable(index);
  for (size_t i = 0; i < 256; ++i) codeChars_[i] = table[i];
  // Codes that /Differences gives other glyphs are left unused: the glyph a name stands
  // for is not known here, and the base encoding's character would be wrong.
  if (TkvPDFArrayObject* diffs = encodingDict ? ArrayOf(ctx_.Store, encodingDict->GetValue("/Differences")) : nullptr) {
    int32_t code = -1;
    for (const auto& item : diffs->Items) {
      TkvPDFObject* v = ctx_.Store.Resolve(item.get());
      if (auto* number = CastIfKind<TkvPDFIntegerObject>(v))
        code = number->Value;
      else if (v && v->IsName() && code >= 0 && code < 256)
        codeChars_[static_cast<size_t>(code++)] = 0;
    }
  }
  IndexCodes();
  if (!Encodable(text)) return false;
  int32_t first = IntegerOf(ctx_.Store, font->GetValue("/FirstChar"), 0);
  if (TkvPDFArrayObject* widths = ArrayOf(ctx_.Store, font->GetValue("/Widths")))
    for (int32_t i = 0; i < widths->Count(); ++i) {
      int64_t code = static_cast<int64_t>(first) + i;
      TkvPDFObject* w = ctx_.Store.Resolve(widths->GetItem(i));
      if (code >= 0 && code < 256 && w && (w->IsInteger() || w->IsReal() || w->IsInt64()))
        widths_[static_cast<size_t>(code)] = NumberValue(w);
    }
  measure_ = std::make_unique<TkvPDFFont>(
      DescriptionForPDFFontName(base.empty() ? info.FontName : base, kMeasuringSize), false, 0);
  ReadSystemMetrics(*measure_);
  if (TkvPDFDictObject* descriptor = DictOf(ctx_.Store, font->GetValue("/FontDescriptor"))) {
    TkvPDFObject* ascent = ctx_.Store.Resolve(descriptor->GetValue("/Ascent"));
    TkvPDFObject* descent = ctx_.Store.Resolve(descriptor->GetValue("/Descent"));
    if (ascent && descent && (ascent->IsInteger() || ascent->IsReal()) && (descent->IsInteger() || descent->IsReal()) &&
        NumberValue(ascent) > 0) {
      ascent_ = NumberValue(ascent);
      descent_ = std::fabs(NumberValue(descent));
    }
  }
  kind_ = Kind::Resource;
  resourceName_ = info.FontName;
  resourceFont_ = info.FontObject->Clone();
  return true;
}

void TkvAppearanceFont::UseStandardFont(const TkvFontInfo& info) {
  kind_ = Kind::Standard;
  resourceName_ = info.FontName.empty() ? kDefaultResourceName : info.FontName;
  const std::array<char16_t, 256>& table = EncodingTable(kWinAnsiIndex);
  for (size_t i = 0; i < 256; ++i) codeChars_[i] = table[i];
  IndexCodes();
  widths_.fill(-1);
  measure_ = std::make_unique<TkvPDFFont>(StandardFontDescription(kHelveticaIndex, kMeasuringSize), false, 0);
  ReadSystemMetrics(*measure_);
}

void TkvAppearanceFont::UseCompositeFont(const std::u32string& text) {
  TkvFontDescription font = StandardFontDescription(kHelveticaIndex, kMeasuringSize);
  font.Charset = CharsetForText(text);
  auto composite = std::make_unique<TkvPDFExtendedFont>(font, 0, kWinAnsiIndex);
  // Without an installed TrueType font the text is shown in Helvetica, with "?" for the
  // characters it cannot hold.
  if (!composite->IsComposite() || !composite->SystemFont() || !composite->FontFile()) return;
  kind_ = Kind::Composite;
  resourceName_ = NewFontResourceName();
  ReadSystemMetrics(*composite);
  composite_ = std::move(composite);
}

void TkvAppearanceFont::ReadSystemMetrics(const TkvPDFFont& font) {
  if (const TkvSystemFont* system = font.SystemFont()) {
    TkvTextMetrics m = system->TextMetrics(1000);
    if (m.Ascent > 0) {
      ascent_ = m.Ascent;
      descent_ = std::abs(m.Descent);
      return;
    }
  }
  ascent_ = font.FontInfo().Ascent;
  descent_ = std::abs(font.FontInfo().Descent);
}

void TkvAppearanceFont::IndexCodes() {
  charCodes_.clear();
  for (size_t code = 256; code-- > 0;)
    if (codeChars_[code]) charCodes_[codeChars_[code]] = static_cast<uint8_t>(code);
}

int TkvAppearanceFont::CodeOf(char32_t c) const {
  auto it = charCodes_.find(c);
  return it == charCodes_.end() ? -1 : it->second;
}

bool TkvAppearanceFont::Encodable(const std::u32string& text) const {
  for (char32_t c : text)
    if (c >= 0x20 && CodeOf(c) < 0) return false;
  return true;
}

std::string TkvAppearanceFont::LineText(const std::u32string& line) const {
  std::u16string units;
  for (char32_t c : line) {
    if (c >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  return Utf16ToAnsi(units);
}

double TkvAppearanceFont::Width(const std::u32string& line) const {
  if (kind_ == Kind::Composite) return composite_->TextWidth(LineText(line));
  double width = 0;
  for (char32_t c : line) {
    int code = CodeOf(c);
    if (code >= 0 && widths_[static_cast<size_t>(code)] >= 0) {
      width += widths_[static_cast<size_t>(code)];
    } else if (measure_) {
      width += measure_->GlyphWidth(measure_->GlyphOf(code >= 0 ? c : U'?'));
    } else {
      width += 500;
    }
  }
  return width;
}

std::string TkvAppearanceFont::Operand(const std::u32string& line) const {
  if (kind_ == Kind::Composite) {
    std::string text = LineText(line);
    composite_->AddText(text);
    return composite_->TextOperand(text);
  }
  std::string codes;
  codes.reserve(line.size());
  for (char32_t c : line) {
    int code = CodeOf(c);
    codes += code >= 0 ? static_cast<char>(code) : '?';
  }
  return "(" + EscapeLiteral(codes) + ")";
}

TkvPDFObjectPtr TkvAppearanceFont::ResourceValue() {
  switch (kind_) {
    case Kind::Resource:
      return CountedCopy(ctx_.Store, *resourceFont_);
    case Kind::Composite:
      return composite_->BuildResource(ctx_.Store, ctx_.Owner, resourceName_, kEmbedSubset);
    case Kind::Standard:
      break;
  }
  if (!ctx_.FallbackFont) {
    std::unique_ptr<TkvPDFIndirectReference> ref =
        BuildStandardFontResource(ctx_.Store, ctx_.Owner, kHelveticaIndex, kDefaultResourceName, kWinAnsiIndex);
    ctx_.FallbackFont = ctx_.Store.Find(ref.get());
    return ref;
  }
  ++ctx_.FallbackFont->RefCount;
  return ReferenceTo(*ctx_.FallbackFont);
}

}  // namespace kv
