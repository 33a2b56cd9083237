#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/kvClasses.h"
#include "core/kvMappedFiles.h"
#include "support/TestSupport.h"

namespace {

using kv::TkvSeekOrigin;

std::string Bytes(kv::TkvMemoryStream& s) { return std::string(s.Bytes()); }

// ---- TkvExtMemStream ----

TEST(ExtMemStream, WriteLongIsBigEndianAndReadsBack) {
  kv::TkvExtMemStream s;
  s.WriteLong(16909060);
  EXPECT_EQ(Bytes(s), std::string("\x01\x02\x03\x04", 4));
  s.SetPosition(0);
  EXPECT_EQ(s.ReadLong(), 16909060u);
}

TEST(ExtMemStream, WordAndByteHelpersAreUnsignedBigEndian) {
  kv::TkvExtMemStream s;
  s.WriteWord(0xFF01);
  s.WriteByte(0xFE);
  s.WriteBytes({0x80, 0x00});
  s.WriteString("AZ");
  EXPECT_EQ(Bytes(s), std::string("\xFF\x01\xFE\x80\x00"
                                  "AZ",
                                  7));
  s.SetPosition(0);
  EXPECT_EQ(s.ReadWord(), 65281);
  EXPECT_EQ(s.ReadByte(), 0xFE);
  EXPECT_EQ(s.ReadWord(), 0x8000);
  EXPECT_EQ(s.ReadString(5), "AZ");  // fewer bytes than asked at the end
  EXPECT_EQ(s.ReadByte(), 0);        // nothing left
  EXPECT_EQ(s.ReadLong(), 0u);
}

TEST(ExtMemStream, ReadStringOfAHostileCountReadsWhatIsThere) {
  // Font tables give counts straight from the file; a huge one must not allocate first.
  kv::TkvExtMemStream s(std::string("abc"));
  s.ReadByte();
  EXPECT_EQ(s.ReadString(int64_t{1} << 40), "bc");
  EXPECT_EQ(s.ReadString(-5), "");
}

TEST(ExtMemStream, SkipIsClampedToTheStream) {
  kv::TkvExtMemStream s(std::string("abcdef"));
  s.Skip(4);
  EXPECT_EQ(s.Position(), 4);
  s.Skip(100);
  EXPECT_EQ(s.Position(), 6);
  s.Skip(-2);
  EXPECT_EQ(s.ReadByte(), 'e');
  s.Skip(-100);
  EXPECT_EQ(s.Position(), 0);
}

TEST(ExtMemStream, PadTo4AppendsZerosAtTheEndOnly) {
  kv::TkvExtMemStream aligned(std::string(8, 'x'));
  aligned.PadCount = 7;
  aligned.PadTo4();
  EXPECT_EQ(aligned.PadCount, 0);
  EXPECT_EQ(aligned.GetSize(), 8);

  kv::TkvExtMemStream odd(std::string("123456789"));
  odd.SetPosition(2);  // padding must not overwrite from the current position
  odd.PadTo4();
  EXPECT_EQ(odd.PadCount, 3);
  EXPECT_EQ(Bytes(odd), std::string("123456789\0\0\0", 12));
  EXPECT_EQ(odd.Position(), 12);
}

// ---- TkvMemoryStream views ----

TEST(MemoryStream, CloneOfSharedBytesSharesThemUntilWritten) {
  auto shared = std::make_shared<const std::string>("0123456789");
  kv::TkvMemoryStream source(shared, 2, 5);
  EXPECT_EQ(Bytes(source), "23456");

  auto clone = source.CloneBytes();
  EXPECT_EQ(clone->Memory(), source.Memory());  // no copy yet
  clone->SetPosition(1);
  clone->WriteText("X");
  EXPECT_EQ(Bytes(*clone), "2X456");
  EXPECT_EQ(Bytes(source), "23456");
  EXPECT_EQ(*shared, "0123456789");

  auto grown = source.CloneBytes();
  grown->SetSize(7);
  EXPECT_EQ(Bytes(*grown), std::string("23456\0\0", 7));
  EXPECT_EQ(Bytes(source), "23456");
}

TEST(MemoryStream, CloneOfOwnedBytesIsIndependent) {
  kv::TkvMemoryStream source(std::string("abc"));
  auto clone = source.CloneBytes();
  clone->SetPosition(0);
  clone->WriteText("Z");
  EXPECT_EQ(Bytes(source), "abc");
  EXPECT_EQ(Bytes(*clone), "Zbc");
}

TEST(MemoryStream, ViewIsClampedToTheSharedBytes) {
  auto shared = std::make_shared<const std::string>("abc");
  kv::TkvMemoryStream past(shared, 10, 4);
  EXPECT_EQ(past.Size(), 0u);
  kv::TkvMemoryStream tail(shared, 1, 100);
  EXPECT_EQ(Bytes(tail), "bc");
  EXPECT_EQ(Bytes(*tail.Slice(1, 50)), "c");
}

// ---- mapped files ----

TEST(MappedFile, ViewsTheFileAndSlicesShareTheMapping) {
  kvtest::TempDir dir;
  const std::string path = dir.File("in.bin");
  kvtest::WriteFile(path, "0123456789");
  std::unique_ptr<kv::TkvMemoryStream> mapped = kv::MapWholeFile(path);
  EXPECT_EQ(Bytes(*mapped), "0123456789");
  auto slice = mapped->Slice(3, 4);
  EXPECT_EQ(slice->Memory(), mapped->Memory() + 3);  // no copy
  EXPECT_EQ(Bytes(*slice), "3456");
  // The view outlives the stream it came from; a change copies the bytes first.
  mapped.reset();
  slice->SetPosition(0);
  slice->WriteText("x");
  EXPECT_EQ(Bytes(*slice), "x456");
  EXPECT_EQ(kvtest::ReadFile(path), "0123456789");
}

TEST(MappedFile, DroppedPagesReadBackFromTheFile) {
  kvtest::TempDir dir;
  const std::string path = dir.File("pages.bin");
  std::string text;
  for (int i = 0; text.size() < 50000; ++i) text += std::to_string(i) + ' ';
  kvtest::WriteFile(path, text);
  std::unique_ptr<kv::TkvMemoryStream> mapped = kv::MapWholeFile(path);
  auto middle = mapped->Slice(5000, 30000);
  kv::DropMappedPages(middle->Bytes());
  EXPECT_EQ(Bytes(*mapped), text);
  // Enough given back piecewise gives back every mapping whole; so does the whole mapping.
  for (int i = 0; i < 200; ++i) kv::DropMappedPages(middle->Bytes());
  kv::DropMappedPages(mapped->Bytes());
  EXPECT_EQ(Bytes(*mapped), text);
  EXPECT_EQ(Bytes(*middle), text.substr(5000, 30000));
  const std::string own = "bytes of no mapping";
  kv::DropMappedPages(own);  // nothing happens
  EXPECT_EQ(own, "bytes of no mapping");
}

TEST(MappedFile, WhatCannotBeMappedIsReadOrFailsAsReading) {
  kvtest::TempDir dir;
  const std::string empty = dir.File("empty.bin");
  kvtest::WriteFile(empty, "");
  EXPECT_EQ(kv::MapWholeFile(empty)->Size(), 0u);
  EXPECT_THROW(kv::MapWholeFile(dir.Path()), kv::EReadError);  // a folder
  const std::string missing = dir.File("missing.pdf");
  try {
    kv::MapWholeFile(missing);
    FAIL();
  } catch (const kv::EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + missing + "\""), std::string::npos) << e.what();
  }
  EXPECT_EQ(kv::TkvMemoryStream::View(nullptr, "abc", 3)->Size(), 0u);  // nothing keeps them: nothing viewed
}

