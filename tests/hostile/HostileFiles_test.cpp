// Hostile files made here: truncations, garbage, broken file structure, loops, absurd
// sizes and nesting, foreign cross-reference forms. Each must load correctly (when the
// damage is where no operation reads) or end in one clear library exception, quickly.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "hostile/HostileTestUtil.h"

using namespace kvtest;

namespace {

const std::string kCatalog = "<< /Type /Catalog /Pages 2 0 R >>";
const std::string kContent = "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 72 712 Td (Hostile) Tj ET\nendstream";

std::string Page(const std::string& extra = "") {
  return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R " + extra + " >>";
}

// Catalog 1, pages 2, page 3 (with `pageExtra`), content 4, then `more` objects from 5.
std::string OnePage(const std::string& pageExtra = "", const std::vector<std::string>& more = {},
                    const std::string& trailerExtra = "", const std::string& header = "%PDF-1.4") {
  std::vector<std::string> objects = {kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", Page(pageExtra), kContent};
  objects.insert(objects.end(), more.begin(), more.end());
  return MakePdf(objects, trailerExtra, header);
}

std::string ThreePages() {
  return MakePdf(
      {kCatalog, "<< /Type /Pages /Kids [3 0 R 5 0 R 6 0 R] /Count 3 >>", Page(), kContent, Page(), Page("/Rotate 90")},
      "/Info 7 0 R");
}

int64_t StartXRef(const std::string& pdf) {
  size_t p = pdf.rfind("startxref");
  return std::stoll(pdf.substr(p + 10));
}

std::string WithStartXRef(std::string pdf, const std::string& value) {
  size_t p = pdf.rfind("startxref\n") + 10;
  size_t e = pdf.find('\n', p);
  return pdf.replace(p, e - p, value);
}

// Adds `entry` to the trailer dictionary; nothing before the trailer moves.
std::string WithTrailerEntry(std::string pdf, const std::string& entry) {
  size_t p = pdf.rfind("/Root 1 0 R") + 11;
  return pdf.insert(p, " " + entry);
}

// Replaces the 10-digit offset of object `n`'s cross-reference entry.
std::string WithXRefOffset(std::string pdf, int n, long offset) {
  size_t table = pdf.rfind("xref\n0 ");
  size_t entry = pdf.find("\r\n", table) + 2 + static_cast<size_t>(n - 1) * 20;  // after entry 0
  char digits[16];
  std::snprintf(digits, sizeof digits, "%010ld", offset);
  return pdf.replace(entry, 10, digits);
}

class Hostile : public testing::Test {
 protected:
  std::string Put(const std::string& name, const std::string& bytes) {
    std::string path = dir_.File(name);
    WriteFile(path, bytes);
    return path;
  }
  Outcome Try(const std::string& bytes) { return LoadAndSave(Put("in.pdf", bytes), dir_); }
  void ExpectFails(const std::string& bytes, const std::string& what, const std::string& message = "") {
    Outcome o = Try(bytes);
    ExpectCleanError(o, what);
    if (!message.empty()) {
      EXPECT_EQ(message, o.Error) << what;
    }
  }
  void ExpectPages(const std::string& bytes, int pages, const std::string& what) {
    ExpectCorrectPages(Try(bytes), pages, what);
  }
  // With --strict the tool reads what the library reads by default: its writing commands
  // and info all fail with one line and write nothing. Without it the tool also reads
  // modern and damaged files: each command succeeds or fails the same clean way, with the
  // same message when `modernToo`.
  void ExpectToolFails(const std::string& bytes, const std::string& what, const std::string& message = "",
                       bool modernToo = false) {
    std::string file = ShellQuote(Put("cli.pdf", bytes));
    for (const std::string& cmd : WritingCommands(file)) {
      ExpectCliFailure(Folio(cmd + " --strict", dir_), what + ": strict " + cmd, message);
      if (modernToo)
        ExpectCliFailure(Folio(cmd, dir_), what + ": " + cmd, message);
      else
        ExpectToolReadsOrFailsCleanly(Folio(cmd, dir_), what + ": " + cmd);
    }
    ExpectCliFailure(Folio("info --strict " + file, dir_, false), what + ": strict info", message);
    ExpectToolReadsOrFailsCleanly(Folio("info " + file, dir_, false), what + ": info", false);
  }
  TempDir dir_;
};

TEST_F(Hostile, TheBaseFilesAreGood) {
  ExpectPages(OnePage(), 1, "one page");
  ExpectPages(ThreePages(), 3, "three pages");
}

// Every cut of a small file, and cuts all over a real one: a cut file either still holds
// all it needs (a cut in the final end-of-line) or fails cleanly.
TEST_F(Hostile, TruncatedAtEveryCutPoint) {
  const std::string pdf = ThreePages();
  for (size_t cut = 0; cut < pdf.size(); ++cut) {
    Outcome o = Try(pdf.substr(0, cut));
    if (o.Error.empty())
      EXPECT_EQ(3, o.Pages) << "cut at " << cut;
    else
      ExpectCleanError(o, "cut at " + std::to_string(cut));
  }
}

TEST_F(Hostile, RealFileTruncatedAtManyCutPoints) {
  const std::string pdf = ReadFile(DataPath("groff-letter.pdf"));
  for (size_t cut = 0; cut < pdf.size(); cut += 97) ExpectFails(pdf.substr(0, cut), "cut at " + std::to_string(cut));
  // Cut just before the end, with startxref still present.
  Outcome o = Try(pdf.substr(0, pdf.size() - 3));
  if (!o.Error.empty()) ExpectCleanError(o, "cut in %%EOF");
}

TEST_F(Hostile, TruncatedFilesThroughTheTool) {
  const std::string pdf = ThreePages();
  for (size_t cut : {size_t{0}, size_t{9}, pdf.size() / 3, pdf.size() / 2, pdf.size() - 40})
    ExpectToolFails(pdf.substr(0, cut), "cut at " + std::to_string(cut));
}

TEST_F(Hostile, Garbage) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    std::string noise(1 + rng() % 3000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    ExpectFails(noise, "noise " + std::to_string(round));
    ExpectFails("%PDF-1.4\n" + noise, "header and noise " + std::to_string(round));
    ExpectFails("%PDF-1.4\n" + noise + "\nstartxref\n9\n%%EOF\n", "noise with startxref " + std::to_string(round));
  }
  ExpectToolFails("%PDF-1.4\n\x01\x02\x03 garbage ( [ << \nstartxref\n9\n%%EOF\n", "garbage", "", true);
}

TEST_F(Hostile, WrongStartXRef) {
  const std::string pdf = OnePage();
  const int64_t real = StartXRef(pdf);
  const std::string offsetError = "Error reading document. Unable to read offset";
  std::vector<long> at = ObjectOffsets(pdf);
  ExpectFails(WithStartXRef(pdf, "0"), "startxref 0");
  ExpectFails(WithStartXRef(pdf, std::to_string(at[2] + 4)), "startxref inside the page object");
  ExpectFails(WithStartXRef(pdf, std::to_string(real + 12)), "startxref inside the first entry");
  ExpectFails(WithStartXRef(pdf, std::to_string(pdf.size() + 10)), "startxref past the end", offsetError);
  ExpectFails(WithStartXRef(pdf, "99999999999999999999"), "startxref of 20 digits", offsetError);
  ExpectFails(WithStartXRef(pdf, "-5"), "negative startxref");
  ExpectFails(WithStartXRef(pdf, "x"), "startxref without digits", offsetError);
  // A few bytes early, in the "endobj" before the table: the reader finds the table
  // where it begins, and the file reads as it should.
  ExpectPages(WithStartXRef(pdf, std::to_string(real - 7)), 1, "startxref a few bytes early");
  ExpectPages(WithStartXRef(pdf, std::to_string(real + 3)), 1, "startxref in the table's \"xref\" line");
  ExpectToolFails(WithStartXRef(pdf, std::to_string(at[2] + 4)), "startxref inside the page object");
}

TEST_F(Hostile, CrossReferenceOffsetsIntoTheMiddleOfObjects) {
  const std::string pdf = OnePage();
  std::vector<long> at = ObjectOffsets(pdf);
  ExpectFails(WithXRefOffset(pdf, 3, at[2] + 4), "page offset 4 bytes in");
  ExpectFails(WithXRefOffset(pdf, 1, at[0] + 1), "catalog offset 1 byte in");
  ExpectFails(WithXRefOffset(pdf, 2, at[3]), "pages entry names the content stream");
  ExpectFails(WithXRefOffset(pdf, 4, static_cast<long>(pdf.size()) + 100), "content offset past the end");
  ExpectFails(WithXRefOffset(pdf, 3, static_cast<long>(pdf.size()) - 2), "page offset at the last bytes");
  ExpectToolFails(WithXRefOffset(pdf, 3, at[2] + 4), "page offset 4 bytes in");
  // Offset on another object's header: the reader sees the number does not match.
  ExpectToolFails(WithXRefOffset(pdf, 3, at[3]), "page entry names the content stream",
                  "Object 3 not found at its cross-reference offset");
}

TEST_F(Hostile, StreamLengthsThatLie) {
  auto withContent = [](const std::string& dict, const std::string& data = "BT ET") {
    return MakePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", Page(),
                    dict + "\nstream\n" + data + "\nendstream", "5"});
  };
  ExpectFails(withContent("<< /Length 100000 >>"), "length past the end", "Expected PDF endstream");
  ExpectFails(withContent("<< /Length 2147483647 >>"), "length of 2^31-1", "Expected PDF endstream");
  ExpectFails(withContent("<< /Length 99999999999 >>"), "64-bit length", "Expected PDF endstream");
  ExpectFails(withContent("<< /Length 2 >>"), "length too short", "Expected PDF endstream");
  ExpectFails(withContent("<< /Length -5 >>"), "negative length", "Expected PDF endstream");
  ExpectFails(withContent("<< /Length 4 0 R >>"), "length refers to its own stream", "Expected PDF endstream");
  ExpectFails(withContent("<< /Length (five) >>"), "length is a string");
  ExpectPages(withContent("<< /Length 5 0 R >>"), 1, "indirect length");
  ExpectPages(withContent("<< /Length 5 >>"), 1, "exact length");
  ExpectToolFails(withContent("<< /Length 100000 >>"), "length past the end", "Expected PDF endstream");
}

