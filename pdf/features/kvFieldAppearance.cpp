#include "pdf/features/kvFieldAppearance.h"

#include <cmath>
#include <unordered_map>

#include "pdf/features/kvAcroFormConsts.h"
#include "pdf/features/kvAppearanceFont.h"
#include "pdf/features/kvFieldText.h"
#include "pdf/features/kvFormObjectUtils.h"
#include "pdf/fonts/kvPDFFont.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

using namespace form;

// Margins of the text inside the widget, in points.
constexpr double kLeftMargin = 2;
constexpr double kWrapMargin = 10;
// Font sizes an appearance uses: a hostile /DA cannot ask for a size whose numbers
// overflow, and an automatic size never gets larger than a normal reading size.
constexpr double kMaxFontSize = 1000;
constexpr double kMaxAutoFontSize = 12;

// A number of the content text: general notation, "." as separator, at most three
// decimals.
std::string Num(double v) {
  double rounded = std::round(v * 1000) / 1000;
  return FloatToText(rounded == 0 ? 0 : rounded);
}

bool IsBreak(char32_t c) { return c == U'\n' || c == U'\r'; }

// A size that makes one line fill the widget's height (less the margins), shrunk until a
// single line also fits the width.
double AutomaticSize(const TkvAppearanceFont& font, const std::u32string& text, double width, double height,
                     bool multiline) {
  double lineHeight = (font.Ascent() + font.Descent()) / 1000;
  double size = lineHeight > 0 ? (height - 2 * kLeftMargin) / lineHeight : kMaxAutoFontSize;
  size = std::min(size, kMaxAutoFontSize);
  if (!multiline) {
    double em = font.Width(text) / 1000;
    if (em > 0 && em * size > width - 2 * kLeftMargin) size = (width - 2 * kLeftMargin) / em;
  }
  return std::max(1.0, std::floor(size));
}

std::unique_ptr<TkvPDFArrayObject> BoxOf(double w, double h) {
  auto box = std::make_unique<TkvPDFArrayObject>();
  for (double v : {0.0, 0.0, w, h}) box->Add(std::make_unique<TkvPDFRealObject>(v));
  return box;
}

// One more user of every object that `obj` refers to directly.
void CountReferences(TkvPDFObjectStore& store, TkvPDFObject* obj) {
  std::vector<TkvPDFObject*> stack{obj};
  while (!stack.empty()) {
    TkvPDFObject* o = stack.back();
    stack.pop_back();
    if (auto* ref = CastIfKind<TkvPDFIndirectReference>(o)) {
      if (TkvPDFIndirectObject* target = store.Find(ref)) ++target->RefCount;
    } else if (o) {
      AppendChildren(o, stack);
    }
  }
}

}  // namespace

std::unique_ptr<TkvPDFIndirectReference> TkvFormContext::AddObject(TkvPDFObjectPtr value) {
  auto obj = std::make_unique<TkvPDFIndirectObject>(Owner, Store.NewObjectNumber(), 0, std::move(value), 1);
  std::unique_ptr<TkvPDFIndirectReference> ref = ReferenceTo(*obj);
  Store.Add(std::move(obj));
  return ref;
}

