#include "pdf/security/kvAES.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

#include "core/kvClasses.h"
#include "pdf/security/kvPDFCryptConsts.h"

namespace kv {

namespace {

struct ContextFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

const EVP_CIPHER* CipherFor(std::string_view key) {
  if (key.size() == 16) return EVP_aes_128_cbc();
  if (key.size() == 32) return EVP_aes_256_cbc();
  throw Exception(Format(msg::SAESKeyLength, static_cast<int>(key.size())));
}

[[noreturn]] void Failed(const char* step) { throw Exception(Format(msg::SCryptoFailed, step)); }

std::string Run(std::string_view key, std::string_view iv, std::string_view data, bool encrypt, bool padding) {
  std::unique_ptr<EVP_CIPHER_CTX, ContextFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) Failed("EVP_CIPHER_CTX_new");
  unsigned char zero[kAESBlockSize] = {};
  const auto* ivBytes = iv.size() == kAESBlockSize ? reinterpret_cast<const unsigned char*>(iv.data()) : zero;
  if (EVP_CipherInit_ex(ctx.get(), CipherFor(key), nullptr, reinterpret_cast<const unsigned char*>(key.data()), ivBytes,
                        encrypt ? 1 : 0) != 1)
    Failed("EVP_CipherInit_ex");
  EVP_CIPHER_CTX_set_padding(ctx.get(), padding ? 1 : 0);
  std::string out(data.size() + kAESBlockSize, '\0');
  int n = 0, tail = 0;
  if (EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &n,
                       reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size())) != 1)
    Failed("EVP_CipherUpdate");
  if (EVP_CipherFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + n, &tail) != 1)
    Failed("EVP_CipherFinal_ex");
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

}  // namespace

std::string AESEncryptCBC(std::string_view key, std::string_view iv, std::string_view data) {
  return std::string(iv) + Run(key, iv, data, true, true);
}

std::string AESDecryptCBC(std::string_view key, std::string_view ivAndData) {
  if (ivAndData.size() < 2 * kAESBlockSize) {
    CipherFor(key);  // a wrong key length fails whatever the data
    return {};
  }
  std::string_view iv = ivAndData.substr(0, kAESBlockSize);
  std::string_view body = ivAndData.substr(kAESBlockSize);
  body = body.substr(0, body.size() - body.size() % kAESBlockSize);
  std::string out = Run(key, iv, body, false, false);
  // PKCS#7: the last byte counts the padding bytes, each holding that count.
  const auto pad = static_cast<unsigned char>(out.back());
  if (pad >= 1 && pad <= kAESBlockSize &&
      out.find_first_not_of(static_cast<char>(pad), out.size() - pad) == std::string::npos)
    out.resize(out.size() - pad);
  return out;
}

std::string AESCryptRaw(std::string_view key, std::string_view iv, std::string_view data, bool encrypt) {
  return Run(key, iv, data.substr(0, data.size() - data.size() % kAESBlockSize), encrypt, false);
}

std::string SHA2(int bits, std::string_view data) {
  const EVP_MD* md = bits == 512 ? EVP_sha512() : bits == 384 ? EVP_sha384() : EVP_sha256();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &length, md, nullptr) != 1) Failed("EVP_Digest");
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string RandomBytes(size_t count) {
  std::string out(count, '\0');
  if (count > 0 && RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(count)) != 1)
    Failed("RAND_bytes");
  return out;
}

}  // namespace kv
