// folio stamp and folio thumbs: text or picture markings on pages, and pictures as page
// thumbnails.
#include <cmath>
#include <map>
#include <stdexcept>

#include "CliCommands.h"
#include "CliPageSelection.h"
#include "core/kvUtils.h"
#include "pdf/features/kvFieldText.h"
#include "pdf/features/kvWatermarkTemplates.h"

namespace folio {

struct MarkingOptions {
  std::string Text, Picture;
  std::string Font = "Arial";
  int Size = 24;
  bool Bold = false, Italic = false, Underline = false, Strikeout = false;
  std::string Charset = "default", Color = "000000", StrokeColor = "000000", Render = "fill";
  double Width = 0, Height = 0;
  int Angle = 0;
  bool Under = false;
  std::string X = "center", Y = "middle", Unit = "pt";
  std::vector<std::string> Thumbs;
};

namespace {

const std::map<std::string, uint8_t> kCharsets = {
    {"default", kv::kDefaultCharset},       {"ansi", kv::kAnsiCharset},
    {"symbol", kv::kSymbolCharset},         {"russian", kv::kRussianCharset},
    {"greek", kv::kGreekCharset},           {"turkish", kv::kTurkishCharset},
    {"hebrew", kv::kHebrewCharset},         {"arabic", kv::kArabicCharset},
    {"baltic", kv::kBalticCharset},         {"easteurope", kv::kEastEuropeCharset},
    {"vietnamese", kv::kVietnameseCharset}, {"thai", kv::kThaiCharset},
    {"shiftjis", kv::kShiftJisCharset},     {"gb2312", kv::kGB2312Charset},
    {"hangul", kv::kHangulCharset},         {"big5", kv::kChineseBig5Charset}};
const std::map<std::string, kv::TkvMeasurementUnit> kUnits = {
    {"px", kv::muPixels}, {"pt", kv::muPoints}, {"in", kv::muInches}, {"mm", kv::muMM}, {"twips", kv::muTwips}};
const std::map<std::string, uint8_t> kRenderModes = {{"fill", 0}, {"stroke", 1}, {"fill-stroke", 2}};

template <typename T>
T Lookup(const std::map<std::string, T>& table, const std::string& value, const char* option) {
  auto it = table.find(value);
  if (it != table.end()) return it->second;
  std::string choices;
  for (const auto& [name, _] : table) choices += (choices.empty() ? "" : "|") + name;
  throw UsageError(std::string(option) + ": unknown value '" + value + "' (expected " + choices + ")");
}

// "RRGGBB" as the library's colour value 0x00BBGGRR.
kv::TkvColor ParseColor(const std::string& text, const char* option) {
  std::string hex = text.starts_with("#") ? text.substr(1) : text;
  uint32_t rgb = 0;
  if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    throw UsageError(std::string(option) + ": '" + text + "' is not a colour RRGGBB");
  rgb = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
  return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16;
}

// Applies --x, --y, --angle and --under to a template.
void Place(const MarkingOptions& o, kv::TkvCustomWatermarkTemplate& t) {
  if (o.Angle < 0 || o.Angle > 360) throw UsageError("--angle: " + std::to_string(o.Angle) + " is not within 0-360");
  t.Angle = o.Angle;
  t.Overlay = !o.Under;
  const std::map<std::string, kv::TkvHorizontalPosition> hs = {
      {"left", kv::hpLeft}, {"center", kv::hpCenter}, {"right", kv::hpRight}};
  const std::map<std::string, kv::TkvVerticalPosition> vs = {
      {"top", kv::vpTop}, {"middle", kv::vpMiddle}, {"bottom", kv::vpBottom}};
  double v = 0;
  if (hs.count(o.X)) {
    t.HorizontalPosition = hs.at(o.X);
  } else if (kv::TryStrToFloat(o.X, v) && std::isfinite(v)) {
    t.HorizontalPosition = kv::hpCustom;
    t.X = v;
  } else {
    throw UsageError("--x: '" + o.X + "' is not left, center, right or a number");
  }
  if (vs.count(o.Y)) {
    t.VerticalPosition = vs.at(o.Y);
  } else if (kv::TryStrToFloat(o.Y, v) && std::isfinite(v)) {
    t.VerticalPosition = kv::vpCustom;
    t.Y = v;
  } else {
    throw UsageError("--y: '" + o.Y + "' is not top, middle, bottom or a number");
  }
}

std::unique_ptr<kv::TkvCustomWatermarkTemplate> TextTemplate(const MarkingOptions& o) {
  auto t = std::make_unique<kv::TkvTextWaterMarkTemplate>();
  // Text the process code page cannot hold is passed on in UTF-8, which holds every
  // character; the font then draws it through Unicode.
  if (kv::AnsiToUtf8(kv::Utf8ToText(o.Text)) != o.Text) kv::SetACP(65001);
  t->Text = kv::Utf8ToText(o.Text);
  t->Font.Name = o.Font;
  if (o.Size <= 0) throw UsageError("--size: " + std::to_string(o.Size) + " is not a size in points");
  t->Font.Size = o.Size;
  t->Font.Style = static_cast<uint8_t>((o.Bold ? kv::fsBold : 0) | (o.Italic ? kv::fsItalic : 0) |
                                       (o.Underline ? kv::fsUnderline : 0) | (o.Strikeout ? kv::fsStrikeOut : 0));
  t->Font.Charset = Lookup(kCharsets, o.Charset, "--charset");
  t->Font.Color = ParseColor(o.Color, "--color");
  t->StrokeColor = ParseColor(o.StrokeColor, "--stroke-color");
  t->RenderingMode = Lookup(kRenderModes, o.Render, "--render");
  return t;
}

}  // namespace

void Commands::RegisterMarkings(CLI::App& app) {
  marking_ = std::make_shared<MarkingOptions>();
  MarkingOptions& o = *marking_;
  auto* stamp = app.add_subcommand("stamp", "Stamp a text or picture marking on pages");
  stamp->add_option("FILE", file_, "PDF file")->required();
  auto* text = stamp->add_option("--text", o.Text, "Text of the marking")->type_name("TEXT");
  auto* image =
      stamp->add_option("--image", o.Picture, "Picture of the marking (BMP, ICO, JPEG, PNG)")->type_name("PICTURE");
  text->excludes(image);
  stamp->add_option("--pages", pages_, "Pages to stamp, e.g. \"1,3,5-12\" (default all)")->type_name("RANGE");
  stamp->add_option("--font", o.Font, "Font family of the text (default Arial)")->type_name("FAMILY");
  stamp->add_option("--size", o.Size, "Font size in points (default 24)")->type_name("PT");
  stamp->add_flag("--bold", o.Bold, "Bold text");
  stamp->add_flag("--italic", o.Italic, "Italic text");
  stamp->add_flag("--underline", o.Underline, "Underlined text");
  stamp->add_flag("--strikeout", o.Strikeout, "Struck-out text");
  stamp->add_option("--charset", o.Charset, "Character set of the font (default: default)")->type_name("NAME");
  stamp->add_option("--color", o.Color, "Text colour (default 000000)")->type_name("RRGGBB");
  stamp->add_option("--stroke-color", o.StrokeColor, "Outline colour of the text (default 000000)")
      ->type_name("RRGGBB");
  stamp->add_option("--render", o.Render, "How the text is drawn: fill, stroke or fill-stroke (default fill)")
      ->type_name("MODE");
  stamp->add_option("--width", o.Width, "Width of the picture (0 = its own size)")->type_name("W");
  stamp->add_option("--height", o.Height, "Height of the picture (0 = its own size)")->type_name("H");
  stamp->add_option("--angle", o.Angle, "Counter-clockwise rotation in degrees, 0-360")->type_name("DEG");
  stamp->add_flag("--under", o.Under, "Draw beneath the page content (default: over it)");
  stamp->add_option("--x", o.X, "left, center, right, or the distance from the left edge (default center)")
      ->type_name("X");
  stamp->add_option("--y", o.Y, "top, middle, bottom, or the distance from the top edge (default middle)")
      ->type_name("Y");
  stamp->add_option("--unit", o.Unit, "Unit of --x, --y, --width and --height: px, pt, in, mm, twips (default pt)")
      ->type_name("UNIT");
  AddInputOptions(*stamp, in_);
  AddOutputOptions(*stamp, out_);
  stamp->callback([this, text, image] {
    if (!*text && !*image) throw CLI::ValidationError("stamp", "--text or --image is required");
    run_ = [this] { return Stamp(); };
  });

  auto* thumbs = app.add_subcommand("thumbs", "Attach pictures as page thumbnails");
  thumbs->add_option("FILE", file_, "PDF file")->required();
  thumbs->add_option("--set", o.Thumbs, "Page N gets PICTURE as its thumbnail (repeatable)")
      ->required()
      ->type_name("N=PICTURE");
  AddInputOptions(*thumbs, in_);
  AddOutputOptions(*thumbs, out_);
  thumbs->callback([this] { run_ = [this] { return Thumbs(); }; });
}

int Commands::Stamp() {
  const MarkingOptions& o = *marking_;
  kv::TkvMeasurementUnit unit = Lookup(kUnits, o.Unit, "--unit");
  std::unique_ptr<kv::TkvCustomWatermarkTemplate> tmpl;
  if (!o.Picture.empty()) {
    auto t = std::make_unique<kv::TkvImageWaterMarkTemplate>();
    if (o.Width < 0 || o.Height < 0 || !std::isfinite(o.Width) || !std::isfinite(o.Height))
      throw UsageError("--width and --height must not be negative");
    t->Width = static_cast<double>(kv::ToPoints(unit, o.Width));
    t->Height = static_cast<double>(kv::ToPoints(unit, o.Height));
    tmpl = std::move(t);
  } else {
    tmpl = TextTemplate(o);
  }
  Place(o, *tmpl);
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  // The picture is read once the document is open, so a damaged input is named first.
  if (auto* image = dynamic_cast<kv::TkvImageWaterMarkTemplate*>(tmpl.get()))
    image->Image = kv::LoadPictureFromFile(o.Picture);
  doc.SetMeasurementUnit(unit);
  doc.InsertWatermark(*tmpl, TranslatePages(pages_, doc.PageCount()));
  Save(doc);
  return 0;
}

int Commands::Thumbs() {
  std::vector<std::pair<int32_t, std::string>> thumbs;
  for (const std::string& item : marking_->Thumbs) {
    size_t eq = item.find('=');
    int32_t page = 0;
    if (eq == std::string::npos || eq + 1 == item.size() || !kv::TryStrToInt(item.substr(0, eq), page))
      throw UsageError("--set: '" + item + "' is not N=PICTURE");
    thumbs.emplace_back(page, item.substr(eq + 1));
  }
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  for (const auto& [page, picture] : thumbs) doc.SetPageThumbnail(page, *kv::LoadPictureFromFile(picture));
  Save(doc);
  return 0;
}

}  // namespace folio