std::vector<std::u32string> WrapLines(const std::u32string& text, double width,
                                      const std::function<double(const std::u32string&)>& measure) {
  std::unordered_map<char32_t, double> widths;
  auto charWidth = [&](char32_t c) {
    auto it = widths.find(c);
    if (it != widths.end()) return it->second;
    double w = measure(std::u32string(1, c));
    widths.emplace(c, w);
    return w;
  };
  std::vector<std::u32string> lines;
  size_t i = 0;
  while (i <= text.size() && lines.size() < kMaxAppearanceLines) {
    // One paragraph: up to the next line break.
    size_t end = i;
    while (end < text.size() && !IsBreak(text[end])) ++end;
    std::u32string line;
    double lineWidth = 0;
    size_t p = i;
    while (p < end && lines.size() < kMaxAppearanceLines) {
      size_t wordEnd = p;
      while (wordEnd < end && text[wordEnd] != U' ') ++wordEnd;
      if (wordEnd == p) wordEnd = p + 1;  // a blank is a word of its own
      double wordWidth = 0;
      for (size_t k = p; k < wordEnd; ++k) wordWidth += charWidth(text[k]);
      if (line.empty() || lineWidth + wordWidth <= width) {
        line.append(text, p, wordEnd - p);
        lineWidth += wordWidth;
        p = wordEnd;
      } else if (text[p] == U' ') {
        ++p;  // blanks at a wrap vanish
      } else {
        lines.push_back(std::move(line));
        line.clear();
        lineWidth = 0;
        continue;
      }
      // A word wider than the whole line (it was put on a line of its own) is broken
      // between characters.
      size_t start = 0;
      while (lineWidth > width && line.size() - start > 1 && lines.size() < kMaxAppearanceLines) {
        size_t fit = start;
        double used = 0;
        while (fit < line.size() && (fit == start || used + charWidth(line[fit]) <= width))
          used += charWidth(line[fit++]);
        lines.push_back(line.substr(start, fit - start));
        start = fit;
        lineWidth -= used;
      }
      if (start > 0) line.erase(0, start);
    }
    while (!line.empty() && line.back() == U' ') line.pop_back();
    if (lines.size() < kMaxAppearanceLines) lines.push_back(std::move(line));
    if (end >= text.size()) break;
    i = end + ((text[end] == U'\r' && end + 1 < text.size() && text[end + 1] == U'\n') ? 2 : 1);
    if (i == text.size()) break;
  }
  return lines;
}

