// LZW, the TIFF and PNG predictors, and decoding by a stream dictionary. Our encoders are
// checked against qpdf's decoders, so the round trips below cannot hide a fault shared by
// both directions.
#include "pdf/filters/kvStreamDecoder.h"

#include <gtest/gtest.h>

#include <random>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/filters/kvPredictors.h"
#include "support/TestSupport.h"

namespace kv {
namespace {

std::string Noise(size_t n, unsigned seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) s.append(1 + rng() % 7, static_cast<char>(rng() % static_cast<unsigned>(alphabet)));
  s.resize(n);
  return s;
}

std::unique_ptr<TkvPDFDictObject> Parms(std::initializer_list<std::pair<const char*, int>> entries) {
  auto d = std::make_unique<TkvPDFDictObject>();
  for (auto [k, v] : entries) d->AddInteger(k, v);
  return d;
}

// What qpdf decodes from one stream with this dictionary text and data.
std::string QpdfDecoded(const std::string& dictExtra, const std::string& data) {
  kvtest::TempDir dir;
  kvtest::WriteFile(dir.File("in.pdf"),
                    kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                                     "<< /Length %LEN% " + dictExtra + " >>\nstream\n" + data + "\nendstream"}));
  auto r = kvtest::Run("qpdf --show-object=3 --filtered-stream-data --decode-level=all " +
                       kvtest::ShellQuote(dir.File("in.pdf")) + " > " + kvtest::ShellQuote(dir.File("out.bin")));
  EXPECT_EQ(r.ExitCode, 0) << dictExtra << ": " << r.Output;
  return kvtest::ReadFile(dir.File("out.bin"));
}

TEST(LZW, KnownVectorAndFailures) {
  // The example of the format's description: "-----A---B" with early change.
  const std::string known("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", 9);
  EXPECT_EQ(codec::LZWDecode(known, true, kMaxDecodedSize), "-----A---B");
  EXPECT_EQ(codec::LZWEncode("-----A---B", true), known);
  // Without the end code the data decoded so far is kept.
  EXPECT_EQ(codec::LZWDecode(known.substr(0, 7), true, kMaxDecodedSize), "-----A---");
  // 300 (9 bits) right after a clear names no entry yet.
  EXPECT_THROW(codec::LZWDecode(std::string("\x80\x4B\x00", 3), true, kMaxDecodedSize), EDecompressionError);
  const std::string runs = codec::LZWEncode(std::string(100000, 'x'), true);
  EXPECT_THROW(codec::LZWDecode(runs, true, 1000), EDecompressionError);
}

TEST(LZW, RoundTripsAcrossCodeWidthsAndTableResets) {
  // Long noise fills the 4096-entry table several times; short alphabets make long strings.
  for (bool early : {true, false})
    for (const std::string& data :
         {std::string(), std::string("a"), Noise(200000, 1), Noise(60000, 2, 3), std::string(70000, 'z')}) {
      EXPECT_EQ(codec::LZWDecode(codec::LZWEncode(data, early), early, kMaxDecodedSize), data)
          << "early " << early << " size " << data.size();
    }
}

