#include "CliOptions.h"

#include <sstream>
#include <stdexcept>

#include "CliConsts.h"
#include "CliPageSelection.h"

namespace folio {

const char* const kLayoutNames[5] = {"none", "single-page", "one-column", "two-column-left", "two-column-right"};
const char* const kModeNames[4] = {"none", "outlines", "thumbs", "fullscreen"};
const char* const kViewerNames[6] = {"hide-toolbar", "hide-menubar",  "hide-window-ui",
                                     "fit-window",   "center-window", "display-doc-title"};
// Indexed like the names of the command-line contract; each maps to a library member below.
const char* const kPermissionNames[8] = {"print", "modify",        "copy",     "annotate",
                                         "fill",  "accessibility", "assemble", "print-high"};
const char* const kTransitionNames[17] = {"none",
                                          "split-horizontal-inward",
                                          "split-horizontal-outward",
                                          "split-vertical-inward",
                                          "split-vertical-outward",
                                          "blinds-horizontal",
                                          "blinds-vertical",
                                          "box-inward",
                                          "box-outward",
                                          "wipe-left-to-right",
                                          "wipe-bottom-to-top",
                                          "wipe-right-to-left",
                                          "wipe-top-to-bottom",
                                          "dissolve",
                                          "glitter-left-to-right",
                                          "glitter-top-to-bottom",
                                          "glitter-top-left-to-bottom-right"};

namespace {

const kv::TkvUserPermissionsType kPermissionMembers[8] = {
    kv::AllowPrint,    kv::AllowModify,        kv::AllowCopy,        kv::AllowAnnotation,
    kv::AllowFormFill, kv::AllowAccessibility, kv::AllowDocAssembly, kv::AllowHighResPrint};

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) {
    size_t b = item.find_first_not_of(" \t");
    size_t e = item.find_last_not_of(" \t");
    if (b != std::string::npos) out.push_back(item.substr(b, e - b + 1));
  }
  return out;
}

template <size_t N>
int IndexIn(const char* const (&names)[N], const std::string& value) {
  for (size_t i = 0; i < N; ++i)
    if (value == names[i]) return static_cast<int>(i);
  return -1;
}

template <size_t N>
std::string Choices(const char* const (&names)[N]) {
  std::string out;
  for (size_t i = 0; i < N; ++i) out += (i ? "|" : "") + std::string(names[i]);
  return out;
}

kv::TkvUserPermissions ParsePermissions(const std::string& text) {
  if (text == "all") return kv::TkvUserPermissions::All();
  kv::TkvUserPermissions p = kv::TkvUserPermissions::None();
  if (text == "none") return p;
  for (const std::string& name : SplitList(text)) {
    int i = IndexIn(kPermissionNames, name);
    if (i < 0)
      throw UsageError("unknown permission '" + name + "' (expected all, none or " + Choices(kPermissionNames) + ")");
    p.Include(kPermissionMembers[i]);
  }
  return p;
}

struct TransitionChoice {
  int Effect = 0;
  double Duration = 1;
  std::string Range;
};

// EFFECT[:SECONDS[:RANGE]]; the range is checked by the library against the page count.
TransitionChoice ParseTransition(const std::string& text) {
  TransitionChoice t;
  std::string effectText = text, seconds = "1";
  size_t c1 = text.find(':');
  if (c1 != std::string::npos) {
    effectText = text.substr(0, c1);
    size_t c2 = text.find(':', c1 + 1);
    seconds = text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
    if (c2 != std::string::npos) t.Range = text.substr(c2 + 1);
  }
  t.Effect = IndexIn(kTransitionNames, effectText);
  int32_t code = 0;
  if (t.Effect < 0 && kv::TryStrToInt(effectText, code) && code >= 0 && code <= 16) t.Effect = code;
  if (t.Effect < 0) throw UsageError("unknown transition effect '" + effectText + "' (expected 0-16 or a name)");
  if (!kv::TryStrToFloat(seconds, t.Duration) && !(kv::TryStrToInt(seconds, code) && (t.Duration = code, true)))
    throw UsageError("invalid transition duration '" + seconds + "'");
  if (!(t.Duration >= 0)) throw UsageError("invalid transition duration '" + seconds + "'");
  return t;
}

std::vector<int> ParseViewer(const std::string& text) {
  std::vector<int> out;
  for (const std::string& name : SplitList(text)) {
    int i = IndexIn(kViewerNames, name);
    if (i < 0) throw UsageError("unknown viewer preference '" + name + "' (expected " + Choices(kViewerNames) + ")");
    out.push_back(i);
  }
  return out;
}

