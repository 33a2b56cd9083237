#include "pdf/objects/kvPDFObjectUtils.h"
#include "pdf/security/kvPDFCrypt.h"
#include "pdf/security/kvPDFCryptConsts.h"

namespace kv {

namespace {

// Indirect objects wrapped around a value are looked through this many levels at most:
// a copied encryption dictionary holds values, not chains of wrappers.
constexpr int kMaxUnwrapDepth = 8;

const TkvPDFObject* Unwrap(const TkvPDFObject* obj) {
  for (int i = 0; i < kMaxUnwrapDepth; ++i) {
    const auto* wrapper = CastIfKind<TkvPDFIndirectObject>(obj);
    if (!wrapper) break;
    obj = wrapper->Value.get();
  }
  return obj && obj->IsIndirectObject() ? nullptr : obj;
}

const TkvPDFObject* Entry(const TkvPDFDictObject& dict, std::string_view key) { return Unwrap(dict.GetValue(key)); }

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
  const auto* cf = CastIfKind<TkvPDFDictObject>(Entry(dict, "/CF"));
  if (!cf) return false;
  for (int32_t i = 0; i < cf->Count(); ++i) {
    const auto* filter = CastIfKind<TkvPDFDictObject>(Unwrap(cf->GetValueAt(i)));
    if (!filter) continue;
    const auto* method = CastIfKind<TkvPDFNameObject>(Entry(*filter, "/CFM"));
    if (method && method->Value.starts_with("/AES")) return true;
  }
  return false;
}

void CheckHandler(const TkvPDFDictObject& dict) {
  const auto* filter = CastIfKind<TkvPDFNameObject>(Entry(dict, "/Filter"));
  if (!filter) throw EUnsupportedEncryptionError(Format(msg::SUnsupportedSecurityHandler, "no /Filter"));
  const std::string& name = filter->Value;
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

// The method of the crypt filter `name` names (/StmF or /StrF of /V 4 and 5): the
// identity filter, or one of /CF whose /CFM says RC4 (/V2), AES-128 (/AESV2) or AES-256
// (/AESV3). `keyLength` receives an RC4 filter's key length in bytes.
TkvCryptMethod CryptFilterMethod(const TkvPDFDictObject& dict, std::string_view key, int32_t& keyLength) {
  const TkvPDFObject* name = Entry(dict, key);
  if (!name) return cmNone;  // absent: the identity filter
  if (!name->IsName()) Unsupported(std::string(key));
  const std::string& filterName = CastObject<TkvPDFNameObject>(name)->Value;
  if (filterName == "/Identity") return cmNone;
  const auto* filters = CastIfKind<TkvPDFDictObject>(Entry(dict, "/CF"));
  const auto* filter = filters ? CastIfKind<TkvPDFDictObject>(Unwrap(filters->GetValue(filterName))) : nullptr;
  if (!filter) Unsupported(Format("crypt filter %s", filterName.c_str()));
  const auto* method = CastIfKind<TkvPDFNameObject>(Entry(*filter, "/CFM"));
  const std::string m = method ? method->Value.str() : "/None";
  if (m == "/None") return cmNone;
  if (m == "/AESV2") return cmAESV2;
  if (m == "/AESV3") return cmAESV3;
  if (m != "/V2") Unsupported(Format("crypt filter method %s", m.c_str()));
  // RC4 filters give their key length in bytes, though many files give bits.
  int64_t length = IntegerOr(*filter, "/Length", IntegerOr(dict, "/Length", 128));
  if (length > 16) length /= 8;
  if (length < 5 || length > 16) Unsupported(Format("/Length %lld", static_cast<long long>(length)));
  keyLength = static_cast<int32_t>(length);
  return cmRC4;
}

// Crypt filters (/V 4, revision 4) and AES-256 (/V 5, revisions 5 and 6).
void SelectModernAlgorithm(const TkvPDFDictObject& dict, TkvPDFDecrypt& crypt) {
  const int64_t v = IntegerOr(dict, "/V", 0);
  const int64_t r = IntegerOr(dict, "/R", 0);
  if (v == 4 && r != 4) Unsupported(Format("/R %lld", static_cast<long long>(r)));
  if (v == 5 && r != 5 && r != 6) Unsupported(Format("/R %lld", static_cast<long long>(r)));
  int32_t rc4Length = 16;
  crypt.StringMethod = CryptFilterMethod(dict, "/StrF", rc4Length);
  crypt.StreamMethod = CryptFilterMethod(dict, "/StmF", rc4Length);
  const bool aes256 = v == 5;
  for (TkvCryptMethod m : {crypt.StringMethod, crypt.StreamMethod})
    if ((m == cmAESV3) != aes256 && m != cmNone)
      Unsupported(Format("crypt filter method of /V %lld", static_cast<long long>(v)));
  const auto* em = CastIfKind<TkvPDFBooleanObject>(Entry(dict, "/EncryptMetadata"));
  crypt.EncryptMetadata = !(em && !em->Value);
  crypt.Revision = static_cast<int32_t>(r);
  const bool aes128 = crypt.StringMethod == cmAESV2 || crypt.StreamMethod == cmAESV2;
  crypt.KeyLength = aes256 ? 32 : aes128 ? 16 : rc4Length;
  crypt.Level = aes256 ? elAES256 : aes128 ? elAES128 : rc4Length == 5 ? el40bit : el128bit;
}

bool IsModernDictionary(const TkvPDFDictObject& dict) {
  const int64_t v = IntegerOr(dict, "/V", 0);
  return v == 4 || v == 5;
}

const TkvPDFStringObject* AsString(const TkvPDFObject* obj) { return CastIfKind<TkvPDFStringObject>(obj); }

}  // namespace

std::unique_ptr<TkvPDFDecrypt> OpenStandardSecurity(const TkvPDFDictObject& encryptDict,
                                                    const TkvPDFArrayObject* trailerID, bool modern) {
  CheckHandler(encryptDict);
  auto crypt = std::make_unique<TkvPDFDecrypt>();
  if (modern && IsModernDictionary(encryptDict)) {
    SelectModernAlgorithm(encryptDict, *crypt);
  } else {
    int32_t revision = 0, keyLength = 0;
    SelectAlgorithm(encryptDict, revision, keyLength);
    crypt->Revision = revision;
    crypt->KeyLength = keyLength;
    crypt->Level = keyLength == 5 ? el40bit : el128bit;
  }

  // The identifier is the first /ID string's bytes, whatever its form.
  const TkvPDFStringObject* id =
      trailerID && trailerID->Count() > 0 ? AsString(Unwrap(trailerID->GetItem(0))) : nullptr;
  if (id) crypt->SetFileIDBytes(TkvBasePDFCrypt::StringBytes(id->Value));

  auto owner = AsString(Entry(encryptDict, "/O"));
  crypt->SetOwnerKey(owner ? std::string_view(owner->Value) : std::string_view());
  auto user = AsString(Entry(encryptDict, "/U"));
  crypt->SetUserKey(user ? std::string_view(user->Value) : std::string_view());
  if (crypt->EffectiveRevision() >= 5) {
    auto bytes = [&](const char* key) {
      auto s = AsString(Entry(encryptDict, key));
      return s ? TkvBasePDFCrypt::StringBytes(s->Value) : std::string();
    };
    crypt->AES256 = {bytes("/O"), bytes("/U"), bytes("/OE"), bytes("/UE"), bytes("/Perms")};
  }

  int64_t p = 0;
  if (!IntegerValue(Entry(encryptDict, "/P"), p)) throw EInvalidPermission(msg::SInvalidPermission);
  crypt->SetP(p);
  return crypt;
}

std::unique_ptr<TkvPDFDecrypt> OpenStandardSecurity(const TkvPDFObject* encrypt, const TkvPDFArrayObject* trailerID,
                                                    bool modern) {
  const auto* value = CastIfKind<TkvPDFDictObject>(Unwrap(encrypt));
  if (!value) throw EPDFException(msg::SInvalidEncryptDictionary);
  return OpenStandardSecurity(*value, trailerID, modern);
}

std::unique_ptr<TkvPDFDecrypt> AuthenticateStandardSecurity(const TkvPDFObject* encrypt,
                                                            const TkvPDFArrayObject* trailerID,
                                                            std::string_view password,
                                                            TkvPDFEncryptionSettings& settings, bool modern) {
  auto crypt = OpenStandardSecurity(encrypt, trailerID, modern);
  if (!crypt->Authenticate(settings, password)) throw EPasswordError(msg::SWrongPassword);
  return crypt;
}

}  // namespace kv