// Nesting far beyond the reader's bound, where a page needs it: refused, never a stack
// overflow. Where nothing reads it, the document is unharmed.
TEST_F(Hostile, NestingTensOfThousandsDeep) {
  const int depth = 50000;
  const std::string arrays = std::string(depth, '[') + std::string(depth, ']');
  std::string dicts;
  for (int i = 0; i < depth; ++i) dicts += "<</A ";
  for (int i = 0; i < depth; ++i) dicts += ">>";
  ExpectFails(OnePage("/Resources 5 0 R", {arrays}), "arrays in the page's resources");
  ExpectFails(OnePage("/Resources 5 0 R", {dicts}), "dictionaries in the page's resources");
  ExpectFails(OnePage("/Resources " + dicts), "dictionaries inline in the page");
  ExpectPages(MakePdf({"<< /Type /Catalog /Pages 2 0 R /Unread 5 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                       Page(), kContent, arrays}),
              1, "arrays under an unread catalog key");
  ExpectToolFails(OnePage("/Resources 5 0 R", {arrays}), "nested arrays", "", true);
}

TEST_F(Hostile, PageTreesNestedTooDeep) {
  // 2 -> 5 -> 6 -> ... -> 304 -> page 3: three hundred levels of /Pages.
  std::vector<std::string> objects = {kCatalog, "<< /Type /Pages /Kids [5 0 R] /Count 1 >>",
                                      "<< /Type /Page /Parent 304 0 R /Contents 4 0 R >>", kContent};
  for (int n = 5; n <= 304; ++n)
    objects.push_back("<< /Type /Pages /Kids [" + std::to_string(n == 304 ? 3 : n + 1) + " 0 R] /Count 1 >>");
  ExpectFails(MakePdf(objects), "300 levels", "Invalid page tree: nested more than 256 levels deep");
}

TEST_F(Hostile, PrevLoops) {
  const std::string base = OnePage();
  const int64_t first = StartXRef(base);
  // An update section at the end whose /Prev is the first section; the first section's
  // trailer gets `firstPrev` (10 digits, so its length is known before the value is).
  auto withUpdate = [&](const std::string& firstPrev) {
    std::string head = WithTrailerEntry(base, firstPrev.empty() ? "" : "/Prev " + firstPrev);
    std::string update = "5 0 obj\n<< /Title (update) >>\nendobj\n";
    const size_t second = head.size() + update.size();
    char section[256];
    std::snprintf(section, sizeof section,
                  "xref\n0 1\n0000000000 65535 f\r\n5 1\n%010zu 00000 n\r\ntrailer\n"
                  "<< /Size 6 /Root 1 0 R /Prev %lld >>\nstartxref\n%zu\n%%%%EOF\n",
                  head.size(), static_cast<long long>(first), second);
    std::string pdf = head + update + section;
    if (!firstPrev.empty()) {
      char digits[16];
      std::snprintf(digits, sizeof digits, "%010zu", second);
      pdf.replace(pdf.find("/Prev " + firstPrev) + 6, 10, digits);
    }
    return pdf;
  };
  ExpectPages(withUpdate(""), 1, "incremental update");
  const std::string loop = withUpdate("0000000000");
  ExpectFails(loop, "two sections naming each other");
  ExpectFails(
      WithTrailerEntry(base, "/Prev " + std::to_string(first)), "a section naming itself",
      "Error reading PDF trailer (the /Prev chain returns to the section at offset " + std::to_string(first) + ")");
  ExpectFails(WithTrailerEntry(base, "/Prev 12"), "/Prev into the middle of an object");
  ExpectFails(WithTrailerEntry(base, "/Prev -1"), "negative /Prev");
  ExpectFails(WithTrailerEntry(base, "/Prev /x"), "/Prev a name",
              "Error reading PDF trailer (/Prev is not an integer)");
  ExpectToolFails(loop, "/Prev loop");
}

TEST_F(Hostile, KidsLoops) {
  const std::string loopMessage = "Invalid page tree: node 2 is its own ancestor";
  // 2 -> 5 -> 2.
  ExpectFails(MakePdf({kCatalog, "<< /Type /Pages /Kids [5 0 R] /Count 1 >>", Page(), kContent,
                       "<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 1 >>"}),
              "two nodes", loopMessage);
  // A node listing itself.
  ExpectFails(MakePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 1 >>", Page(), kContent}), "self",
              loopMessage);
  // /Kids through an indirect array that holds its own node.
  ExpectFails(MakePdf({kCatalog, "<< /Type /Pages /Kids 5 0 R /Count 1 >>", Page(), kContent, "[3 0 R 2 0 R]"}),
              "indirect kids", loopMessage);
  // A page listed twice is no loop: two pages that share one object.
  ExpectPages(MakePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R 3 0 R] /Count 2 >>", Page(), kContent}), 2,
              "one page twice");
  ExpectFails(MakePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R (x)] /Count 2 >>", Page(), kContent}),
              "a string among the kids");
  ExpectToolFails(MakePdf({kCatalog, "<< /Type /Pages /Kids [5 0 R] /Count 1 >>", Page(), kContent,
                           "<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 1 >>"}),
                  "kids loop", loopMessage, true);
}

