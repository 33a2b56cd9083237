// folio bookmarks: the listing, the JSON form and its import, and what the page commands
// do to outlines, read back with an independent reader.
#include <gtest/gtest.h>

#include "cli/CliTestUtil.h"
#include "features/OutlineTestUtil.h"

namespace {

using clitest::Describe;
using clitest::Folio;
using outlinetest::json;

class CliBookmarks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!clitest::HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools not installed";
  }
  std::string Data(const std::string& name) { return kvtest::DataPath(name); }
  // Runs a writing command and returns the outline of what it wrote.
  json Written(std::vector<std::string> args, const std::string& password = "") {
    std::string out = dir_.File("out.pdf");
    std::remove(out.c_str());
    args.insert(args.end(), {"-o", out});
    clitest::FolioResult r = Folio(args);
    EXPECT_EQ(0, r.Exit) << Describe(r);
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check, password)) << check;
    return outlinetest::ReadOutline(dir_, out, password);
  }
  json Tree(std::vector<std::string> args, const std::string& password = "") {
    json j = Written(std::move(args), password);
    EXPECT_EQ(json::array(), j["problems"]);
    return j["tree"];
  }
  std::string WriteJson(const std::string& name, const std::string& text) {
    std::string path = dir_.File(name);
    kvtest::WriteFile(path, text);
    return path;
  }
  kvtest::TempDir dir_;
};

TEST_F(CliBookmarks, ListsEveryItemWithItsTarget) {
  clitest::FolioResult r = Folio({"bookmarks", Data("gen-outline-fit-types.pdf")});
  ASSERT_EQ(0, r.Exit) << Describe(r);
  EXPECT_EQ(
      "1 XYZ 72 700 null zoom -> page 1 XYZ 72 92 null\n"
      "  1.1 XYZ all null -> page 2 XYZ null null null\n"
      "  1.2 XYZ zoom 2 -> page 2 XYZ 0 0 200\n"
      "  1.3 XYZ zoom 0 -> page 3 XYZ 100 392 0\n"
      "2 Fit -> page 4 Fit\n"
      "  2.1 FitH 500 -> page 4 FitH 292\n"
      "    2.1.1 FitH null -> page 5 FitH null\n"
      "  2.2 FitV 100 -> page 5 FitV 100\n"
      "  2.3 FitR 50 50 300 300 -> page 6 FitR 50 742 300 492\n"
      "3 FitB -> page 7 FitB\n"
      "  3.1 FitBH 400 -> page 7 FitBH 392\n"
      "  3.2 FitBV 72 -> page 8 FitBV 72\n"
      "4 GoTo actions -> page 9 Fit\n"
      "  4.1 GoTo XYZ -> page 10 XYZ 72 72 null\n"
      "  4.2 GoTo FitH -> page 11 FitH 92\n"
      "5 Red bold italic (C, F) -> page 12 Fit\n"
      "6 Unicode title: caf\xC3\xA9 \xC3\xBC"
      "ber \xCE\xA9 -> page 12 XYZ null null null\n"
      "7 URI action (no page) -> no page\n",
      r.Out);
  r = Folio({"bookmarks", Data("gen-outline-fit-types.pdf"), "--unit", "in"});
  EXPECT_EQ("1 XYZ 72 700 null zoom -> page 1 XYZ 1 1.2778 null", r.Out.substr(0, r.Out.find('\n')));
  r = Folio({"bookmarks", Data("glpk-cnfsat.pdf")});
  EXPECT_EQ(0, r.Exit);
  EXPECT_EQ("", r.Out);
  r = Folio({"bookmarks", Data("glpk-cnfsat.pdf"), "--json"});
  EXPECT_EQ("[]\n", r.Out);
}

// What --json prints, --import takes unchanged; the outline it gives prints the same JSON
// and reads as the original's for independent readers.
TEST_F(CliBookmarks, JsonRoundTripsThroughImport) {
  size_t files = 0;
  for (const auto& [name, facts] : outlinetest::Expected().items()) {
    for (const char* unit : {"pt", "mm"}) {
      if (std::string(unit) == "mm" && name.rfind("gen-", 0) != 0) continue;
      SCOPED_TRACE(name + " " + unit);
      // An encrypted input stays encrypted with its password.
      std::string password = facts["password"].is_string() ? facts["password"].get<std::string>() : "";
      auto with = [&](std::vector<std::string> args) {
        if (!password.empty()) args.insert(args.end(), {"--password", password});
        return args;
      };
      clitest::FolioResult first = Folio(with({"bookmarks", Data(name), "--json", "--unit", unit}));
      ASSERT_EQ(0, first.Exit) << Describe(first);
      std::string tree = WriteJson("tree.json", first.Out);
      EXPECT_EQ(facts["outline"], Tree(with({"bookmarks", Data(name), "--import", tree, "--unit", unit}), password));
      clitest::FolioResult again = Folio(with({"bookmarks", dir_.File("out.pdf"), "--json", "--unit", unit}));
      EXPECT_EQ(first.Out, again.Out);
      ++files;
    }
  }
  EXPECT_GE(files, 20u);
}

