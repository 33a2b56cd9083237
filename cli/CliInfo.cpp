// folio info: what a document is, as text or as one JSON object.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "CliCommands.h"
#include "CliProgress.h"
#include "pdf/features/kvPDFTextUtf8.h"

namespace folio {

namespace {

nlohmann::json Number(double v) {
  if (std::fabs(v - std::round(v)) < 1e-9 && std::fabs(v) < 1e15) return static_cast<int64_t>(std::llround(v));
  return v;
}

std::string FormatNumber(double v) {
  if (std::fabs(v - std::round(v)) < 1e-9) return std::to_string(std::llround(v));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

// What the user may do, as readers apply it: a 40-bit file has no bits of its own for the
// four later permissions, they follow the older ones; high-resolution printing is printing.
kv::TkvUserPermissions EffectivePermissions(const kv::TkvPDFDecrypt& d) {
  kv::TkvUserPermissions p = d.Permissions;
  if (d.EffectiveRevision() < 3) {
    const std::pair<kv::TkvUserPermissionsType, kv::TkvUserPermissionsType> follows[] = {
        {kv::AllowFormFill, kv::AllowAnnotation},
        {kv::AllowAccessibility, kv::AllowCopy},
        {kv::AllowDocAssembly, kv::AllowModify},
        {kv::AllowHighResPrint, kv::AllowPrint}};
    for (const auto& [later, older] : follows) {
      if (p.Contains(older))
        p.Include(later);
      else
        p.Exclude(later);
    }
  }
  if (!p.Contains(kv::AllowPrint)) p.Exclude(kv::AllowHighResPrint);
  return p;
}

// An information entry as text: strings decoded from the file's text encodings to UTF-8
// (not shown in the process code page, which may lack their characters), names
// (/Trapped /True) without their slash, numbers and booleans as written.
std::string InfoText(const kv::TkvPDFObject& value) {
  if (const auto* text = kv::CastIfKind<kv::TkvPDFStringObject>(&value)) return kv::PDFTextToUtf8(text->RawBytes());
  if (const auto* name = kv::CastIfKind<kv::TkvPDFNameObject>(&value)) return name->NameWithoutSlash();
  if (value.IsInteger() || value.IsInt64() || value.IsReal() || value.IsBoolean()) return value.ToText();
  return {};
}

}  // namespace

void Commands::RegisterInfo(CLI::App& app) {
  auto* info = app.add_subcommand("info", "Show version, pages, encryption, information entries and page sizes");
  info->add_option("FILE", file_, "PDF file (- reads standard input)")->required();
  info->add_flag("--json", json_, "Print one JSON object");
  AddInputOptions(*info, in_);
  info->callback([this] { run_ = [this] { return Info(); }; });
}

int Commands::Info() {
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  progress_->Finish();
  doc.SetMeasurementUnit(kv::muPoints);

  nlohmann::json j;
  j["file"] = file_;
  j["version"] = std::to_string(doc.PDFMajorVersion()) + "." + std::to_string(doc.PDFVersion());
  j["pages"] = doc.PageCount();
  j["encrypted"] = doc.Encrypted();
  if (doc.Encrypted() && doc.Decryptor()) {
    const kv::TkvPDFDecrypt& d = *doc.Decryptor();
    const bool aes = d.StreamMethod == kv::cmAESV2 || d.StreamMethod == kv::cmAESV3 || d.StringMethod == kv::cmAESV2 ||
                     d.StringMethod == kv::cmAESV3;
    j["encryption"] = {{"level", d.EffectiveKeyLength() * 8},
                       {"method", aes ? "AES" : "RC4"},
                       {"revision", d.EffectiveRevision()},
                       {"permissions", PermissionNames(EffectivePermissions(d))},
                       {"opened_with", d.IsOwner ? "owner-password" : "user-password"}};
  } else {
    j["encryption"] = nullptr;
  }
  nlohmann::json info = nlohmann::json::object();
  for (const auto& [key, value] : doc.InfoEntries()) {
    std::string text = InfoText(*value);
    if (!text.empty() && !info.contains(key)) info[key] = text;
  }
  j["info"] = info;
  j["page_layout"] = kLayoutNames[doc.PageLayout < 5 ? doc.PageLayout : 0];
  j["page_mode"] = kModeNames[doc.PageMode < 4 ? doc.PageMode : 0];
  kv::TkvPDFViewerPreferences& vp = doc.ViewerPreferences();
  const bool flags[6] = {vp.HideToolbar(), vp.HideMenubar(),  vp.HideWindowUI(),
                         vp.FitWindow(),   vp.CenterWindow(), vp.DisplayDocTitle()};
  nlohmann::json viewer = nlohmann::json::array();
  for (int i = 0; i < 6; ++i)
    if (flags[i]) viewer.push_back(kViewerNames[i]);
  j["viewer_preferences"] = viewer;
  nlohmann::json boxes = nlohmann::json::array();
  for (int32_t p = 1; p <= doc.PageCount(); ++p) {
    try {
      kv::TkvPDFRect r = doc.GetPageMediaBox(p);
      boxes.push_back({Number(r.Left), Number(r.Bottom), Number(r.Right), Number(r.Top)});
    } catch (const kv::Exception&) {
      boxes.push_back(nullptr);  // a page without a usable /MediaBox
    }
  }
  j["media_boxes"] = boxes;

  if (json_) {
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
  }
  std::cout << "File:        " << file_ << "\n";
  std::cout << "Version:     " << j["version"].get<std::string>() << "\n";
  std::cout << "Pages:       " << doc.PageCount() << "\n";
  if (j["encryption"].is_null()) {
    std::cout << "Encryption:  none\n";
  } else {
    std::cout << "Encryption:  " << j["encryption"]["method"].get<std::string>() << " "
              << j["encryption"]["level"].get<int>() << "-bit, opened with the "
              << (doc.Decryptor()->IsOwner ? "owner" : "user") << " password\n";
    std::string perms;
    for (const auto& p : j["encryption"]["permissions"]) perms += (perms.empty() ? "" : ", ") + p.get<std::string>();
    std::cout << "Permissions: " << (perms.empty() ? "none" : perms) << "\n";
  }
  for (const auto& [key, value] : info.items()) {
    std::string label = key + ":";
    label.resize(std::max<size_t>(label.size() + 1, 13), ' ');
    std::cout << label << value.get<std::string>() << "\n";
  }
  std::cout << "Page layout: " << j["page_layout"].get<std::string>() << "\n";
  std::cout << "Page mode:   " << j["page_mode"].get<std::string>() << "\n";
  std::string vps;
  for (const auto& v : viewer) vps += (vps.empty() ? "" : ", ") + v.get<std::string>();
  std::cout << "Viewer:      " << (vps.empty() ? "(defaults)" : vps) << "\n";
  // Page sizes, with runs of equal sizes folded into one line.
  int32_t n = doc.PageCount();
  for (int32_t p = 1; p <= n;) {
    int32_t q = p;
    while (q < n && boxes[static_cast<size_t>(q)] == boxes[static_cast<size_t>(p - 1)]) ++q;
    const auto& b = boxes[static_cast<size_t>(p - 1)];
    std::string range = p == q ? "Page " + std::to_string(p) : "Pages " + std::to_string(p) + "-" + std::to_string(q);
    if (b.is_null())
      std::cout << range << ": (no media box)\n";
    else
      std::cout << range << ": [" << FormatNumber(b[0].get<double>()) << " " << FormatNumber(b[1].get<double>()) << " "
                << FormatNumber(b[2].get<double>()) << " " << FormatNumber(b[3].get<double>()) << "]\n";
    p = q + 1;
  }
  return 0;
}

}  // namespace folio