// /Count is the file's claim; the pages are what the tree holds.
TEST_F(Hostile, CountsThatLie) {
  for (const char* count : {"2147483647", "-1", "0", "99999999999", "1.5", "(many)"}) {
    ExpectPages(
        MakePdf({kCatalog, std::string("<< /Type /Pages /Kids [3 0 R] /Count ") + count + " >>", Page(), kContent}), 1,
        count);
  }
}

TEST_F(Hostile, CrossReferenceStreams) {
  // A cross-reference stream in place of the table: no table, no trailer keyword.
  std::string body = "%PDF-1.5\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
  size_t xrefAt = body.size();
  body += "2 0 obj\n<< /Type /XRef /Size 3 /W [1 2 1] /Root 1 0 R /Length 12 >>\nstream\n";
  body += std::string("\x00\x00\x00\xff\x01\x00\x09\x00\x01\x00\x3a\x00", 12) + "\nendstream\nendobj\n";
  body += "startxref\n" + std::to_string(xrefAt) + "\n%%EOF\n";
  ExpectFails(body, "cross-reference stream", "Error reading PDF trailer");
  ExpectToolFails(body, "cross-reference stream", "Error reading PDF trailer");
  // A hybrid file: a table whose trailer also names a cross-reference stream (/XRefStm).
  // The table is complete, so the file reads as the table says.
  ExpectPages(OnePage("", {}, "/XRefStm 999999"), 1, "hybrid /XRefStm");
}