// ---- TkvFileStream ----

TEST(FileStream, BufferedWritesReadBackAndReportPositions) {
  kvtest::TempDir dir;
  const std::string path = dir.File("out.bin");
  {
    kv::TkvFileStream out(path, kv::TkvFileStream::Mode::fmCreate);
    out.WriteText("hello ");
    EXPECT_EQ(out.Position(), 6);  // counts bytes still in the write buffer
    out.WriteText("world");
    EXPECT_EQ(out.GetSize(), 11);
    out.Seek(0, TkvSeekOrigin::soBeginning);
    out.WriteText("J");
  }
  EXPECT_EQ(*kv::ReadWholeFile(path), "Jello world");

  kv::TkvFileStream in(path, kv::TkvFileStream::Mode::fmOpenRead);
  kv::TkvMemoryStream copy;
  in.Seek(6, TkvSeekOrigin::soBeginning);
  EXPECT_EQ(copy.CopyFrom(in, 3), 3);
  EXPECT_EQ(copy.CopyFrom(in, 0), 11);  // 0 copies the whole source from its start
  EXPECT_EQ(Bytes(copy), "worJello world");
  EXPECT_THROW(copy.CopyFrom(in, 5), kv::EReadError);  // nothing left to read
}

TEST(FileStream, MissingFileFailsNamingIt) {
  kvtest::TempDir dir;
  const std::string path = dir.File("missing.pdf");
  try {
    kv::TkvFileStream in(path, kv::TkvFileStream::Mode::fmOpenRead);
    FAIL();
  } catch (const kv::EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + path + "\""), std::string::npos) << e.what();
  }
  EXPECT_THROW(kv::ReadWholeFile(dir.Path()), kv::EReadError);  // a folder is no file
}

