// Text between the wizard and the library: the library keeps document text in the
// process code page, the windows show Unicode.
#pragma once

#include <QString>
#include <string>

namespace kv {

QString FromAnsi(const std::string& text);
// Characters the code page cannot hold become "?".
std::string ToAnsi(const QString& text);

}  // namespace kv
