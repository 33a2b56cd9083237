// folio bookmarks: prints a document's outline as an indented list or as JSON, and
// replaces it by a tree read from JSON (the same form --json prints).
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliCommands.h"
#include "CliProgress.h"

namespace folio {

namespace {

using Json = nlohmann::ordered_json;

// Bookmarks read from JSON nest no deeper than the library reads outlines from files.
constexpr int kMaxImportDepth = 256;

const char* const kUnitNames[] = {"px", "pt", "in", "mm", "twips"};
const kv::TkvMeasurementUnit kUnits[] = {kv::muPixels, kv::muPoints, kv::muInches, kv::muMM, kv::muTwips};
// In the order of kv::TkvDestinationType.
const char* const kFitNames[] = {"XYZ", "Fit", "FitH", "FitV", "FitR", "FitB", "FitBH", "FitBV"};

// Coordinates shown to four decimals: unit conversions leave digits beyond that which
// would make the same outline print differently after a round trip.
double Rounded(double v) { return std::round(v * 1e4) / 1e4; }

Json Number(double v) {
  if (v == -1) return nullptr;
  double r = Rounded(v);
  if (r == std::floor(r) && std::fabs(r) < 1e15) return static_cast<int64_t>(r);
  return r;
}

std::string Text(double v) {
  if (v == -1) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", Rounded(v));
  std::string s = buf;
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

// The values a fit type uses, in the order of its destination array (zoom in percent).
std::vector<double> FitValues(const kv::TkvPDFDestination& d) {
  double zoom = d.ZoomFactor == -1 ? -1 : d.Zoom();
  switch (d.DestType) {
    case kv::dtXYZ:
      return {d.Left, d.Top, zoom};
    case kv::dtFitH:
    case kv::dtFitBH:
      return {d.Top};
    case kv::dtFitV:
    case kv::dtFitBV:
      return {d.Left};
    case kv::dtFitR:
      return {d.Left, d.Bottom, d.Right, d.Top};
    default:
      return {};
  }
}

// An item's destination when it has one in this document; null otherwise (no target, a
// target elsewhere, or one that cannot be read).
std::unique_ptr<kv::TkvPDFDestination> TargetOf(const kv::TkvPDFOutline& item, const kv::TkvPageIndex& index) {
  try {
    std::unique_ptr<kv::TkvPDFDestination> d = item.Destination(index);
    return d && d->Page > 0 ? std::move(d) : nullptr;
  } catch (const kv::EOutlineError&) {
    return nullptr;
  }
}

Json ItemJson(const kv::TkvPDFOutline& item, const kv::TkvPageIndex& index) {
  std::unique_ptr<kv::TkvPDFDestination> d = TargetOf(item, index);
  Json j;
  j["title"] = item.TitleUtf8();
  j["page"] = d ? Json(d->Page) : Json(nullptr);
  j["fit"] = d ? Json(kFitNames[d->DestType]) : Json(nullptr);
  bool xyz = d && d->DestType == kv::dtXYZ;
  bool fitR = d && d->DestType == kv::dtFitR;
  bool fitV = d && (d->DestType == kv::dtFitV || d->DestType == kv::dtFitBV);
  bool fitH = d && (d->DestType == kv::dtFitH || d->DestType == kv::dtFitBH);
  j["left"] = xyz || fitR || fitV ? Number(d->Left) : Json(nullptr);
  j["top"] = xyz || fitR || fitH ? Number(d->Top) : Json(nullptr);
  j["right"] = fitR ? Number(d->Right) : Json(nullptr);
  j["bottom"] = fitR ? Number(d->Bottom) : Json(nullptr);
  j["zoom"] = xyz && d->ZoomFactor != -1 ? Number(d->Zoom()) : Json(nullptr);
  j["children"] = Json::array();
  for (const kv::TkvPDFOutline* c = item.FirstChild(); c; c = c->Next()) j["children"].push_back(ItemJson(*c, index));
  return j;
}

void PrintItems(const kv::TkvPDFOutline* first, const kv::TkvPageIndex& index, int depth) {
  for (const kv::TkvPDFOutline* item = first; item; item = item->Next()) {
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    line += OneLine(item->TitleUtf8());
    std::unique_ptr<kv::TkvPDFDestination> d = TargetOf(*item, index);
    if (d) {
      line += " -> page " + std::to_string(d->Page) + " " + kFitNames[d->DestType];
      for (double v : FitValues(*d)) line += " " + Text(v);
    } else {
      line += " -> no page";
    }
    std::printf("%s\n", line.c_str());
    PrintItems(item->FirstChild(), index, depth + 1);
  }
}

// ---- reading a tree ----

struct ImportError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

double Coordinate(const Json& item, const char* key, const std::string& where) {
  auto it = item.find(key);
  if (it == item.end() || it->is_null()) return -1;
  if (!it->is_number()) throw ImportError(where + ": \"" + key + "\" must be a number or null");
  return it->get<double>();
}

// The destination an item of the JSON form names; null without a page.
std::unique_ptr<kv::TkvPDFDestination> DestinationOf(const Json& item, const std::string& where) {
  auto page = item.find("page");
  if (page == item.end() || page->is_null()) return nullptr;
  if (!page->is_number_integer() || page->get<int64_t>() < INT32_MIN || page->get<int64_t>() > INT32_MAX)
    throw ImportError(where + ": \"page\" must be a page number or null");
  int type = 1;  // Fit when none is given
  if (auto fit = item.find("fit"); fit != item.end() && !fit->is_null()) {
    std::string name = fit->is_string() ? fit->get<std::string>() : fit->dump();
    type = -1;
    for (int i = 0; i < 8; ++i)
      if (name == kFitNames[i]) type = i;
    if (type < 0) throw ImportError(where + ": unknown fit '" + name + "'");
  }
  auto d = std::make_unique<kv::TkvPDFDestination>(static_cast<int32_t>(page->get<int64_t>()),
                                                   static_cast<kv::TkvDestinationType>(type));
  d->Left = Coordinate(item, "left", where);
  d->Top = Coordinate(item, "top", where);
  d->Right = Coordinate(item, "right", where);
  d->Bottom = Coordinate(item, "bottom", where);
  double zoom = Coordinate(item, "zoom", where);
  if (zoom == -1)
    d->ZoomFactor = -1;
  else
    d->SetZoom(zoom);
  return d;
}

std::string TitleOf(const Json& item, const std::string& where) {
  auto title = item.find("title");
  if (title == item.end() || title->is_null()) return {};
  if (!title->is_string()) throw ImportError(where + ": \"title\" must be a string");
  return title->get<std::string>();
}

const Json* ChildrenOf(const Json& item, const std::string& where) {
  auto children = item.find("children");
  if (children == item.end() || children->is_null()) return nullptr;
  if (!children->is_array()) throw ImportError(where + ": \"children\" must be a list");
  return &*children;
}

// Checks the whole tree before the document is touched.
void CheckItems(const Json& items, const std::string& where, int depth) {
  if (!items.is_array()) throw ImportError(where + ": expected a list of bookmarks");
  if (depth > kMaxImportDepth)
    throw ImportError(where + ": bookmarks nested more than " + std::to_string(kMaxImportDepth) + " levels deep");
  for (size_t i = 0; i < items.size(); ++i) {
    std::string at = where + "[" + std::to_string(i) + "]";
    if (!items[i].is_object()) throw ImportError(at + ": a bookmark must be an object");
    TitleOf(items[i], at);
    DestinationOf(items[i], at);
    if (const Json* children = ChildrenOf(items[i], at)) CheckItems(*children, at + ".children", depth + 1);
  }
}

void AddItems(kv::TkvPDFOutline& parent, kv::TkvPDFOutline* last, const Json& items, size_t from,
              const std::string& where);

// Gives `item` its title and children from `j`.
void FillItem(kv::TkvPDFOutline& item, const Json& j, const std::string& at) {
  item.SetTitleUtf8(TitleOf(j, at));
  if (const Json* children = ChildrenOf(j, at)) AddItems(item, nullptr, *children, 0, at + ".children");
}

// Adds items[from..] as children of `parent`, after `last` (first when null).
void AddItems(kv::TkvPDFOutline& parent, kv::TkvPDFOutline* last, const Json& items, size_t from,
              const std::string& where) {
  for (size_t i = from; i < items.size(); ++i) {
    std::string at = where + "[" + std::to_string(i) + "]";
    std::unique_ptr<kv::TkvPDFDestination> d = DestinationOf(items[i], at);
    last = last ? last->AddNext("", d.get()) : parent.AddChild("", d.get());
    FillItem(*last, items[i], at);
  }
}

Json ReadTree(const std::string& path) {
  std::string text;
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ImportError(path + ": cannot read the file");
    std::ostringstream buf;
    buf << in.rdbuf();
    text = buf.str();
  }
  Json tree = Json::parse(text, nullptr, false);
  if (tree.is_discarded()) throw ImportError(path + ": not valid JSON");
  CheckItems(tree, path, 1);
  return tree;
}

}  // namespace

void Commands::RegisterBookmarks(CLI::App& app) {
  auto* cmd = app.add_subcommand("bookmarks", "Print the outline (bookmarks), or replace it with --import");
  cmd->add_option("FILE", file_, "PDF file")->required();
  auto* json = cmd->add_flag("--json", json_, "Print the outline as JSON (the form --import reads)");
  auto* import = cmd->add_option("--import", import_, "Replace the outline by the tree in TREE.json (- = stdin)")
                     ->type_name("TREE.json");
  cmd->add_option("--unit", unit_, "Unit of coordinates: pt (default), px, in, mm, twips")
      ->check(CLI::IsMember(std::vector<std::string>(std::begin(kUnitNames), std::end(kUnitNames))));
  AddInputOptions(*cmd, in_);
  AddOutputOptions(*cmd, out_);
  CLI::Option* output = cmd->get_option("--output");
  output->required(false);
  import->needs(output)->excludes(json);
  output->needs(import);
  cmd->callback([this] { run_ = [this] { return Bookmarks(); }; });
}

int Commands::Bookmarks() {
  Json tree = import_.empty() ? Json() : ReadTree(import_);
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  for (size_t i = 0; i < std::size(kUnitNames); ++i)
    if (unit_ == kUnitNames[i]) doc.SetMeasurementUnit(kUnits[i]);
  if (!import_.empty()) {
    if (tree.empty()) {
      doc.DeleteOutlines();
    } else {
      std::string at = import_ + "[0]";
      kv::TkvPDFOutline* first = doc.CreateOutline("", DestinationOf(tree[0], at).get());
      FillItem(*first, tree[0], at);
      AddItems(*first->Parent(), first, tree, 1, import_);
    }
    Save(doc);
    return 0;
  }
  progress_->Finish();
  kv::TkvPageIndex index(doc);
  const kv::TkvPDFOutline* root = doc.Outlines();
  if (json_) {
    Json items = Json::array();
    for (const kv::TkvPDFOutline* item = root ? root->FirstChild() : nullptr; item; item = item->Next())
      items.push_back(ItemJson(*item, index));
    std::printf("%s\n", items.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
  } else if (root) {
    PrintItems(root->FirstChild(), index, 0);
  }
  return 0;
}

}  // namespace folio