TEST_F(Hostile, HeaderVersions) {
  for (const char* header : {"%PDF-1.0", "%PDF-1.1", "%PDF-1.2", "%PDF-1.3", "%PDF-1.5"})
    ExpectPages(OnePage("", {}, "", header), 1, header);
  ExpectFails(OnePage("", {}, "", "%PDF-1.6"), "1.6", "Unsupported PDF Version (%PDF-1.6)");
  ExpectFails(OnePage("", {}, "", "%PDF-1.7"), "1.7", "Unsupported PDF Version (%PDF-1.7)");
  ExpectFails(OnePage("", {}, "", "%PDF-2.0"), "2.0", "Invalid PDF Header (%PDF-2.)");
  ExpectFails(OnePage("", {}, "", "%PDF-1.x"), "1.x");
  ExpectFails(OnePage("", {}, "", "%PDF-"), "no version");
  ExpectFails(OnePage("", {}, "", "%FDP-1.4"), "misspelt", "Invalid PDF Header (%FDP-1.)");
  ExpectToolFails(OnePage("", {}, "", "%PDF-1.6"), "1.6", "Unsupported PDF Version (%PDF-1.6)");
  ExpectToolFails(OnePage("", {}, "", "%PDF-2.0"), "2.0", "Invalid PDF Header (%PDF-2.)");
}

