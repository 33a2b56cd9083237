// Known-answer vectors for the two ciphers the security handler is built on.
#include <gtest/gtest.h>

#include <string>

#include "core/kvPDFUtils.h"
#include "pdf/security/kvMD5.h"
#include "pdf/security/kvPDFCrypt.h"
#include "pdf/security/kvRC4.h"

namespace {

std::string Hex(const kv::TkvMD5::Digest& d) {
  return kv::BytesToHex(std::string_view(reinterpret_cast<const char*>(d.data()), d.size()));
}

struct Md5Case {
  std::string Input;
  std::string Digest;
};

// The test suite of RFC 1321, appendix A.5.
const Md5Case kRfc1321[] = {
    {"", "D41D8CD98F00B204E9800998ECF8427E"},
    {"a", "0CC175B9C0F1B6A831C399E269772661"},
    {"abc", "900150983CD24FB0D6963F7D28E17F72"},
    {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
    {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57EDF4A22BE3C955AC49DA2E2107B67A"},
};

TEST(MD5, Rfc1321Suite) {
  for (const auto& c : kRfc1321) EXPECT_EQ(Hex(kv::TkvMD5::Hash(c.Input)), c.Digest) << '"' << c.Input << '"';
}

// Every split of the input between two updates, across the 56- and 64-byte block edges,
// gives the one-shot digest; Final leaves the object ready for a new message.
TEST(MD5, PiecewiseUpdatesMatchOneShot) {
  std::string input;
  for (int i = 0; i < 200; ++i) input += static_cast<char>(i * 7 + 3);
  for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 200u}) {
    std::string_view part(input.data(), length);
    auto expected = kv::TkvMD5::Hash(part);
    kv::TkvMD5 md5;
    for (size_t split = 0; split <= length; ++split) {
      md5.Update(part.substr(0, split));
      md5.Update(part.substr(split));
      ASSERT_EQ(md5.Final(), expected) << "length " << length << " split " << split;
    }
  }
}

TEST(MD5, MillionA) {
  kv::TkvMD5 md5;
  std::string block(1000, 'a');
  for (int i = 0; i < 1000; ++i) md5.Update(block);
  EXPECT_EQ(Hex(md5.Final()), "7707D6AE4E027C70EEA2A935C2296F21");
}

struct Rc4Case {
  std::string Key;
  std::string Plain;
  std::string Cipher;
};

TEST(RC4, KnownVectors) {
  const Rc4Case cases[] = {
      {"Key", "Plaintext", "BBF316E8D940AF0AD3"},
      {"Wiki", "pedia", "1021BF0420"},
      {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
  };
  for (const auto& c : cases) {
    std::string data = c.Plain;
    kv::TkvRC4(c.Key.data(), c.Key.size()).Crypt(data.data(), data.size());
    EXPECT_EQ(kv::BytesToHex(data), c.Cipher) << c.Key;
    kv::TkvRC4(c.Key.data(), c.Key.size()).Crypt(data.data(), data.size());
    EXPECT_EQ(data, c.Plain) << c.Key;
  }
}

// A 40-bit key with its published first keystream bytes (key 0x0102030405).
TEST(RC4, FortyBitKeyStream) {
  const uint8_t key[] = {1, 2, 3, 4, 5};
  std::string zeros(16, '\0');
  kv::TkvRC4 rc4(key, sizeof key);
  rc4.Crypt(zeros.data(), 8);
  rc4.Crypt(zeros.data() + 8, 8);  // the key stream continues across calls
  EXPECT_EQ(kv::BytesToHex(zeros), "B2396305F03DC027CCC3524A0A1118A8");
}

TEST(RC4, RejectsUnsupportedKeyLengths) {
  std::string key(300, 'k');
  for (size_t length : {size_t{0}, size_t{257}, size_t{300}}) {
    try {
      kv::TkvRC4 rc4(key.data(), length);
      FAIL() << "accepted length " << length;
    } catch (const kv::Exception& e) {
      EXPECT_STREQ(e.what(), "RC4: Invalid key length");
    }
  }
  EXPECT_NO_THROW(kv::TkvRC4(key.data(), 1));
  EXPECT_NO_THROW(kv::TkvRC4(key.data(), 256));
}

TEST(PasswordPadding, IsThePublishedOne) {
  std::string padding(reinterpret_cast<const char*>(kv::kPasswordPadding.data()), 32);
  EXPECT_EQ(kv::BytesToHex(padding), "28BF4E5E4E758A4164004E56FFFA01082E2E00B6D0683E802F0CA9FE6453697A");
}

}  // namespace