TEST(Component, AboutAndVersionIgnoreAssignment) {
  struct Versioned : kv::TkvComponent {
    Versioned() { version_ = "1.0"; }
  } c;
  c.SetVersion("9.9");
  c.SetAbout("x");
  EXPECT_EQ(c.Version(), "1.0");
  EXPECT_EQ(c.About(), "");
  c.SetName("PDFDoc");
  EXPECT_EQ(c.Name(), "PDFDoc");
}

// ---- read-only and write-only filters ----

TEST(StreamFilters, RefuseAnAbsentStream) {
  for (auto make : {+[] { kv::TkvReadOnlyFilter f(nullptr); }, +[] { kv::TkvRandomAccessFilter f(nullptr); },
                    +[] { kv::TkvWriteOnlyFilter f(nullptr); }}) {
    try {
      make();
      ADD_FAILURE() << "no exception";
    } catch (const kv::EInvalidStream& e) {
      EXPECT_STREQ(e.what(), "Invalid Stream! Cannot create with null stream");
    }
  }
}

TEST(StreamFilters, ReadOnlyFilterRefusesWritesAndLeavesTheStream) {
  kv::TkvMemoryStream inner(std::string("hello"));
  {
    kv::TkvReadOnlyFilter f(&inner);
    EXPECT_EQ(f.GetSize(), 5);
    char buf[3];
    EXPECT_EQ(f.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "hel");
    try {
      f.Write("xx", 2);
      ADD_FAILURE() << "no exception";
    } catch (const kv::EReadError& e) {
      EXPECT_STREQ(e.what(), "A write-only filter cannot read");
    }
  }
  // The filter does not own what it wraps: the stream is intact after the filter is gone.
  EXPECT_EQ(Bytes(inner), "hello");
  EXPECT_EQ(inner.Position(), 3);
}

TEST(StreamFilters, WriteOnlyFilterRefusesReads) {
  kv::TkvMemoryStream inner;
  {
    kv::TkvWriteOnlyFilter f(&inner);
    f.WriteText("abc");
    f.Seek(1, TkvSeekOrigin::soBeginning);
    f.WriteText("Z");
    char c;
    try {
      f.Read(&c, 1);
      ADD_FAILURE() << "no exception";
    } catch (const kv::EReadError& e) {
      EXPECT_STREQ(e.what(), "A write-only filter cannot read");
    }
  }
  EXPECT_EQ(Bytes(inner), "aZc");
}

// ---- TkvRandomAccessFilter ----

TEST(RandomAccessFilter, LookAheadOverMemory) {
  kv::TkvMemoryStream inner(std::string("0123456789"));
  kv::TkvRandomAccessFilter f(&inner);
  EXPECT_EQ(f.ReadChar(), '0');
  EXPECT_EQ(f.PeekChar(), '1');
  EXPECT_EQ(f.Pos(), 1);
  f.SkipBytes(3);
  EXPECT_EQ(f.ReadChar(), '4');
  f.StepBack();
  f.StepBack();
  EXPECT_EQ(f.ReadChar(), '3');

  std::string s;
  f.Seek(-2, TkvSeekOrigin::soEnd);
  f.PeekString(5, s);
  EXPECT_EQ(s, "89");
  EXPECT_EQ(f.Pos(), 8);
  f.ReadString(5, s);
  EXPECT_EQ(s, "89");
  EXPECT_TRUE(f.AtEnd());
  EXPECT_EQ(f.ReadChar(), 0);
  EXPECT_EQ(f.PeekChar(), 0);
  EXPECT_EQ(f.Pos(), 10);
}

