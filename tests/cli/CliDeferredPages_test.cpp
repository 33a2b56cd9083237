// Extraction reads only the objects of the pages it takes: damage elsewhere in the file does
// not stop it, damage in what it uses fails as it always did.
#include <string>

#include "cli/CliTestUtil.h"

using clitest::Describe;
using clitest::Folio;

namespace {

// Page 2 refers to contents whose object is damaged.
std::string DamagedSecondPage() {
  const std::string content = "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 72 712 Td (First) Tj ET\nendstream";
  return kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>",
                          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font "
                          "<< /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> >>",
                          content, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents 6 0 R >>",
                          "<< /Length 5 >>\nstream\n"});
}

TEST(CliDeferredPages, DamageOnlyCountsWhereItIsUsed) {
  kvtest::TempDir dir;
  const std::string in = dir.File("damaged.pdf");
  kvtest::WriteFile(in, DamagedSecondPage());
  // Copying reads every page: the damage fails it.
  clitest::FolioResult copy = Folio({"copy", "-q", in, "-o", dir.File("copy.pdf")});
  ASSERT_EQ(copy.Exit, 1) << Describe(copy);
  // Taking the first page does not read the second.
  clitest::FolioResult first = Folio({"extract", "-q", in, "--pages", "1", "-o", dir.File("first.pdf")});
  ASSERT_EQ(first.Exit, 0) << Describe(first);
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(dir.File("first.pdf"), &check)) << check;
  if (kvtest::HaveTool("pdftotext")) {
    EXPECT_EQ(kvtest::PageText(dir.File("first.pdf"), 1), "First");
  }
  // Taking the second fails with the message copying gave, and writes nothing.
  clitest::FolioResult second = Folio({"extract", "-q", in, "--pages", "2", "-o", dir.File("second.pdf")});
  EXPECT_EQ(second.Exit, 1) << Describe(second);
  EXPECT_EQ(second.Err, copy.Err);
  EXPECT_FALSE(kvtest::FileExists(dir.File("second.pdf")));
  // Information reads every page, and reports the damage as copying does.
  clitest::FolioResult info = Folio({"info", in});
  EXPECT_EQ(info.Exit, 1) << Describe(info);
  EXPECT_EQ(info.Err, copy.Err);
}

TEST(CliDeferredPages, ExtractingFromStandardInputAndFromAFileAgree) {
  kvtest::TempDir dir;
  const std::string in = kvtest::DataPath("developers-reference.pdf");
  clitest::FolioResult mapped = Folio({"extract", "-q", in, "--pages", "3-4,1", "-o", dir.File("mapped.pdf")});
  ASSERT_EQ(mapped.Exit, 0) << Describe(mapped);
  kvtest::CommandResult piped =
      kvtest::Run("LC_ALL=C.UTF-8 " + kvtest::ShellQuote(FOLIO_CLI_PATH) + " extract -q - --pages 3-4,1 -o " +
                  kvtest::ShellQuote(dir.File("piped.pdf")) + " < " + kvtest::ShellQuote(in));
  ASSERT_EQ(piped.ExitCode, 0) << piped.Output;
  EXPECT_EQ(kvtest::ReadFile(dir.File("mapped.pdf")), kvtest::ReadFile(dir.File("piped.pdf")));
}

}  // namespace
