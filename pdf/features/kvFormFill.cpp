#include "pdf/features/kvFormFill.h"

#include "core/kvUtils.h"
#include "pdf/features/kvAcroFormConsts.h"
#include "pdf/features/kvFieldText.h"
#include "pdf/features/kvFormObjectUtils.h"

namespace kv {

namespace {

using namespace form;

// The widgets that show a field: its kids that are not fields of their own, or, for a
// field without kids, the field itself (a field and its only widget share a dictionary,
// with or without /Type /Annot).
std::vector<TkvPDFDictObject*> WidgetsOf(TkvPDFDictObject& dict, const TkvPDFObjectStore& store) {
  std::vector<TkvPDFDictObject*> widgets;
  TkvPDFArrayObject* kids = ArrayOf(store, dict.GetValue("/Kids"));
  if (!kids) {
    widgets.push_back(&dict);
    return widgets;
  }
  for (const auto& kid : kids->Items)
    if (TkvPDFDictObject* w = DictOf(store, kid.get()); w && w != &dict && !w->GetValue("/T")) widgets.push_back(w);
  return widgets;
}

bool HasNormalState(const TkvPDFObjectStore& store, TkvPDFDictObject& widget, const std::string& state) {
  TkvPDFDictObject* ap = DictOf(store, widget.GetValue("/AP"));
  TkvPDFDictObject* normal = ap ? DictOf(store, ap->GetValue("/N")) : nullptr;
  if (!normal) return false;
  for (int32_t i = 0; i < normal->Count(); ++i)
    if (NameObjectText(*normal->GetKeyAt(i)) == state) return true;
  return false;
}

// Radio buttons and check boxes: /V names the state, and every widget shows that state
// when it has an appearance for it, else its off state. A radio button without kids or
// any appearance dictionary cannot show a state at all.
void SetButtonState(const TkvAcroFormField& field, TkvPDFDictObject& dict, const std::string& value,
                    TkvFormContext& ctx) {
  TkvPDFArrayObject* kids = ArrayOf(ctx.Store, dict.GetValue("/Kids"));
  if (field.FieldType == ftRadio && !kids && !DictOf(ctx.Store, dict.GetValue("/AP")))
    throw EAcroFormError(msg::SNoAppearanceStream);
  for (TkvPDFDictObject* widget : WidgetsOf(dict, ctx.Store)) {
    bool known = HasNormalState(ctx.Store, *widget, value);
    // A check box widget without appearances takes the state as given: it may be drawn
    // by a viewer that regenerates appearances.
    bool keep = known || (field.FieldType == ftCheckBox && !DictOf(ctx.Store, widget->GetValue("/AP")));
    widget->SetValue("/AS", keep ? MakeFieldName(value) : MakeFieldName("Off"));
  }
  dict.SetValue("/V", MakeFieldName(value));
}

void SetTextValue(const TkvAcroFormField& field, TkvPDFDictObject& dict, const std::string& value,
                  TkvFormContext& ctx) {
  std::vector<TkvPDFDictObject*> widgets = WidgetsOf(dict, ctx.Store);
  // A widget without a rectangle cannot be drawn: found before the value changes.
  for (TkvPDFDictObject* widget : widgets) {
    TkvPDFArrayObject* rect = ArrayOf(ctx.Store, widget->GetValue("/Rect"));
    if (!rect || rect->Count() < 4) throw EAcroFormError(msg::SNoWidgetRect);
  }
  dict.SetValue("/V", MakeFieldTextString(value));
  for (TkvPDFDictObject* widget : widgets) BuildTextAppearance(field, *widget, value, ctx);
}

void Validate(const TkvAcroFormField& field, const std::string& value) {
  if (field.ReadOnly) throw EFormFieldReadOnly(msg::SFieldReadOnly);
  switch (field.FieldType) {
    case ftRadio:
      if (!field.HasOption(value)) throw EInvalidFieldValue(msg::SInvalidRadioValue);
      break;
    case ftCheckBox:
      if (!field.HasOption(value)) throw EInvalidFieldValue(msg::SInvalidCheckBoxValue);
      break;
    case ftChoice: {
      bool editableCombo = field.Flags != -1 && (field.Flags & kFfCombo) && (field.Flags & kFfEdit);
      if (!editableCombo && !field.HasOption(value)) throw EInvalidFieldValue(msg::SInvalidChoiceValue);
      break;
    }
    default:
      break;
  }
}

}  // namespace

std::string CutToCharacters(const std::string& text, int32_t maxLen) {
  if (maxLen <= 0 || static_cast<int64_t>(text.size()) <= maxLen) return text;
  std::u16string units = AnsiToUtf16(text);
  size_t cut = 0;
  for (int32_t chars = 0; cut < units.size() && chars < maxLen; ++chars)
    cut += (units[cut] >= 0xD800 && units[cut] <= 0xDBFF && cut + 1 < units.size()) ? 2 : 1;
  if (cut >= units.size()) return text;
  return Utf16ToAnsi(units.substr(0, cut));
}

void SetFormFieldValue(TkvAcroFormField& field, std::string value, TkvFormContext& ctx) {
  if (field.MaxLen > 0) value = CutToCharacters(value, field.MaxLen);
  // Every refusal comes before the first change: a refused value leaves the document as
  // it was.
  Validate(field, value);
  if (!ctx.Form.GetValue("/NeedAppearances")) ctx.Form.SetBoolean("/NeedAppearances", true);
  TkvPDFDictObject* dict = field.Dictionary();
  if (field.FieldType != ftButton && field.FieldType != ftSignature) {
    try {
      if (!dict) throw EAcroFormError(msg::SSetFieldValueError);
      switch (field.FieldType) {
        case ftRadio:
        case ftCheckBox:
          SetButtonState(field, *dict, value, ctx);
          break;
        case ftText:
          SetTextValue(field, *dict, value, ctx);
          break;
        default:
          // A choice: the index list of a multiple choice no longer matches. List boxes and
          // combo boxes alike show the chosen value, so both are redrawn.
          dict->Remove("/I");
          SetTextValue(field, *dict, value, ctx);
          break;
      }
    } catch (const std::exception&) {
      throw EAcroFormError(msg::SSetFieldValueError);
    }
  }
  field.Value = std::move(value);
}

}  // namespace kv