TEST(RandomAccessFilter, SeekPastTheEndAndBack) {
  kv::TkvMemoryStream inner(std::string("abc"));
  kv::TkvRandomAccessFilter f(&inner);
  EXPECT_EQ(f.Seek(10, TkvSeekOrigin::soBeginning), 10);
  EXPECT_EQ(f.ReadChar(), 0);
  f.StepBack();
  EXPECT_EQ(f.Pos(), 9);
  EXPECT_EQ(f.Seek(-20, TkvSeekOrigin::soCurrent), 0);
  EXPECT_EQ(f.ReadChar(), 'a');
  auto slice = f.ReadSlice(100);
  EXPECT_EQ(Bytes(*slice), "bc");
  EXPECT_TRUE(f.AtEnd());
}

// A file larger than the filter's 64 KiB window, so reads, peeks and steps cross window
// boundaries and seeks leave the current window in both directions.
class FileBackedFilter : public ::testing::Test {
 protected:
  static constexpr int kSize = 200000;
  static char ByteAt(int64_t i) { return static_cast<char>((i * 7 + i / 251) & 0xFF); }

  void SetUp() override {
    std::string content(kSize, '\0');
    for (int i = 0; i < kSize; ++i) content[static_cast<size_t>(i)] = ByteAt(i);
    expected_ = content;
    path_ = dir_.File("big.bin");
    kvtest::WriteFile(path_, content);
    file_ = std::make_unique<kv::TkvFileStream>(path_, kv::TkvFileStream::Mode::fmOpenRead);
  }

  kvtest::TempDir dir_;
  std::string path_;
  std::string expected_;
  std::unique_ptr<kv::TkvFileStream> file_;
};

TEST_F(FileBackedFilter, SequentialReadCrossesWindows) {
  kv::TkvRandomAccessFilter f(file_.get());
  EXPECT_EQ(f.GetSize(), kSize);
  std::string all;
  all.reserve(kSize);
  while (!f.AtEnd()) all += f.ReadChar();
  EXPECT_EQ(all, expected_);
  EXPECT_EQ(f.ReadChar(), 0);
}

TEST_F(FileBackedFilter, SeekPeekAndStepBackAcrossWindowEdges) {
  kv::TkvRandomAccessFilter f(file_.get());
  for (int64_t pos : {150000, 65535, 65536, 131071, 0, 199999, 70000, 3}) {
    f.Seek(pos, TkvSeekOrigin::soBeginning);
    EXPECT_EQ(f.Pos(), pos);
    EXPECT_EQ(f.PeekChar(), ByteAt(pos)) << pos;
    EXPECT_EQ(f.ReadChar(), ByteAt(pos)) << pos;
  }
  // Step back over the start of a freshly loaded window.
  f.Seek(100000, TkvSeekOrigin::soBeginning);
  f.Seek(65536, TkvSeekOrigin::soBeginning);
  EXPECT_EQ(f.ReadChar(), ByteAt(65536));
  f.StepBack();
  f.StepBack();
  EXPECT_EQ(f.Pos(), 65535);
  EXPECT_EQ(f.ReadChar(), ByteAt(65535));

  std::string s;
  f.Seek(65530, TkvSeekOrigin::soBeginning);
  f.PeekString(12, s);
  EXPECT_EQ(s, expected_.substr(65530, 12));
  EXPECT_EQ(f.Pos(), 65530);

  f.Seek(-2, TkvSeekOrigin::soEnd);
  f.PeekString(5, s);
  EXPECT_EQ(s, expected_.substr(kSize - 2));
  EXPECT_EQ(f.Pos(), kSize - 2);
}

TEST_F(FileBackedFilter, BulkReadAndSliceSpanWindows) {
  kv::TkvRandomAccessFilter f(file_.get());
  f.Seek(10, TkvSeekOrigin::soBeginning);
  std::string buf(150000, '\0');
  EXPECT_EQ(f.Read(buf.data(), 150000), 150000);
  EXPECT_EQ(buf, expected_.substr(10, 150000));
  auto slice = f.ReadSlice(100000);
  EXPECT_EQ(Bytes(*slice), expected_.substr(150010));
  EXPECT_TRUE(f.AtEnd());
}

}  // namespace