TEST_F(CliBookmarks, ImportBuildsTheTreeItDescribes) {
  const std::string in = Data("gen-reportlab-outline.pdf");
  std::string tree = WriteJson("tree.json", R"([
    {"title": "\u65e5\u672c \u2013 caf\u00e9", "page": 2, "fit": "FitH", "top": 100,
     "children": [{"title": "Child", "page": 6}, {"title": "Heading only"}]},
    {"title": "Last", "page": 1, "fit": "XYZ", "left": 10, "top": null, "zoom": 150}])");
  json expected = json::array({json::array({"\xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x93 caf\xC3\xA9", 2,
                                            json::array({json::array({"Child", 6, json::array()}),
                                                         json::array({"Heading only", nullptr, json::array()})})}),
                               json::array({"Last", 1, json::array()})});
  EXPECT_EQ(expected, Tree({"bookmarks", in, "--import", tree}));
  clitest::FolioResult listed = Folio({"bookmarks", dir_.File("out.pdf")});
  EXPECT_EQ(
      "\xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x93 caf\xC3\xA9 -> page 2 FitH 100\n"
      "  Child -> page 6 Fit\n  Heading only -> no page\nLast -> page 1 XYZ 10 null 150\n",
      listed.Out);
  // From standard input; an empty list removes the outline.
  std::string out = dir_.File("out.pdf");
  kvtest::CommandResult r = kvtest::Run("echo '[]' | " + kvtest::ShellQuote(FOLIO_CLI_PATH) + " bookmarks " +
                                        kvtest::ShellQuote(in) + " --import - -o " + kvtest::ShellQuote(out));
  EXPECT_EQ(0, r.ExitCode) << r.Output;
  EXPECT_FALSE(outlinetest::ReadOutline(dir_, out)["has_outlines"].get<bool>());
}

TEST_F(CliBookmarks, BadTreesAndUsage) {
  const std::string in = Data("gen-reportlab-outline.pdf");
  const std::string out = dir_.File("never.pdf");
  const std::pair<std::string, std::string> trees[] = {
      {"[{\"title\": ", "bad.json: not valid JSON"},
      {"{\"title\": \"x\"}", "bad.json: expected a list of bookmarks"},
      {"[{\"title\": 5}]", "bad.json[0]: \"title\" must be a string"},
      {"[{\"page\": 1, \"fit\": \"Zoom\"}]", "bad.json[0]: unknown fit 'Zoom'"},
      {"[{\"page\": 1.5}]", "bad.json[0]: \"page\" must be a page number or null"},
      {"[{\"page\": 1, \"children\": [{\"page\": 1, \"top\": \"x\"}]}]",
       "bad.json[0].children[0]: \"top\" must be a number or null"},
      {"[{\"title\": \"x\", \"page\": 99}]", "Invalid page number (99)"},
  };
  for (const auto& [text, message] : trees) {
    SCOPED_TRACE(text);
    std::string bad = WriteJson("bad.json", text);
    clitest::FolioResult r = Folio({"bookmarks", in, "--import", bad, "-o", out});
    EXPECT_EQ(1, r.Exit) << Describe(r);
    EXPECT_NE(std::string::npos, r.Err.find(message)) << r.Err;
    EXPECT_FALSE(kvtest::FileExists(out));
  }
  std::string deep = "[]";
  for (int i = 0; i < 300; ++i) deep = "[{\"children\": " + deep + "}]";
  clitest::FolioResult r = Folio({"bookmarks", in, "--import", WriteJson("deep.json", deep), "-o", out});
  EXPECT_EQ(1, r.Exit) << Describe(r);
  EXPECT_NE(std::string::npos, r.Err.find("bookmarks nested more than 256 levels deep")) << r.Err;
  const std::vector<std::vector<std::string>> usage = {
      {"bookmarks", in, "--import", WriteJson("ok.json", "[]")},
      {"bookmarks", in, "-o", out},
      {"bookmarks", in, "--json", "--import", WriteJson("ok.json", "[]"), "-o", out},
      {"bookmarks", in, "--unit", "cm"},
  };
  for (const auto& args : usage) {
    clitest::FolioResult r = Folio(args);
    EXPECT_EQ(2, r.Exit) << Describe(r);
    EXPECT_FALSE(kvtest::FileExists(out));
  }
}

// copy keeps, merge joins, delete trims, append and insert keep the first file's tree on
// its pages, extract starts without one.
TEST_F(CliBookmarks, PageCommandsKeepJoinOrTrimTheOutline) {
  const std::string mom = Data("groff-mom-pdf.pdf"), fit = Data("gen-outline-fit-types.pdf");
  const json momTree = outlinetest::Expected()["groff-mom-pdf.pdf"]["outline"];
  const json fitTree = outlinetest::Expected()["gen-outline-fit-types.pdf"]["outline"];
  EXPECT_EQ(momTree, Tree({"copy", mom}));
  json merged = momTree;
  for (const json& item : outlinetest::Shifted(fitTree, 8)) merged.push_back(item);
  EXPECT_EQ(merged, Tree({"merge", mom, fit}));
  EXPECT_EQ(outlinetest::WithoutPages(momTree, {2, 3, 8}), Tree({"delete", mom, "--pages", "2-3,8"}));
  EXPECT_EQ(momTree, Tree({"append", mom, fit}));
  json inserted = outlinetest::WithoutPages(fitTree, {});
  std::function<void(json&)> shift = [&](json& items) {
    for (json& i : items) {
      if (i[1].is_number() && i[1].get<int>() > 2) i[1] = i[1].get<int>() + 8;
      shift(i[2]);
    }
  };
  shift(inserted);
  EXPECT_EQ(inserted, Tree({"insert", fit, mom, "--after", "2"}));
  EXPECT_FALSE(Written({"extract", mom, "--pages", "2-4"})["has_outlines"].get<bool>());
}

}  // namespace