// Checks a value while the command line is parsed, so that a typo fails as wrong usage
// before any input is read.
template <typename Parse>
CLI::Validator Checked(Parse parse, const std::string& name) {
  return CLI::Validator(
      [parse](std::string& value) -> std::string {
        try {
          parse(value);
          return {};
        } catch (const UsageError& e) {
          return e.what();
        }
      },
      "", name);
}

kv::TkvPDFEncryptionLevel EncryptionLevel(const std::string& name) {
  if (name == "40") return kv::el40bit;
  if (name == "aes128") return kv::elAES128;
  if (name == "aes256") return kv::elAES256;
  return kv::el128bit;
}

void ApplyTransition(kv::TkvPDFDocument& doc, const std::string& text) {
  TransitionChoice t = ParseTransition(text);
  doc.SetPageTransition(TranslatePages(t.Range, doc.PageCount()), static_cast<uint8_t>(t.Effect),
                        static_cast<float>(t.Duration));
}

void ApplyEncryption(kv::TkvPDFDocument& doc, const OutputOptions& out) {
  kv::TkvPDFEncryptionSettings& s = doc.EncryptionSettings();
  if (out.Decrypt) {
    s.SetEnabled(false);
    return;
  }
  bool change = !out.Encrypt.empty() || out.OwnerPassword || out.UserPassword || !out.Allow.empty();
  if (!change) return;
  if (out.Encrypt.empty() && !s.Enabled()) throw UsageError(msg::SPasswordsNeedEncrypt);
  if (!out.Encrypt.empty()) {
    s.SetEnabled(true);
    s.SetLevel(EncryptionLevel(out.Encrypt));
  }
  // Protection is never weakened by what the options leave out: an encrypted input keeps
  // its passwords and permissions unless they are given anew (a new document starts with
  // no password and every permission).
  if (out.OwnerPassword) s.SetOwnerPassword(*out.OwnerPassword);
  if (out.UserPassword) s.SetUserPassword(*out.UserPassword);
  if (!out.Allow.empty()) s.SetUserPermissions(ParsePermissions(out.Allow));
  if (s.OwnerPassword().empty() && s.UserPassword().empty()) throw UsageError(msg::SEncryptNeedsPassword);
}

}  // namespace

std::vector<std::string> PermissionNames(kv::TkvUserPermissions permissions) {
  std::vector<std::string> out;
  for (int i = 0; i < 8; ++i)
    if (permissions.Contains(kPermissionMembers[i])) out.emplace_back(kPermissionNames[i]);
  return out;
}

void AddInputOptions(CLI::App& cmd, InputOptions& in) {
  cmd.add_option("--password", in.Passwords,
                 "Password for encrypted inputs (user or owner password); may be repeated, each encrypted input is "
                 "tried with each password in turn")
      ->allow_extra_args(false)
      ->type_name("PW");
  cmd.add_flag("-q,--quiet", in.Quiet, "Show no progress bar");
  cmd.add_flag("--strict", in.Strict,
               "Read only PDF 1.0-1.5 files with classic cross-reference tables, refusing the rest (by default "
               "cross-reference and object streams, PDF 1.6-2.0, AES and repairable damage are read too)");
}