namespace kv {

bool TkvPDFDecrypt::EncryptsStream(const TkvPDFDictObject* dict) const {
  if (StreamMethod == cmNone) return false;
  if (!dict) return true;
  auto name = [&](std::string_view key) {
    const auto* v = CastIfKind<TkvPDFNameObject>(dict->GetValue(key));
    return v ? v->Value : std::string();
  };
  const std::string type = name("/Type");
  if (type == "/XRef") return false;
  if (type == "/Metadata" && !EncryptMetadata) return false;
  // A stream's own crypt filter comes first in its /Filter; only the identity filter is
  // met in practice (a stream left in the clear inside an encrypted file).
  const TkvPDFObject* filter = dict->GetValue("/Filter");
  if (const auto* list = CastIfKind<TkvPDFArrayObject>(filter); list && list->Count() > 0) filter = list->GetItem(0);
  if (const auto* first = CastIfKind<TkvPDFNameObject>(filter); first && first->Value == "/Crypt") {
    const TkvPDFObject* parms = dict->GetValue("/DecodeParms");
    if (const auto* list = CastIfKind<TkvPDFArrayObject>(parms); list && list->Count() > 0) parms = list->GetItem(0);
    const auto* parmDict = CastIfKind<TkvPDFDictObject>(parms);
    const TkvPDFObject* filterName = parmDict ? parmDict->GetValue("/Name") : nullptr;
    const auto* cryptName = CastIfKind<TkvPDFNameObject>(filterName);
    if (!filterName || (cryptName && cryptName->Value == "/Identity")) return false;
  }
  return true;
}

}  // namespace kv
