#include "pdf/features/kvWatermarkTemplates.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "core/kvUtils.h"
#include "pdf/features/kvExPDFDoc.h"
#include "pdf/features/kvWatermarkConsts.h"

namespace kv {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// Coordinates closer than this to the page's corner are taken to the corner.
constexpr double kSnapDistance = 0.1;

// The classic desktop scheme's colours for system colour indices 0..30, as 0xRRGGBB.
constexpr uint32_t kSystemColors[] = {0xC0C0C0, 0x008080, 0x000080, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000,
                                      0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x000080, 0xFFFFFF, 0xC0C0C0,
                                      0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xC0C0C0, 0x000000,
                                      0xFFFFE1, 0x000000, 0x0000FF, 0x1084D0, 0xB5B5B5, 0x000080, 0xC0C0C0};

std::string Line(std::initializer_list<std::string> items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += ' ';
    out += item;
  }
  return out + '\r';
}

}  // namespace

uint32_t ResolveColor(TkvColor color) {
  if ((color & 0xFF000000u) == 0x80000000u) {
    uint32_t index = color & 0xFFu;
    uint32_t rgb = index < std::size(kSystemColors) ? kSystemColors[index] : 0;
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16;
  }
  return color & 0xFFFFFFu;
}

std::string FixedText(double v, int decimals) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, std::isfinite(v) ? v : 0.0, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  // -0.0004 with three decimals is "-0.000": PDF readers take it, but it reads as a fault.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string GeneralText(double v) { return FloatToText(v); }

std::string ColorText(TkvColor color) {
  uint32_t rgb = ResolveColor(color);
  return FixedText((rgb & 0xFF) / 255.0, 4) + " " + FixedText((rgb >> 8 & 0xFF) / 255.0, 4) + " " +
         FixedText((rgb >> 16 & 0xFF) / 255.0, 4);
}

// ---- placement ----

void TkvCustomWatermarkTemplate::AnchorPoint(const TkvPDFRect& box, TkvMeasurementUnit unit, double& x,
                                             double& y) const {
  switch (HorizontalPosition) {
    case hpLeft:
      x = box.Left;
      break;
    case hpCenter:
      x = box.Left + (box.Right - box.Left) / 2;
      break;
    case hpRight:
      x = box.Right;
      break;
    case hpCustom:
      x = box.Left + static_cast<double>(ToPoints(unit, X));
      break;
  }
  switch (VerticalPosition) {
    case vpTop:
      y = box.Top;
      break;
    case vpMiddle:
      y = box.Bottom + (box.Top - box.Bottom) / 2;
      break;
    case vpBottom:
      y = box.Bottom;
      break;
    case vpCustom:
      y = box.Top - static_cast<double>(ToPoints(unit, Y));
      break;
  }
}

// The box's corner at the anchor is its lower-left one before turning; each rule moves
// the anchor so that the turned box stays on the page side of the edge it is put at.
void TkvCustomWatermarkTemplate::FitBox(double w, double h, double angle, double originX, double originY, double& x,
                                        double& y) const {
  const double a = angle * kDegree;
  const double halfDiagonal = std::sqrt(w * w + h * h) / 2;
  const double diagonalAngle = std::atan2(h, w);
  auto in = [angle](double from, double to) { return angle >= from && angle <= to; };
  switch (HorizontalPosition) {
    case hpCenter:
      x -= std::cos(diagonalAngle + a) * halfDiagonal;
      break;
    case hpCustom:
      x += std::cos(90 * kDegree - a) * h;
      break;
    case hpRight:
      if (in(0, 90))
        x -= std::fabs(std::cos(a)) * w;
      else if (angle >= 181 && angle < 270)
        x -= std::fabs(std::cos((270 - angle) * kDegree)) * h;
      else if (in(270, 360))
        x -= std::cos((angle - 270) * kDegree) * h + w * std::cos(a);
      break;
    case hpLeft:
      if (in(1, 90)) {
        x += h * std::sin(a);
      } else if (in(181, 270)) {
        x += std::fabs(std::cos((angle - 180) * kDegree)) * w;
      } else if (in(91, 180)) {
        const double b = (180 - angle) * kDegree;
        const double q = std::tan(b) > 0 ? w - h / std::tan(b) : w;
        const double r = std::sin(b) > 0 ? h / std::sin(b) : 0;
        x = originX + std::cos(b) * q + r;
      }
      break;
  }
  switch (VerticalPosition) {
    case vpMiddle:
      y -= std::sin(diagonalAngle + a) * halfDiagonal;
      break;
    case vpCustom:
      y -= std::sin(90 * kDegree - a) * h;
      break;
    case vpTop:
      if (in(0, 90))
        y -= h * std::cos(a) + w * std::sin(a);
      else if (in(91, 180))
        y -= w * std::sin(a);
      else if (in(271, 360))
        y -= std::sin((angle - 270) * kDegree) * h;
      break;
    case vpBottom:
      if (in(91, 180))
        y += std::sin((angle - 90) * kDegree) * h;
      else if (in(181, 270))
        y += std::sin((angle - 180) * kDegree) * w + std::cos((angle - 180) * kDegree) * h;
      else if (in(271, 360))
        y += std::cos((angle - 270) * kDegree) * w;
      break;
  }
  if (x - originX < kSnapDistance) x = originX;
  if (y - originY < kSnapDistance) y = originY;
}

// ---- text ----