void BuildTextAppearance(const TkvAcroFormField& field, TkvPDFDictObject& widget, const std::string& text,
                         TkvFormContext& ctx) {
  TkvPDFArrayObject* rectArray = ArrayOf(ctx.Store, widget.GetValue("/Rect"));
  if (!rectArray || rectArray->Count() < 4) throw EAcroFormError(msg::SNoWidgetRect);
  TkvPDFRect rect = RectFromArray(*rectArray);
  double w = std::fabs(rect.Right - rect.Left);
  double h = std::fabs(rect.Top - rect.Bottom);

  std::u32string chars = TextToCodePoints(text);
  for (char32_t& c : chars)
    if (c < 0x20 && !IsBreak(c)) c = U' ';
  TkvAppearanceFont font(field.FontInfo, chars, ctx);
  double size = std::round(std::min(field.FontInfo.FontSize, kMaxFontSize));
  if (size <= 0) size = AutomaticSize(font, chars, w, h, field.Multiline);
  auto measure = [&](const std::u32string& line) { return font.Width(line) / 1000 * size; };
  double th = (font.Ascent() + font.Descent()) / 1000 * size;
  double descent = std::round(font.Descent() / 1000 * size);
  int32_t q = IntegerOf(ctx.Store, widget.GetValue("/Q"), -1);
  uint8_t alignment = q >= 0 && q <= 2 ? static_cast<uint8_t>(q) : field.Alignment;
  auto xFor = [&](double tw) {
    if (alignment == 1 && tw < w) return w / 2 - tw / 2 + kLeftMargin;
    if (alignment == 2) return w - kLeftMargin - kLeftMargin - tw;
    return kLeftMargin;
  };
  std::string color = field.FontInfo.ColorText.empty() ? std::string() : field.FontInfo.ColorText + " ";

  std::string content = "/Tx BMC q BT " + font.ResourceName() + " " + Num(size) + " Tf\r";
  if (!field.Multiline) {
    // A single-line field shows line breaks of its value as blanks.
    for (char32_t& c : chars)
      if (IsBreak(c)) c = U' ';
    double x = xFor(measure(chars));
    double y = (h - th) / 2 + descent;
    content += color + Num(x) + " " + Num(y) + " Td " + font.Operand(chars) + " Tj ET ";
  } else {
    double y = h - th;
    for (const std::u32string& line : WrapLines(chars, w - kWrapMargin, measure)) {
      content += color + "1 0 0 1 " + Num(xFor(measure(line))) + " " + Num(y) + " Tm " + font.Operand(line) + " Tj ";
      y -= th;
    }
    content += "ET ";
  }
  content += "Q EMC\r";

  TkvPDFDictObject* ap = DictOf(ctx.Store, widget.GetValue("/AP"));
  if (TkvPDFStreamObject* normal = ap ? StreamOf(ctx.Store, ap->GetValue("/N")) : nullptr) {
    // The widget's appearance stream is kept (with its other resources) and gets the new
    // text. A stream that other widgets show too (some tools give every field the same
    // empty appearance) is copied first, or filling one field would change them all.
    TkvPDFObject* n = ap->GetValue("/N");
    TkvPDFIndirectObject* holder = ctx.Store.Find(CastIfKind<TkvPDFIndirectReference>(n));
    if (holder && holder->RefCount > 1) {
      TkvPDFObjectPtr copy = normal->Clone();
      CountReferences(ctx.Store, copy.get());
      --holder->RefCount;
      normal = CastObject<TkvPDFStreamObject>(copy);
      ap->SetValue("/N", ctx.AddObject(std::move(copy)));
    }
    TkvPDFDictObject& dict = *normal->Dictionary;
    dict.Remove("/Filter");
    dict.Remove("/DecodeParms");
    // The text is laid out in the widget's rectangle: a box of another size (or a
    // matrix) would scale it into a corner.
    dict.SetValue("/BBox", BoxOf(w, h));
    dict.Remove("/Matrix");
    dict.SetInteger("/Length", static_cast<int32_t>(content.size()));
    normal->Data = std::make_unique<TkvMemoryStream>(std::move(content));
    TkvPDFDictObject* resources = DictOf(ctx.Store, dict.GetValue("/Resources"));
    if (!resources) {
      dict.SetValue("/Resources", std::make_unique<TkvPDFDictObject>());
      resources = CastObject<TkvPDFDictObject>(dict.GetValue("/Resources"));
    }
    TkvPDFDictObject* fonts = DictOf(ctx.Store, resources->GetValue("/Font"));
    if (!fonts) {
      resources->SetValue("/Font", std::make_unique<TkvPDFDictObject>());
      fonts = CastObject<TkvPDFDictObject>(resources->GetValue("/Font"));
    }
    fonts->SetValue(font.ResourceName(), font.ResourceValue());
    return;
  }
  auto fonts = std::make_unique<TkvPDFDictObject>();
  fonts->AddObject(font.ResourceName(), font.ResourceValue());
  auto procSet = std::make_unique<TkvPDFArrayObject>();
  procSet->Add(std::make_unique<TkvPDFNameObject>("/PDF"));
  procSet->Add(std::make_unique<TkvPDFNameObject>("/Text"));
  auto resources = std::make_unique<TkvPDFDictObject>();
  resources->AddObject("/ProcSet", std::move(procSet));
  resources->AddObject("/Font", std::move(fonts));
  auto dict = std::make_unique<TkvPDFDictObject>();
  dict->AddName("/Type", "/XObject");
  dict->AddName("/Subtype", "/Form");
  dict->AddObject("/BBox", BoxOf(w, h));
  dict->AddObject("/Resources", std::move(resources));
  dict->AddInteger("/Length", static_cast<int32_t>(content.size()));
  auto stream =
      std::make_unique<TkvPDFStreamObject>(std::move(dict), std::make_unique<TkvMemoryStream>(std::move(content)));
  std::unique_ptr<TkvPDFIndirectReference> ref = ctx.AddObject(std::move(stream));
  if (!ap) {
    widget.SetValue("/AP", std::make_unique<TkvPDFDictObject>());
    ap = CastObject<TkvPDFDictObject>(widget.GetValue("/AP"));
  }
  ap->SetValue("/N", std::move(ref));
  widget.SetInteger("/F", 4);
}

}  // namespace kv