void AddOutputOptions(CLI::App& cmd, OutputOptions& out) {
  cmd.add_option("-o,--output", out.Output,
                 "File to write (replaced as a whole, only on success); - writes to standard output")
      ->required()
      ->type_name("OUT");
  auto* info = "Document information";
  cmd.add_option("--title", out.Title, "Title entry")->group(info);
  cmd.add_option("--author", out.Author, "Author entry")->group(info);
  cmd.add_option("--subject", out.Subject, "Subject entry")->group(info);
  cmd.add_option("--keywords", out.Keywords, "Keywords entry")->group(info);
  auto* view = "Viewer settings";
  cmd.add_option("--layout", out.Layout, "Page layout")
      ->check(CLI::IsMember(std::vector<std::string>(std::begin(kLayoutNames), std::end(kLayoutNames))))
      ->group(view);
  cmd.add_option("--mode", out.Mode, "Page mode")
      ->check(CLI::IsMember(std::vector<std::string>(std::begin(kModeNames), std::end(kModeNames))))
      ->group(view);
  cmd.add_option("--viewer", out.Viewer, "Comma list of viewer preferences to set: " + Choices(kViewerNames))
      ->check(Checked(ParseViewer, "VIEWER"))
      ->type_name("LIST")
      ->group(view);
  cmd.add_option("--transition", out.Transitions,
                 "Page transition EFFECT[:SECONDS[:RANGE]]; EFFECT is 0-16 or a name such as dissolve, "
                 "wipe-left-to-right, glitter-top-left-to-bottom-right; SECONDS default 1; RANGE default all pages")
      ->check(Checked(ParseTransition, "TRANSITION"))
      ->type_name("EFFECT[:SECONDS[:RANGE]]")
      ->group(view);
  auto* sec = "Encryption";
  auto* encrypt = cmd.add_option("--encrypt", out.Encrypt,
                                 "Encrypt the output with RC4 at 40 or 128 bits, or with AES-128 or AES-256")
                      ->check(CLI::IsMember({"40", "128", "aes128", "aes256"}))
                      ->type_name("40|128|aes128|aes256")
                      ->group(sec);
  auto* owner = cmd.add_option("--owner-password", out.OwnerPassword, "Owner password for --encrypt")
                    ->type_name("PW")
                    ->group(sec);
  auto* user =
      cmd.add_option("--user-password", out.UserPassword, "User password for --encrypt (empty: opens without one)")
          ->type_name("PW")
          ->group(sec);
  auto* allow = cmd.add_option("--allow", out.Allow,
                               "What the user password allows: all, none, or a comma list of " +
                                   Choices(kPermissionNames) + " (default all; print-high only with print)")
                    ->check(Checked(ParsePermissions, "PERMISSIONS"))
                    ->type_name("LIST")
                    ->group(sec);
  cmd.add_flag("--decrypt", out.Decrypt, "Write the output unencrypted (needs the owner password)")
      ->excludes(encrypt)
      ->excludes(owner)
      ->excludes(user)
      ->excludes(allow)
      ->group(sec);
  auto* streams = "Stream encoding";
  auto* compress = cmd.add_option("--compress", out.Compress, "Compress every stream")
                       ->check(CLI::IsMember({"flate", "rle"}))
                       ->group(streams);
  cmd.add_option("--compress-level", out.CompressLevel, "Flate compression level (default 6)")
      ->check(CLI::Range(0, 9))
      ->needs(compress)
      ->group(streams);
  cmd.add_option("--ascii", out.Ascii, "ASCII-encode every stream")
      ->check(CLI::IsMember({"hex", "85"}))
      ->group(streams);
}

void PrepareReading(kv::TkvCustomPDFDocument& doc, const InputOptions& in) { doc.SetReadModernFiles(!in.Strict); }

void ApplyOutputOptions(kv::TkvPDFDocument& doc, const OutputOptions& out) {
  if (out.Title) doc.SetTitle(*out.Title);
  if (out.Author) doc.SetAuthor(*out.Author);
  if (out.Subject) doc.SetSubject(*out.Subject);
  if (out.Keywords) doc.SetKeywords(*out.Keywords);
  if (!out.Layout.empty()) doc.PageLayout = static_cast<uint8_t>(IndexIn(kLayoutNames, out.Layout));
  if (!out.Mode.empty()) doc.PageMode = static_cast<uint8_t>(IndexIn(kModeNames, out.Mode));
  for (int i : ParseViewer(out.Viewer)) {
    kv::TkvPDFViewerPreferences& vp = doc.ViewerPreferences();
    switch (i) {
      case 0:
        vp.SetHideToolbar(true);
        break;
      case 1:
        vp.SetHideMenubar(true);
        break;
      case 2:
        vp.SetHideWindowUI(true);
        break;
      case 3:
        vp.SetFitWindow(true);
        break;
      case 4:
        vp.SetCenterWindow(true);
        break;
      default:
        vp.SetDisplayDocTitle(true);
        break;
    }
  }
  for (const std::string& t : out.Transitions) ApplyTransition(doc, t);
  if (!out.Compress.empty()) {
    doc.Compression().Active = true;
    doc.Compression().Method = out.Compress == "flate" ? 0 : 1;
    doc.Compression().Level = static_cast<uint8_t>(out.CompressLevel);
  }
  if (!out.Ascii.empty()) {
    doc.ASCIIEncode().Active = true;
    doc.ASCIIEncode().Method = out.Ascii == "hex" ? 0 : 1;
  }
  ApplyEncryption(doc, out);
}

}  // namespace folio