TkvTextWaterMarkTemplate::TkvTextWaterMarkTemplate() = default;
TkvTextWaterMarkTemplate::~TkvTextWaterMarkTemplate() = default;

TkvPDFExtendedFont& TkvTextWaterMarkTemplate::MeasuredFont() {
  const TkvFontDescription& f = FMeasuredFor;
  bool same = FMeasured && f.Name == Font.Name && f.Size == Font.Size && f.Style == Font.Style &&
              f.Charset == Font.Charset && f.Pitch == Font.Pitch;
  if (!same) {
    FMeasured = std::make_unique<TkvPDFExtendedFont>(Font, 0);
    FMeasuredFor = Font;
  }
  return *FMeasured;
}

std::unique_ptr<TkvPDFIndirectReference> TkvTextWaterMarkTemplate::MakeResource(TkvExPDFDocument& doc,
                                                                                std::string& name) {
  name = NewFontResourceName();
  return MeasuredFont().BuildResource(*doc.ObjectStore, doc.DocumentId(), name, kEmbedSubset, Text);
}

std::string TkvTextWaterMarkTemplate::WatermarkContent(const std::string& resourceName, double x, double y,
                                                       double originX, double originY) {
  if (Angle == 360) Angle = 0;
  TkvPDFExtendedFont& font = MeasuredFont();
  const TkvPDFFontInfo& info = font.FontInfo();
  const double a = Angle * kDegree, cosA = std::cos(a), sinA = std::sin(a);
  const double pixelsToPoints = 72.0 / ScreenPixelsPerInch();

  // Text measured on the screen decides the box; the character spacing spreads the
  // difference to the PDF widths over the characters, so the drawn text fills the box.
  const TkvTextExtent extent = font.ScreenTextExtent(Text);
  const double w = extent.Width * pixelsToPoints, h = extent.Height * pixelsToPoints;
  const size_t chars = TextToCodePoints(Text).size();
  const double difference = w - font.TextWidth(Text) * Font.Size / 1000.0;
  const double spacing = chars && difference != 0 ? difference / static_cast<double>(chars) : 0;

  // The baseline sits above the box's lower edge by the underline's room.
  const double underline = info.UnderscoreSize - info.UnderscorePosition;
  x -= underline * sinA;
  y += underline * cosA;
  FitBox(w, h, Angle, originX, originY, x, y);

  const std::string fill = ColorText(Font.Color);
  std::string out = Line({"q"}) + Line({"BT"}) + Line({GeneralText(spacing), "Tc 0 Tw 100 Tz 0 TL"}) +
                    Line({fill, "rg"}) + Line({ColorText(StrokeColor), "RG"}) +
                    Line({std::to_string(RenderingMode), "Tr"}) +
                    Line({resourceName, std::to_string(Font.Size), "Tf"}) +
                    Line({FixedText(cosA, 4), FixedText(sinA, 4), FixedText(-sinA, 4), FixedText(cosA, 4),
                          FixedText(x, 3), FixedText(y, 3), "Tm"}) +
                    Line({font.TextOperand(Text), "Tj"}) + Line({"ET"});
  // Underline and strike-out are lines along the turned baseline, as long as the text:
  // the underline below it by the underline's position and thickness, the strike-out
  // above it by the strike-out's.
  auto rule = [&](double x1, double y1) {
    return Line({GeneralText(info.UnderscoreSize), "w", fill, "rg", fill, "RG", FixedText(x1, 3), FixedText(y1, 3), "m",
                 FixedText(x1 + w * cosA, 3), FixedText(y1 + w * sinA, 3), "l", "B"});
  };
  if (Font.IsUnderline()) {
    const double d = std::fabs(static_cast<double>(info.UnderscorePosition)) + info.UnderscoreSize;
    out += rule(x + d * sinA, y - d * cosA);
  }
  if (Font.IsStrikeOut()) {
    const double q = std::fabs(static_cast<double>(info.StrikeoutPosition)) + info.StrikeoutSize;
    out += rule(x - q * sinA, y + q * cosA);
  }
  return out + "Q\r\n";
}

// ---- image ----

std::unique_ptr<TkvPDFIndirectReference> TkvImageWaterMarkTemplate::MakeResource(TkvExPDFDocument& doc,
                                                                                 std::string& name) {
  if (!Image) throw EUnsupportedImageError(Format(msg::SUnsupportedImage, msg::SNoPicture));
  name = NewImageResourceName();
  return doc.CreateImageObject(*Image, name);
}

std::string TkvImageWaterMarkTemplate::WatermarkContent(const std::string& resourceName, double x, double y,
                                                        double originX, double originY) {
  if (Image && Width == 0) Width = Image->Width();
  if (Image && Height == 0) Height = Image->Height();
  FitBox(Width, Height, Angle, originX, originY, x, y);
  const double a = Angle * kDegree, cosA = std::cos(a), sinA = std::sin(a);
  return Line({"q"}) + Line({"0 g 0 G"}) + Line({"1 0 0 1", FixedText(x, 3), FixedText(y, 3), "cm"}) +
         Line({FixedText(cosA, 3), FixedText(sinA, 3), FixedText(-sinA, 3), FixedText(cosA, 3), "0 0", "cm"}) +
         Line({FixedText(Width, 3), FixedText(0, 3), FixedText(0, 3), FixedText(Height, 3), "0 0", "cm"}) +
         Line({resourceName, "Do"}) + "Q\r\n";
}

}  // namespace kv
