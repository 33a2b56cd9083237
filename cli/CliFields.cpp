// folio fields and folio fill: listing a document's form fields and setting their values
// by full name.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliCommands.h"
#include "pdf/features/kvFieldText.h"
#include "pdf/features/kvFormObjectUtils.h"

namespace folio {

namespace {

// The selected values of a field whose /V is an array (a list box with several chosen);
// empty otherwise.
std::vector<std::string> SelectedValues(const kv::TkvAcroFormField& field) {
  std::vector<std::string> out;
  kv::TkvPDFDictObject* dict = field.Dictionary();
  kv::TkvPDFArrayObject* array = dict ? kv::form::ArrayOf(*field.Store, dict->GetValue("/V")) : nullptr;
  if (!array) return out;
  for (const auto& item : array->Items) out.push_back(ToUtf8(kv::FieldValueText(field.Store->Resolve(item.get()))));
  return out;
}

std::string ReadAll(const std::string& path) {
  if (path == "-") return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot open " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One value to set. `On` stands for the field's "on" state, whatever its name.
struct Assignment {
  std::string Name;
  std::string Value;
  bool On = false;
};

// What a JSON value stands for: strings as they are, numbers as written, true as the
// field's "on" state and false as "Off" (check boxes and radio buttons).
Assignment FromJson(const std::string& name, const nlohmann::json& value) {
  if (value.is_string()) return {name, value.get<std::string>()};
  if (value.is_number_integer()) return {name, std::to_string(value.get<int64_t>())};
  if (value.is_number()) return {name, value.dump()};
  if (value.is_boolean()) return {name, "Off", value.get<bool>()};
  throw UsageError("--values: the value of '" + name + "' is not a string, number or boolean");
}

// The first state of a button other than "Off".
std::string OnState(const std::vector<std::string>& options) {
  for (const std::string& o : options)
    if (o != "Off") return o;
  return "Off";
}

}  // namespace

void Commands::RegisterFields(CLI::App& app) {
  auto* fields = app.add_subcommand("fields", "List the form fields: full name, type, value, choices");
  fields->add_option("FILE", file_, "PDF file")->required();
  fields->add_flag("--json", json_, "Print a JSON list");
  AddInputOptions(*fields, in_);
  fields->callback([this] { run_ = [this] { return Fields(); }; });

  auto* fill = app.add_subcommand("fill", "Set form field values by full name");
  fill->add_option("FILE", file_, "PDF file")->required();
  fill->add_option("NAME=VALUE", assignments_, "Field full name and the value to set");
  fill->add_option("--values", valuesFile_, "JSON object of full name -> value ('-' = stdin)")
      ->type_name("VALUES.json");
  AddInputOptions(*fill, in_);
  AddOutputOptions(*fill, out_);
  fill->callback([this] { run_ = [this] { return Fill(); }; });
}

int Commands::Fields() {
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  const kv::TkvAcroFormFields* fields = doc.FormFields();
  int32_t count = doc.FieldCount();
  if (json_) {
    nlohmann::json list = nlohmann::json::array();
    for (int32_t i = 0; i < count; ++i) {
      const kv::TkvAcroFormField& f = fields->Field(i);
      nlohmann::json options = nlohmann::json::array();
      for (const std::string& o : f.Options) options.push_back(ToUtf8(o));
      std::vector<std::string> selected = SelectedValues(f);
      nlohmann::json value = selected.empty() ? nlohmann::json(ToUtf8(f.Value)) : nlohmann::json(selected);
      list.push_back({{"index", i},
                      {"name", ToUtf8(f.Name)},
                      {"type", kv::FieldTypeName(f.FieldType)},
                      {"value", value},
                      {"options", options},
                      {"read_only", f.ReadOnly}});
    }
    std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
  }
  for (int32_t i = 0; i < count; ++i) {
    const kv::TkvAcroFormField& f = fields->Field(i);
    std::string line = ToUtf8(f.Name) + " (" + kv::FieldTypeName(f.FieldType) + ") = " + ToUtf8(f.Value);
    if (!f.Options.empty()) {
      line += "  [";
      for (size_t k = 0; k < f.Options.size(); ++k) line += (k ? "|" : "") + ToUtf8(f.Options[k]);
      line += "]";
    }
    if (f.ReadOnly) line += "  read-only";
    std::cout << OneLine(line) << "\n";
  }
  return 0;
}

int Commands::Fill() {
  // Every assignment is read before the document is touched: a malformed one is a usage
  // error however late it comes.
  std::vector<Assignment> values;
  if (!valuesFile_.empty()) {
    nlohmann::json j;
    try {
      j = nlohmann::json::parse(ReadAll(valuesFile_));
    } catch (const nlohmann::json::exception& e) {
      throw UsageError("--values: " + std::string(e.what()));
    }
    if (!j.is_object()) throw UsageError("--values: expected a JSON object of field name -> value");
    for (const auto& [name, value] : j.items()) values.push_back(FromJson(name, value));
  }
  for (const std::string& a : assignments_) {
    size_t eq = a.find('=');
    if (eq == std::string::npos) throw UsageError("expected NAME=VALUE, got '" + a + "'");
    values.push_back({a.substr(0, eq), a.substr(eq + 1)});
  }
  if (values.empty()) throw UsageError("no values to set: give NAME=VALUE or --values");

  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  for (const Assignment& a : values) {
    int32_t index = doc.IndexOfField(kv::Utf8ToText(a.Name));
    if (index < 0) throw std::runtime_error("no field named '" + a.Name + "'");
    doc.SetFieldValue(index, a.On ? OnState(doc.FieldOptions(index)) : kv::Utf8ToText(a.Value));
  }
  Save(doc);
  return 0;
}

}  // namespace folio
