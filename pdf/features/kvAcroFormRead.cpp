// Reading the field tree of a form into the flat field list.
#include <unordered_set>

#include "pdf/features/kvAcroForm.h"
#include "pdf/features/kvAcroFormConsts.h"
#include "pdf/features/kvFieldText.h"
#include "pdf/features/kvFormObjectUtils.h"

namespace kv {

namespace {

using namespace form;

// What a field inherits from the form and its ancestors: the default appearance, the
// font dictionaries of the default resources (nearest first) and the alignment.
struct TkvInherited {
  std::string DA;
  std::vector<const TkvPDFDictObject*> Fonts;
  uint8_t Alignment = 0;
};

TkvFieldType TypeOf(const std::string& ft, int32_t flags) {
  if (ft == "/Btn") {
    if (flags == -1) return ftCheckBox;
    if (flags & kFfPushButton) return ftButton;
    if (flags & kFfRadio) return ftRadio;
    return ftCheckBox;
  }
  if (ft == "/Tx") return ftText;
  if (ft == "/Sig") return ftSignature;
  return ftChoice;
}

class TkvFieldTreeReader {
 public:
  TkvFieldTreeReader(TkvPDFObjectStore& store, const TkvFormWarning& warning, TkvAcroFormFields& list)
      : store_(store), warning_(warning), list_(list) {}

  void ReadField(TkvPDFObject* ref, TkvAcroFormField* parent, const std::string& parentName,
                 const TkvInherited& inherited, int depth);
  void Inherit(const TkvPDFDictObject& dict, TkvInherited& into) const;

 private:
  void Warn(const std::string& text) const {
    if (warning_) warning_(text);
  }
  void CollectOptions(TkvAcroFormField& field, const TkvPDFDictObject& dict);
  void FindFont(TkvFontInfo& info, const TkvInherited& inherited) const;

  TkvPDFObjectStore& store_;
  const TkvFormWarning& warning_;
  TkvAcroFormFields& list_;
  std::unordered_set<int64_t> seen_;
  bool deepWarned_ = false;
};

void TkvFieldTreeReader::Inherit(const TkvPDFDictObject& dict, TkvInherited& into) const {
  if (TkvPDFStringObject* da = StringOf(store_, dict.GetValue("/DA"))) into.DA = da->RawBytes();
  if (TkvPDFDictObject* dr = DictOf(store_, dict.GetValue("/DR")))
    if (TkvPDFDictObject* fonts = DictOf(store_, dr->GetValue("/Font"))) into.Fonts.insert(into.Fonts.begin(), fonts);
  int32_t q = IntegerOf(store_, dict.GetValue("/Q"), -1);
  if (q >= 0 && q <= 2) into.Alignment = static_cast<uint8_t>(q);
}

void TkvFieldTreeReader::FindFont(TkvFontInfo& info, const TkvInherited& inherited) const {
  ParseDefaultAppearance(inherited.DA, info);
  if (info.FontName.empty()) return;
  for (const TkvPDFDictObject* fonts : inherited.Fonts)
    if (TkvPDFObject* font = fonts->GetValue(info.FontName)) {
      info.FontObject = font->Clone();
      return;
    }
}

void TkvFieldTreeReader::CollectOptions(TkvAcroFormField& field, const TkvPDFDictObject& dict) {
  if (field.FieldType == ftChoice) {
    TkvPDFArrayObject* opt = ArrayOf(store_, dict.GetValue("/Opt"));
    if (!opt) return;
    field.Options.clear();
    for (const auto& item : opt->Items) {
      TkvPDFObject* v = store_.Resolve(item.get());
      if (v && v->IsString()) {
        field.Options.push_back(FieldValueText(v));
      } else if (auto* pair = CastIfKind<TkvPDFArrayObject>(v)) {
        for (int32_t i = 0; i < pair->Count(); i += 2)
          field.Options.push_back(FieldValueText(store_.Resolve(pair->GetItem(i))));
      }
    }
    return;
  }
  if (field.FieldType != ftRadio && field.FieldType != ftCheckBox) return;
  TkvPDFDictObject* ap = DictOf(store_, dict.GetValue("/AP"));
  TkvPDFDictObject* normal = ap ? DictOf(store_, ap->GetValue("/N")) : nullptr;
  if (!normal) return;
  bool skipOff = field.FieldType == ftRadio && field.Flags != -1 && (field.Flags & kFfNoToggleToOff);
  for (int32_t i = 0; i < normal->Count(); ++i) {
    std::string state = NameObjectText(*normal->GetKeyAt(i));
    if (skipOff && state == "Off") continue;
    field.AddOption(state);
  }
}

void TkvFieldTreeReader::ReadField(TkvPDFObject* ref, TkvAcroFormField* parent, const std::string& parentName,
                                   const TkvInherited& inherited, int depth) {
  TkvPDFIndirectObject* object = store_.Find(CastIfKind<TkvPDFIndirectReference>(ref));
  auto* dict = object ? CastIfKind<TkvPDFDictObject>(object->Value) : nullptr;
  if (!dict) return;
  if (!seen_.insert(object->Key()).second) {
    Warn(Format(msg::SFieldListedAgain, object->ObjectNumber));
    return;
  }
  if (depth > kMaxFieldDepth) {
    if (!deepWarned_) Warn(Format(msg::SFieldTreeTooDeep, kMaxFieldDepth));
    deepWarned_ = true;
    return;
  }
  TkvInherited own = inherited;
  Inherit(*dict, own);

  if (parent) {
    if (parent->Value.empty()) parent->Value = FieldValueText(store_.Resolve(dict->GetValue("/V")));
    CollectOptions(*parent, *dict);
  }
  int32_t flags = IntegerOf(store_, dict->GetValue("/Ff"), -1);
  std::string name = parentName;
  TkvAcroFormField* made = nullptr;
  if (auto* t = CastIfKind<TkvPDFStringObject>(store_.Resolve(dict->GetValue("/T")))) {
    std::string part = StringObjectText(*t);
    name = parentName.empty() ? part : parentName + "." + part;
    TkvPDFNameObject* ft = NameOf(store_, dict->GetValue("/FT"));
    if (ft) {
      auto field = std::make_unique<TkvAcroFormField>();
      field->Store = &store_;
      field->FieldObject = object;
      field->Name = name;
      field->Flags = flags;
      field->FieldType = TypeOf(ft->Value, flags);
      field->ReadOnly = flags != -1 && (flags & kFfReadOnly);
      field->Multiline = flags != -1 && (flags & kFfMultiline);
      field->MaxLen = std::max(0, IntegerOf(store_, dict->GetValue("/MaxLen"), 0));
      field->Alignment = own.Alignment;
      field->Value = FieldValueText(store_.Resolve(dict->GetValue("/V")));
      FindFont(field->FontInfo, own);
      if (field->FieldType == ftCheckBox) field->Options.push_back("Off");
      CollectOptions(*field, *dict);
      made = field.get();
      list_.Add(std::move(field));
    }
  }
  TkvPDFArrayObject* kids = ArrayOf(store_, dict->GetValue("/Kids"));
  if (!kids) return;
  for (int32_t i = 0; i < kids->Count(); ++i) ReadField(kids->GetItem(i), made, name, own, depth + 1);
}

bool IsNumberToken(const std::string& t) {
  double v = 0;
  return TryStrToFloat(t, v);
}

}  // namespace

TkvFontInfo::TkvFontInfo(const TkvFontInfo& other)
    : FontName(other.FontName),
      FontSize(other.FontSize),
      FontObject(other.FontObject ? other.FontObject->Clone() : nullptr),
      ColorText(other.ColorText) {}

TkvFontInfo& TkvFontInfo::operator=(const TkvFontInfo& other) {
  if (this != &other) {
    FontName = other.FontName;
    FontSize = other.FontSize;
    FontObject = other.FontObject ? other.FontObject->Clone() : nullptr;
    ColorText = other.ColorText;
  }
  return *this;
}

const char* FieldTypeName(TkvFieldType type) {
  static const char* const kNames[] = {"Button", "Radio", "CheckBox", "Text", "Choice", "Signature"};
  return type <= ftSignature ? kNames[type] : "";
}

TkvPDFDictObject* TkvAcroFormField::Dictionary() const {
  return FieldObject ? CastIfKind<TkvPDFDictObject>(FieldObject->Value) : nullptr;
}

bool TkvAcroFormField::HasOption(const std::string& value) const {
  for (const std::string& o : Options)
    if (o == value) return true;
  return false;
}

void TkvAcroFormField::AddOption(const std::string& value) {
  if (!HasOption(value)) Options.push_back(value);
}

int32_t TkvAcroFormFields::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Name == name) return static_cast<int32_t>(i);
  return -1;
}

