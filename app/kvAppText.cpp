#include "app/kvAppText.h"

#include "core/kvUtils.h"

namespace kv {

QString FromAnsi(const std::string& text) { return QString::fromStdU16String(AnsiToUtf16(text)); }

std::string ToAnsi(const QString& text) { return Utf16ToAnsi(text.toStdU16String()); }

}  // namespace kv
