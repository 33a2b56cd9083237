// Interactive form fields: the flat, indexed list of fields a document's form holds, read
// from the /AcroForm field tree, and the errors of reading and setting field values.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/kvPDFUtils.h"
#include "pdf/objects/kvPDFObjects.h"

namespace kv {

KV_DECLARE_EXCEPTION(EAcroFormError, EPDFException)
KV_DECLARE_EXCEPTION(EInvalidFieldValue, EAcroFormError)
KV_DECLARE_EXCEPTION(EFormFieldReadOnly, EAcroFormError)
KV_DECLARE_EXCEPTION(EFieldNotFound, EAcroFormError)
KV_DECLARE_EXCEPTION(ENoAcroFields, EAcroFormError)

enum TkvFieldType : uint8_t { ftButton, ftRadio, ftCheckBox, ftText, ftChoice, ftSignature };

// "Button", "Radio", "CheckBox", "Text", "Choice" or "Signature".
const char* FieldTypeName(TkvFieldType type);

// Field flags (/Ff bits) the form code acts on.
inline constexpr int32_t kFfReadOnly = 1;
inline constexpr int32_t kFfMultiline = 4096;
inline constexpr int32_t kFfNoToggleToOff = 16384;
inline constexpr int32_t kFfRadio = 32768;
inline constexpr int32_t kFfPushButton = 65536;
inline constexpr int32_t kFfCombo = 131072;
inline constexpr int32_t kFfEdit = 262144;

// How a field draws its text: the font resource named by its default appearance (/DA),
// the font object the default resources (/DR) give that name, and the rest of /DA.
struct TkvFontInfo {
  TkvFontInfo() = default;
  TkvFontInfo(const TkvFontInfo& other);
  TkvFontInfo& operator=(const TkvFontInfo& other);

  std::string FontName;        // resource name with its "/" ("/Helv"); empty when /DA names none
  double FontSize = 0;         // 0: the size follows the widget's height
  TkvPDFObjectPtr FontObject;  // the /DR entry for FontName (usually a reference); null when none
  std::string ColorText;       // the colour operator with its operands ("0 0 1 rg"); may be empty
};

// One field of the list. The field's dictionary stays in the document's object store;
// the record holds what was read from it.
struct TkvAcroFormField {
  TkvPDFObjectStore* Store = nullptr;
  TkvPDFIndirectObject* FieldObject = nullptr;  // owned by Store
  std::string Name;                             // full name ("address.street")
  std::string Value;                            // process code page text
  TkvFieldType FieldType = ftText;
  TkvFontInfo FontInfo;
  bool ReadOnly = false;
  bool Multiline = false;
  int32_t MaxLen = 0;
  std::vector<std::string> Options;  // allowed values
  int32_t Flags = -1;                // /Ff, or -1 when absent
  uint8_t Alignment = 0;             // /Q: 0 left, 1 centred, 2 right

  TkvPDFDictObject* Dictionary() const;
  bool HasOption(const std::string& value) const;
  // Adds a value to Options unless it is there already.
  void AddOption(const std::string& value);
};

// The fields of a form in tree order (parents before their kids).
class TkvAcroFormFields {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TkvAcroFormField& Field(int32_t index) { return *items_[static_cast<size_t>(index)]; }
  const TkvAcroFormField& Field(int32_t index) const { return *items_[static_cast<size_t>(index)]; }
  void Add(std::unique_ptr<TkvAcroFormField> field) { items_.push_back(std::move(field)); }
  // Index of the first field with this full name; -1 when none.
  int32_t IndexOfName(const std::string& name) const;

 private:
  std::vector<std::unique_ptr<TkvAcroFormField>> items_;
};

using TkvFormWarning = std::function<void(const std::string&)>;

// A field tree deeper than this is not followed further: real forms nest a handful of
// levels, and a chain of thousands of /Kids would otherwise exhaust the call stack.
inline constexpr int kMaxFieldDepth = 100;

// Reads the field list of a form dictionary whose objects are in `store`. Returns null
// when the form has no /Fields. Loops and repeated fields are read once, with a warning;
// fields nested deeper than kMaxFieldDepth are left out, with a warning.
std::unique_ptr<TkvAcroFormFields> ReadFormFields(TkvPDFObjectStore& store, const TkvPDFDictObject& form,
                                                  const TkvFormWarning& warning);

// The /DA text split into its font name and size (the last "Tf") and its colour
// operator (the last "g", "rg" or "k", with its operands).
void ParseDefaultAppearance(const std::string& da, TkvFontInfo& info);

}  // namespace kv
