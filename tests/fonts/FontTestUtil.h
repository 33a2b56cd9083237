// Helpers of the font tests: the installed font fontconfig picks (asked through its own
// tool), Python with fontTools as the independent reader of font files, and font services
// that tests set in place of the system's.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pdf/fonts/kvSystemFonts.h"
#include "support/TestSupport.h"

namespace fonttest {

inline bool HaveFontTools() {
  static const bool have = kvtest::Run("/usr/bin/python3 -c 'import fontTools' 2>&1").ExitCode == 0;
  return have;
}

// Runs a Python script with arguments; the output of a failing script fails the test.
inline std::string Python(const kvtest::TempDir& dir, const std::string& script,
                          const std::vector<std::string>& args = {}) {
  const std::string path = dir.File("check.py");
  kvtest::WriteFile(path, script);
  std::string command = "/usr/bin/python3 " + kvtest::ShellQuote(path);
  for (const std::string& a : args) command += " " + kvtest::ShellQuote(a);
  kvtest::CommandResult r = kvtest::Run(command + " 2>&1");
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  return r.Output;
}

// The file fontconfig's own matcher gives for a family ("" when none).
inline std::string FontFileFor(const std::string& pattern) {
  kvtest::CommandResult r = kvtest::Run("fc-match -f '%{file}' " + kvtest::ShellQuote(pattern));
  return r.ExitCode == 0 ? r.Output : std::string();
}

inline kv::TkvSharedBytes ReadShared(const std::string& path) {
  return std::make_shared<const std::string>(kvtest::ReadFile(path));
}

// Serves one font file for every description, with the character sets a test chooses
// (its own code-page bits when none are given); optional changes to its text metrics
// stand in for fonts this machine does not have.
class FixedFontServices : public kv::TkvFontServices {
 public:
  kv::TkvSharedBytes Data;
  std::vector<uint8_t> Charsets{kv::kAnsiCharset};
  // Applied to the text metrics the font reports (for classification cases).
  std::function<void(kv::TkvTextMetrics&)> Doctor;

  std::unique_ptr<kv::TkvSystemFont> OpenFont(const kv::TkvFontDescription& font) override;
  std::vector<uint8_t> FamilyCharsets(const std::string&) override { return Charsets; }
};

namespace detail {
class DoctoredFont : public kv::TkvSystemFont {
 public:
  DoctoredFont(std::unique_ptr<kv::TkvSystemFont> inner, std::function<void(kv::TkvTextMetrics&)> doctor)
      : inner_(std::move(inner)), doctor_(std::move(doctor)) {}
  std::string FamilyName() const override { return inner_->FamilyName(); }
  kv::TkvTextMetrics TextMetrics(int32_t ppem) const override {
    kv::TkvTextMetrics m = inner_->TextMetrics(ppem);
    if (doctor_) doctor_(m);
    return m;
  }
  bool OutlineMetrics(int32_t ppem, kv::TkvOutlineMetrics& m) const override { return inner_->OutlineMetrics(ppem, m); }
  uint32_t GlyphCount() const override { return inner_->GlyphCount(); }
  uint32_t GlyphIndex(char32_t ch) const override { return inner_->GlyphIndex(ch); }
  int32_t GlyphAdvance(uint32_t g, int32_t ppem) const override { return inner_->GlyphAdvance(g, ppem); }
  bool IsSymbolFont() const override { return inner_->IsSymbolFont(); }
  kv::TkvSharedBytes FontData() const override { return inner_->FontData(); }

 private:
  std::unique_ptr<kv::TkvSystemFont> inner_;
  std::function<void(kv::TkvTextMetrics&)> doctor_;
};
}  // namespace detail

inline std::unique_ptr<kv::TkvSystemFont> FixedFontServices::OpenFont(const kv::TkvFontDescription& font) {
  auto opened = kv::OpenFontData(Data, 0, font);
  if (!opened || !Doctor) return opened;
  return std::make_unique<detail::DoctoredFont>(std::move(opened), Doctor);
}

// Sets font services for the life of the object, then restores the previous ones.
class ServicesScope {
 public:
  explicit ServicesScope(std::shared_ptr<kv::TkvFontServices> services)
      : previous_(kv::SetFontServices(std::move(services))) {}
  ~ServicesScope() { kv::SetFontServices(previous_); }
  ServicesScope(const ServicesScope&) = delete;
  ServicesScope& operator=(const ServicesScope&) = delete;

 private:
  std::shared_ptr<kv::TkvFontServices> previous_;
};

}  // namespace fonttest
