// Our encoders checked by an independent decoder: qpdf reads each encoding back.
#include <gtest/gtest.h>

#include <random>

#include "pdf/filters/kvFilters.h"
#include "support/TestSupport.h"

namespace kv {
namespace {

TEST(FiltersAgainstQpdf, QpdfDecodesWhatWeEncode) {
  if (!kvtest::HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  std::mt19937 rng(99);
  std::string data;
  while (data.size() < 20000) data.append(1 + rng() % 5 * (rng() % 60), static_cast<char>(rng()));
  struct Row {
    const char* Filter;
    std::string Encoded;
  };
  std::vector<Row> rows = {
      {"/ASCIIHexDecode", ""}, {"/ASCII85Decode", ""}, {"/RunLengthDecode", ""}, {"/FlateDecode", ""}};
  TkvAsciiHexFilter().EncodeString(data, rows[0].Encoded);
  TkvAscii85Filter().EncodeString(data, rows[1].Encoded);
  TkvRLEFilter().EncodeString(data, rows[2].Encoded);
  TkvFlateFilter().EncodeString(data, 9, rows[3].Encoded);
  kvtest::TempDir dir;
  for (const Row& row : rows) {
    const std::string pdf = kvtest::MakePdf(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
         std::string("<< /Length %LEN% /Filter ") + row.Filter + " >>\nstream\n" + row.Encoded + "\nendstream"});
    kvtest::WriteFile(dir.File("in.pdf"), pdf);
    const auto result =
        kvtest::Run("qpdf --show-object=3 --filtered-stream-data " + kvtest::ShellQuote(dir.File("in.pdf")) + " > " +
                    kvtest::ShellQuote(dir.File("out.bin")));
    ASSERT_EQ(result.ExitCode, 0) << row.Filter << ": " << result.Output;
    EXPECT_EQ(kvtest::ReadFile(dir.File("out.bin")), data) << row.Filter;
  }
}

}  // namespace
}  // namespace kv