TEST_F(Hostile, EmptyAndHeaderOnly) {
  ExpectFails("", "empty", "Invalid PDF Header ()");
  for (const char* header : {"%PDF-1.4", "%PDF-1.4\n", "%PDF-1.4\r\n%\xE2\xE3\xCF\xD3\r\n"})
    ExpectFails(header, "header only", "Error reading document. Unable to read offset");
  ExpectFails("%PDF-1.4\nstartxref\n9\n%%EOF\n", "header and startxref only");
  ExpectToolFails("", "empty", "Invalid PDF Header ()", true);
  ExpectToolFails("%PDF-1.4", "header only", "Error reading document. Unable to read offset", true);
}

// Names and strings millions of bytes long are legal, if odd: they are read, kept and
// written back whole, in time proportional to their size.
TEST_F(Hostile, NamesAndStringsMillionsOfBytesLong) {
  const size_t n = 3 << 20;
  const std::string name = "/N" + std::string(n, 'x');
  const std::string literal = "(" + std::string(n, 'y') + ")";
  const std::string hex = "<" + std::string(n, 'A') + ">";
  Outcome o = Try(OnePage("/Resources << /ProcSet [" + name + "] >> /Extra " + literal + " /Hex " + hex));
  ExpectCorrectPages(o, 1, "long tokens");
  std::string saved = ReadFile(o.SavedPath);
  EXPECT_NE(std::string::npos, saved.find(name));
  EXPECT_NE(std::string::npos, saved.find(literal));
  EXPECT_NE(std::string::npos, saved.find(hex));
  // A number of a million digits is no number.
  ExpectFails(OnePage("/Rotate " + std::string(n, '9')), "million-digit number");
  // Unterminated: the string runs to the end of the file.
  ExpectFails(OnePage("/Extra (" + std::string(n, 'z')), "unterminated long string");
}

