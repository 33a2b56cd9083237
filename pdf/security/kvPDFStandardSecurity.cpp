#include "pdf/security/kvPDFCrypt.h"
#include "pdf/security/kvPDFCryptConsts.h"

namespace kv {

namespace {

// Indirect objects wrapped around a value are looked through this many levels at most:
// a copied encryption dictionary holds values, not chains of wrappers.
constexpr int kMaxUnwrapDepth = 8;

const TkvPDFObject* Unwrap(const TkvPDFObject* obj) {
  for (int i = 0; i < kMaxUnwrapDepth && obj && obj->IsIndirectObject(); ++i)
    obj = static_cast<const TkvPDFIndirectObject*>(obj)->Value.get();
  return obj && obj->IsIndirectObject() ? nullptr : obj;
}

const TkvPDFObject* Entry(const TkvPDFDictObject& dict, std::string_view key) { return Unwrap(dict.GetValue(key)); }

bool IntegerValue(const TkvPDFObject* obj, int64_t& value) {
  if (obj && obj->IsInteger()) {
    value = static_cast<const TkvPDFIntegerObject*>(obj)->Value;
    return true;
  }
  if (obj && obj->IsInt64()) {
    value = static_cast<const TkvPDFInt64Object*>(obj)->Value;
    return true;
  }
  return false;
}

int64_t IntegerOr(const TkvPDFDictObject& dict, std::string_view key, int64_t fallback) {
  int64_t value = fallback;
  return IntegerValue(Entry(dict, key), value) ? value : fallback;
}

[[noreturn]] void Unsupported(const std::string& what) {
  throw EUnsupportedEncryptionError(Format(msg::SUnsupportedEncryption, what.c_str()));
}

// Whether a /V 4 file's crypt filters use AES (they may also use RC4, which is still a
// scheme we do not read: it routes strings and streams through named filters).
bool UsesAES(const TkvPDFDictObject& dict) {
  auto filters = Entry(dict, "/CF");
  if (!filters || !filters->IsDictionary()) return false;
  auto& cf = *static_cast<const TkvPDFDictObject*>(filters);
  for (int32_t i = 0; i < cf.Count(); ++i) {
    auto filter = Unwrap(cf.GetValueAt(i));
    if (!filter || !filter->IsDictionary()) continue;
    auto method = Entry(*static_cast<const TkvPDFDictObject*>(filter), "/CFM");
    if (method && method->IsName() && static_cast<const TkvPDFNameObject*>(method)->Value.starts_with("/AES"))
      return true;
  }
  return false;
}

void CheckHandler(const TkvPDFDictObject& dict) {
  auto filter = Entry(dict, "/Filter");
  if (!filter || !filter->IsName())
    throw EUnsupportedEncryptionError(Format(msg::SUnsupportedSecurityHandler, "no /Filter"));
  const std::string& name = static_cast<const TkvPDFNameObject*>(filter)->Value;
  if (name != "/Standard") throw EUnsupportedEncryptionError(Format(msg::SUnsupportedSecurityHandler, name.c_str()));
}

// The revision and key length (bytes) of a supported dictionary; anything else fails
// naming what is not supported.
void SelectAlgorithm(const TkvPDFDictObject& dict, int32_t& revision, int32_t& keyLength) {
  int64_t v = IntegerOr(dict, "/V", 0);
  int64_t r = IntegerOr(dict, "/R", 0);
  // /Length is in bits; 40 when absent, as the 40-bit algorithm never writes it.
  int64_t length = IntegerOr(dict, "/Length", 40);
  if (v == 4) Unsupported(UsesAES(dict) ? "AES, /V 4" : "crypt filters, /V 4");
  if (v >= 5) Unsupported(Format("AES-256, /V %lld", static_cast<long long>(v)));
  if (v < 0 || v == 3) Unsupported(Format("/V %lld", static_cast<long long>(v)));
  if (r >= 4 || (r != 0 && r < 2)) Unsupported(Format("/R %lld", static_cast<long long>(r)));
  // Old files omit /V or /R; the other value and the key length tell the algorithm.
  if (r == 0) r = (v == 1 || (v == 0 && length == 40)) ? 2 : 3;
  if (v == 0) v = r == 2 ? 1 : 2;
  if (v == 1) {
    keyLength = 5;
  } else {
    if (length < 40 || length > 128 || length % 8 != 0)
      Unsupported(Format("/Length %lld", static_cast<long long>(length)));
    keyLength = static_cast<int32_t>(length / 8);
  }
  revision = static_cast<int32_t>(r);
}

const TkvPDFStringObject* AsString(const TkvPDFObject* obj) {
  return obj && obj->IsString() ? static_cast<const TkvPDFStringObject*>(obj) : nullptr;
}

}  // namespace

std::unique_ptr<TkvPDFDecrypt> OpenStandardSecurity(const TkvPDFDictObject& encryptDict,
                                                    const TkvPDFArrayObject* trailerID) {
  CheckHandler(encryptDict);
  int32_t revision = 0, keyLength = 0;
  SelectAlgorithm(encryptDict, revision, keyLength);

  auto crypt = std::make_unique<TkvPDFDecrypt>();
  crypt->Revision = revision;
  crypt->KeyLength = keyLength;
  crypt->Level = keyLength == 5 ? el40bit : el128bit;

  // The identifier is the first /ID string's bytes, whatever its form.
  const TkvPDFStringObject* id =
      trailerID && trailerID->Count() > 0 ? AsString(Unwrap(trailerID->GetItem(0))) : nullptr;
  if (id) crypt->SetFileIDBytes(TkvBasePDFCrypt::StringBytes(id->Value));

  auto owner = AsString(Entry(encryptDict, "/O"));
  crypt->SetOwnerKey(owner ? std::string_view(owner->Value) : std::string_view());
  auto user = AsString(Entry(encryptDict, "/U"));
  crypt->SetUserKey(user ? std::string_view(user->Value) : std::string_view());

  int64_t p = 0;
  if (!IntegerValue(Entry(encryptDict, "/P"), p)) throw EInvalidPermission(msg::SInvalidPermission);
  crypt->SetP(p);
  return crypt;
}

std::unique_ptr<TkvPDFDecrypt> OpenStandardSecurity(const TkvPDFObject* encrypt, const TkvPDFArrayObject* trailerID) {
  const TkvPDFObject* value = Unwrap(encrypt);
  if (!value || !value->IsDictionary()) throw EPDFException(msg::SInvalidEncryptDictionary);
  return OpenStandardSecurity(*static_cast<const TkvPDFDictObject*>(value), trailerID);
}

std::unique_ptr<TkvPDFDecrypt> AuthenticateStandardSecurity(const TkvPDFObject* encrypt,
                                                            const TkvPDFArrayObject* trailerID,
                                                            std::string_view password,
                                                            TkvPDFEncryptionSettings& settings) {
  auto crypt = OpenStandardSecurity(encrypt, trailerID);
  if (!crypt->Authenticate(settings, password)) throw EPasswordError(msg::SWrongPassword);
  return crypt;
}

}  // namespace kv