TEST(LZW, QpdfDecodesOurEncoding) {
  if (!kvtest::HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  const std::string data = Noise(30000, 3, 16);
  EXPECT_EQ(QpdfDecoded("/Filter /LZWDecode", codec::LZWEncode(data, true)), data);
  EXPECT_EQ(QpdfDecoded("/Filter /LZWDecode /DecodeParms << /EarlyChange 0 >>", codec::LZWEncode(data, false)), data);
}

TEST(Predictors, KnownRows) {
  // Up (2) adds the row above; Sub (1) the byte one pixel to the left.
  const std::string png("\x02\x01\x02\x03\x02\x01\x01\x01\x01\x05\x00\x00", 12);
  EXPECT_EQ(UndoPredictor(png, {12, 1, 8, 3}), std::string("\x01\x02\x03\x02\x03\x04\x05\x05\x05", 9));
  EXPECT_EQ(UndoPredictor(std::string("\x01\x01\x02\x03\x04", 5), {10, 2, 8, 2}), std::string("\x01\x02\x04\x06", 4));
  // TIFF: each component plus the same component of the pixel on its left, per row.
  EXPECT_EQ(UndoPredictor(std::string("\x01\x01\x01\x05\x02\x02", 6), {2, 1, 8, 3}),
            std::string("\x01\x02\x03\x05\x07\x09", 6));
  EXPECT_EQ(UndoPredictor(std::string("\x00\x10\xFF\xF0", 4), {2, 1, 16, 2}), std::string("\x00\x10\x00\x00", 4));
  // 4-bit samples wrap within their width: 0xF + 0x2 = 0x1.
  EXPECT_EQ(UndoPredictor(std::string("\xF2", 1), {2, 1, 4, 2}), std::string("\xF1", 1));
  // A short last row is decoded as far as it goes.
  EXPECT_EQ(UndoPredictor(std::string("\x02\x01\x02\x03\x02\x01", 6), {12, 1, 8, 3}),
            std::string("\x01\x02\x03\x02", 4));
}

TEST(Predictors, BadParametersAndRowTypesFail) {
  const std::string data(16, '\0');
  const TkvPredictorParams bad[] = {{12, 0, 8, 4}, {12, 33, 8, 4},      {12, 1, 3, 4}, {12, 1, 8, 0},
                                    {2, 1, 8, -5}, {12, 1, 8, 1 << 30}, {7, 1, 8, 4}};
  for (const TkvPredictorParams& p : bad) EXPECT_THROW(UndoPredictor(data, p), EDecompressionError) << p.Predictor;
  EXPECT_THROW(UndoPredictor(std::string("\x05\x00", 2), {12, 1, 8, 1}), EDecompressionError);
  EXPECT_EQ(UndoPredictor(data, {1, 0, 0, 0}), data);  // no predictor: parameters unused
}

TEST(Predictors, RoundTripsAndQpdfAgrees) {
  struct Row {
    TkvPredictorParams Params;
    int PngType;
  };
  const Row rows[] = {{{12, 1, 8, 5}, 2},  {{10, 3, 8, 7}, 0},  {{11, 3, 8, 7}, 1},  {{13, 4, 8, 9}, 3},
                      {{14, 3, 8, 11}, 4}, {{15, 1, 16, 6}, 4}, {{12, 1, 1, 13}, 4}, {{2, 3, 8, 7}, 0},
                      {{2, 1, 16, 5}, 0},  {{2, 2, 4, 9}, 0},   {{2, 1, 1, 16}, 0}};
  const std::string raw = Noise(3000, 4);
  const bool qpdf = kvtest::HaveTool("qpdf");
  for (const Row& row : rows) {
    const TkvPredictorParams& p = row.Params;
    const std::string coded = ApplyPredictor(raw, p, row.PngType);
    EXPECT_EQ(UndoPredictor(coded, p), raw) << p.Predictor << " type " << row.PngType;
    if (!qpdf) continue;
    // qpdf pads a short last row, so it is given whole rows.
    const size_t rowBytes = (static_cast<size_t>(p.Colors * p.BitsPerComponent * p.Columns) + 7) / 8;
    const std::string whole = raw.substr(0, raw.size() / rowBytes * rowBytes);
    std::string flate;
    TkvFlateFilter().EncodeString(ApplyPredictor(whole, p, row.PngType), 6, flate);
    const std::string parms = "/DecodeParms << /Predictor " + std::to_string(p.Predictor) + " /Colors " +
                              std::to_string(p.Colors) + " /BitsPerComponent " + std::to_string(p.BitsPerComponent) +
                              " /Columns " + std::to_string(p.Columns) + " >>";
    EXPECT_TRUE(QpdfDecoded("/Filter /FlateDecode " + parms, flate) == whole) << parms << " type " << row.PngType;
  }
}

TEST(DecodeStreamData, FilterChainsWithTheirParameters) {
  const std::string text = Noise(5000, 5, 20);
  std::string flate, hex;
  TkvFlateFilter().EncodeString(ApplyPredictor(text, {12, 1, 8, 10}, 2), 6, flate);
  TkvAsciiHexFilter().EncodeString(flate, hex);

  TkvPDFDictObject dict;
  auto filters = std::make_unique<TkvPDFArrayObject>();
  filters->Add(std::make_unique<TkvPDFNameObject>("/ASCIIHexDecode"));
  filters->Add(std::make_unique<TkvPDFNameObject>("/FlateDecode"));
  dict.AddObject("/Filter", std::move(filters));
  auto parms = std::make_unique<TkvPDFArrayObject>();
  parms->Add(std::make_unique<TkvPDFNullObject>());
  parms->Add(Parms({{"/Predictor", 12}, {"/Columns", 10}}));
  dict.AddObject("/DecodeParms", std::move(parms));
  EXPECT_EQ(DecodeStreamData(hex + "\r\n", dict), text);

  // One filter with its parameters reached through a reference.
  TkvPDFDictObject single;
  single.AddName("/Filter", "/LZWDecode");
  single.AddObject("/DecodeParms", std::make_unique<TkvPDFIndirectReference>(1, 9, 0));
  auto held = Parms({{"/EarlyChange", 0}});
  TkvObjectResolver resolve = [&](const TkvPDFObject*) -> const TkvPDFObject* { return held.get(); };
  EXPECT_EQ(DecodeStreamData(codec::LZWEncode(text, false), single, resolve), text);
  EXPECT_THROW(DecodeStreamData(codec::LZWEncode(text, false), single), EUnexpectedFilterObject);

  TkvPDFDictObject unknown;
  unknown.AddName("/Filter", "/JBIG2Decode");
  EXPECT_THROW(DecodeStreamData("x", unknown), EUnsupportedFilterError);
  TkvPDFDictObject crypt;
  crypt.AddName("/Filter", "/Crypt");
  EXPECT_EQ(DecodeStreamData("as is", crypt), "as is");  // no parameters: the identity filter
  crypt.AddObject("/DecodeParms", std::make_unique<TkvPDFDictObject>());
  static_cast<TkvPDFDictObject*>(crypt.GetValue("/DecodeParms"))->AddName("/Name", "/StdCF");
  EXPECT_THROW(DecodeStreamData("x", crypt), EUnsupportedFilterError);
  TkvPDFDictObject number;
  number.AddInteger("/Filter", 3);
  EXPECT_THROW(DecodeStreamData("x", number), EUnexpectedFilterObject);
}

}  // namespace
}  // namespace kv
