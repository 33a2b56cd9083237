// Setting a form field's value: validation against the field's type, flags and allowed
// values, and every effect on the document (/V, button states, appearance streams, the
// form's /NeedAppearances).
#pragma once

#include <string>

#include "pdf/features/kvFieldAppearance.h"

namespace kv {

// Sets `value` (process code page text) on `field`. Fails with EFormFieldReadOnly or
// EInvalidFieldValue before anything changes; any later failure is EAcroFormError
// "Unexpected error while setting form field value".
void SetFormFieldValue(TkvAcroFormField& field, std::string value, TkvFormContext& ctx);

// `text` cut to its first `maxLen` characters (not bytes).
std::string CutToCharacters(const std::string& text, int32_t maxLen);

}  // namespace kv
