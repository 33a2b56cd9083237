#include "app/kvDemoStamp.h"

#include "app/kvSimpleDemoConsts.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvWatermarkTemplates.h"

namespace kv {

namespace {

// Colours as the library takes them: 0x00BBGGRR.
constexpr TkvColor kMaroon = 0x000080;
constexpr TkvColor kBlue = 0xFF0000;
constexpr TkvColor kBlack = 0x000000;
// The two lines sit this far (in the document's unit) above and below page 1's middle.
constexpr double kLineOffset = 50;

void StampLine(TkvPDFDocument& document, const char* text, int32_t size, TkvColor color, double y) {
  TkvTextWaterMarkTemplate line;
  line.Text = text;
  line.Font.Name = ui::SDemoStampFont;
  line.Font.Size = size;
  line.Font.Style = fsBold;
  line.Font.Charset = kDefaultCharset;
  line.Font.Color = color;
  line.StrokeColor = kBlack;
  line.RenderingMode = 2;  // fill and stroke
  line.Angle = 0;
  line.HorizontalPosition = hpCenter;
  line.VerticalPosition = vpCustom;
  line.Y = y;
  line.Overlay = true;
  document.InsertWatermark(line);
}

}  // namespace

void StampDemoMarkings(TkvPDFDocument& document) {
  TkvPDFRect page = document.GetPageMediaBox(1);  // in the document's unit
  const double middle = (page.Top - page.Bottom) / 2;
  StampLine(document, ui::SDemoStampText, 19, kMaroon, middle - kLineOffset);
  StampLine(document, ui::SDemoStampAddress, 25, kBlue, middle + kLineOffset);
}

}  // namespace kv
