// Messages of the form field units.
#pragma once

namespace kv::msg {
inline constexpr const char* SNoAcroFields = "Document does not contain any form fields";
inline constexpr const char* SFieldNotFound = "Field corresponding to index (%d) does not exist.";
inline constexpr const char* SFieldReadOnly = "The field is read only";
inline constexpr const char* SInvalidRadioValue = "Invalid value for radio field";
inline constexpr const char* SInvalidCheckBoxValue = "Invalid value for checkbox field";
inline constexpr const char* SInvalidChoiceValue = "Invalid value for choice field";
inline constexpr const char* SSetFieldValueError = "Unexpected error while setting form field value";
inline constexpr const char* SNoAppearanceStream = "Error obtaining appearance stream";
// Our own, for field trees whose links do not form a tree.
inline constexpr const char* SFieldListedAgain =
    "Form field object %d is listed more than once: it is read at its first place only";
inline constexpr const char* SFieldTreeTooDeep =
    "Form fields nested more than %d levels deep: deeper fields are left out";
inline constexpr const char* SFieldTreeTooLarge = "Form holds more than %d fields and widgets: the rest are left out";
inline constexpr const char* SNoWidgetRect = "Form field widget has no rectangle";
}  // namespace kv::msg