void ParseDefaultAppearance(const std::string& da, TkvFontInfo& info) {
  std::vector<std::string> operands;
  size_t i = 0;
  while (i < da.size()) {
    char c = da[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0') {
      ++i;
      continue;
    }
    size_t start = i;
    if (c == '/') ++i;
    while (i < da.size() && std::string_view(" \t\r\n\f/[]()<>{}%").find(da[i]) == std::string_view::npos &&
           da[i] != '\0')
      ++i;
    if (i == start) {
      // A delimiter we do not interpret (an array or string operand): operands so far
      // belong to some other operator.
      operands.clear();
      ++i;
      continue;
    }
    std::string token = da.substr(start, i - start);
    if (token[0] == '/' || IsNumberToken(token)) {
      operands.push_back(std::move(token));
      continue;
    }
    size_t n = operands.size();
    if (token == "Tf" && n >= 2 && operands[n - 2][0] == '/') {
      info.FontName = operands[n - 2];
      TryStrToFloat(operands[n - 1], info.FontSize);
      if (info.FontSize < 0) info.FontSize = -info.FontSize;
    } else if ((token == "g" && n >= 1) || (token == "rg" && n >= 3) || (token == "k" && n >= 4)) {
      size_t count = token == "g" ? 1 : token == "rg" ? 3 : 4;
      std::string color;
      for (size_t k = n - count; k < n; ++k) color += operands[k] + " ";
      info.ColorText = color + token;
    }
    operands.clear();
  }
}

std::unique_ptr<TkvAcroFormFields> ReadFormFields(TkvPDFObjectStore& store, const TkvPDFDictObject& form,
                                                  const TkvFormWarning& warning) {
  TkvPDFObject* fieldsObj = form.GetValue("/Fields");
  if (!fieldsObj) return nullptr;
  auto list = std::make_unique<TkvAcroFormFields>();
  TkvPDFArrayObject* fields = ArrayOf(store, fieldsObj);
  if (!fields) return list;
  TkvFieldTreeReader reader(store, warning, *list);
  TkvInherited inherited;
  reader.Inherit(form, inherited);
  for (int32_t i = 0; i < fields->Count(); ++i) reader.ReadField(fields->GetItem(i), nullptr, "", inherited, 0);
  return list;
}

}  // namespace kv
