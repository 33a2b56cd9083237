// Marking templates: what a watermark or stamp shows (a line of text in a font, or a
// picture), where on the page (an anchor and an angle) and whether over or under the
// page's content. A template builds the content text of one marking; the processor
// (kvWatermarkProcessor.h) places it on pages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/kvPDFUtils.h"
#include "pdf/document/kvDocumentTypes.h"
#include "pdf/features/kvPicture.h"
#include "pdf/fonts/kvExPDFFont.h"

namespace kv {

class TkvExPDFDocument;

// A colour as 0x00BBGGRR, or a system colour (0x80000000 + index) resolved through the
// classic desktop defaults.
using TkvColor = uint32_t;
// Red, green and blue of a colour (0x00BBGGRR), system colours resolved.
uint32_t ResolveColor(TkvColor color);

enum TkvHorizontalPosition : uint8_t { hpLeft, hpCenter, hpRight, hpCustom };
enum TkvVerticalPosition : uint8_t { vpTop, vpMiddle, vpBottom, vpCustom };

// Numbers of content text, "." whatever the locale: v with d decimals ("0.500"; a value
// that rounds to zero is written without a minus sign), and the shortest general form.
std::string FixedText(double v, int decimals);
std::string GeneralText(double v);
// A colour as the three operands r g b, each byte / 255 with four decimals.
std::string ColorText(TkvColor color);

class TkvWaterMarkTemplate {
 public:
  virtual ~TkvWaterMarkTemplate() = default;
  // The content text of one marking whose anchor on the page is (x, y) in points (see
  // TkvCustomWatermarkTemplate::AnchorPoint); the page's lower-left corner is
  // (originX, originY). `resourceName` is the font's or the image's name ("/XKRFnt...").
  virtual std::string WatermarkContent(const std::string& resourceName, double x, double y, double originX = 0,
                                       double originY = 0) = 0;
};

class TkvCustomWatermarkTemplate : public TkvWaterMarkTemplate {
 public:
  int32_t Angle = 0;  // degrees, counter-clockwise
  bool Overlay = false;
  TkvHorizontalPosition HorizontalPosition = hpCenter;
  TkvVerticalPosition VerticalPosition = vpMiddle;
  double X = 0;  // document unit, from the left edge; used with hpCustom
  double Y = 0;  // document unit, from the top edge; used with vpCustom

  // The anchor of the marking on a page of `mediaBox` (points), before the marking's
  // box is fitted in: an edge, the middle, or the custom distance (given in `unit`) from
  // the left or top edge. Measured from the box's own corner, so pages whose box does not
  // start at 0 are marked in the same place as the others.
  void AnchorPoint(const TkvPDFRect& mediaBox, TkvMeasurementUnit unit, double& x, double& y) const;
  // Moves the anchor so that the marking's box (w by h points, turned by `angle`
  // degrees) lies on the page as its positions ask, then takes coordinates within 0.1
  // of the page's corner to the corner.
  void FitBox(double w, double h, double angle, double originX, double originY, double& x, double& y) const;

  // The resource the marking draws with, made once per stamping operation in `doc`'s
  // store; `name` receives its resource name. The reference has one user.
  virtual std::unique_ptr<TkvPDFIndirectReference> MakeResource(TkvExPDFDocument& doc, std::string& name) = 0;
  // The /Resources category the resource goes in: "/Font" or "/XObject".
  virtual const char* ResourceCategory() const = 0;
};

class TkvTextWaterMarkTemplate : public TkvCustomWatermarkTemplate {
 public:
  TkvTextWaterMarkTemplate();
  ~TkvTextWaterMarkTemplate() override;

  std::string Text;         // process code page
  TkvFontDescription Font;  // its colour fills the text
  TkvColor StrokeColor = 0;
  uint8_t RenderingMode = 0;  // 0 fill, 1 stroke, 2 fill and stroke

  std::string WatermarkContent(const std::string& resourceName, double x, double y, double originX = 0,
                               double originY = 0) override;
  std::unique_ptr<TkvPDFIndirectReference> MakeResource(TkvExPDFDocument& doc, std::string& name) override;
  const char* ResourceCategory() const override { return "/Font"; }

  // The font measured for the current `Font` (measured again when `Font` changed).
  TkvPDFExtendedFont& MeasuredFont();

 private:
  std::unique_ptr<TkvPDFExtendedFont> FMeasured;
  TkvFontDescription FMeasuredFor;
};

class TkvImageWaterMarkTemplate : public TkvCustomWatermarkTemplate {
 public:
  std::unique_ptr<TkvPicture> Image;
  double Width = 0;   // points; 0 takes the picture's width in pixels
  double Height = 0;  // points; 0 takes the picture's height in pixels

  std::string WatermarkContent(const std::string& resourceName, double x, double y, double originX = 0,
                               double originY = 0) override;
  std::unique_ptr<TkvPDFIndirectReference> MakeResource(TkvExPDFDocument& doc, std::string& name) override;
  const char* ResourceCategory() const override { return "/XObject"; }
};

}  // namespace kv