TEST_F(Hostile, CrossReferenceTablesThatLie) {
  const std::string pdf = OnePage();
  const size_t table = pdf.rfind("xref\n0 ");
  auto withSubsection = [&](const std::string& header) {
    std::string out = pdf;
    size_t e = out.find('\n', table + 5);
    return out.replace(table + 5, e - (table + 5), header);
  };
  ExpectFails(withSubsection("0 99999999"), "count beyond the file");
  ExpectFails(withSubsection("2147483647 5"), "first number at the top");
  ExpectFails(withSubsection("-1 5"), "negative first number");
  ExpectFails(withSubsection("0 -5"), "negative count");
  ExpectFails(withSubsection("0 x"), "count not a number");
  // An entry whose fields are not numbers.
  std::string broken = pdf;
  broken.replace(table + 8 + 20, 10, "00000000x9");
  ExpectFails(broken, "letters in an offset");
  // A catalog that is not a dictionary, and no /Root at all.
  ExpectFails(MakePdf({"[1 2 3]", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", Page(), kContent}), "catalog array");
  std::string noRoot = pdf;
  noRoot.replace(noRoot.find("/Root 1 0 R"), 11, "           ");
  ExpectFails(noRoot, "no /Root");
}

// Encryption dictionaries this library cannot or must not follow: each is refused with
// the security handler's message, by the library and by the tool, before any output.
TEST_F(Hostile, EncryptionDictionariesThatLie) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  const std::string plain = Put("plain.pdf", OnePage());
  const std::string encrypted = dir_.File("encrypted.pdf");
  ASSERT_EQ(0, kvtest::Run("qpdf --allow-weak-crypto --static-id --object-streams=disable --encrypt '' owner 128 "
                           "--use-aes=n -- " +
                           ShellQuote(plain) + " " + ShellQuote(encrypted))
                   .ExitCode);
  const std::string pdf = ReadFile(encrypted);
  ExpectPages(pdf, 1, "as made");
  struct Lie {
    const char* From;
    const char* To;  // same length: no offset moves
    const char* Message;
  };
  const Lie lies[] = {
      {"/R 3", "/R 5", "Unsupported encryption (/R 5)"},
      {"/R 3", "/R 1", "Unsupported encryption (/R 1)"},
      {"/V 2", "/V 4", "Unsupported encryption (crypt filters, /V 4)"},
      {"/V 2", "/V 3", "Unsupported encryption (/V 3)"},
      {"/Length 128", "/Length 129", "Unsupported encryption (/Length 129)"},
      {"/Length 128", "/Length 999", "Unsupported encryption (/Length 999)"},
      {"/Filter /Standard", "/Filter /Standarx", "Unsupported security handler (/Standarx)"},
      {"/P -4", "/Q -4", "Invalid permission in encryption dictionary"},
      {"/O <", "/X <", "Invalid Owner Key."},
      {"/U <", "/X <", "Invalid User Key."},
  };
  for (const Lie& lie : lies) {
    std::string bad = pdf;
    size_t at = bad.find(lie.From);
    ASSERT_NE(std::string::npos, at) << lie.From;
    bad.replace(at, std::string(lie.From).size(), lie.To);
    ExpectFails(bad, lie.To, lie.Message);
    const std::string file = ShellQuote(Put("lie.pdf", bad));
    ExpectCliFailure(Folio("copy --strict " + file, dir_), lie.To, lie.Message);
    ExpectToolReadsOrFailsCleanly(Folio("copy " + file, dir_), lie.To);
  }
}

}  // namespace
