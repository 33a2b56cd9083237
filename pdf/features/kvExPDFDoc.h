// The extended document: outlines, forms and encryption on top of the document engine,
// by overriding its virtual operations.
#pragma once

#include <memory>

#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/security/kvPDFCrypt.h"

namespace kv {

class TkvExPDFDocument : public TkvCustomPDFDocument {
public:
  explicit TkvExPDFDocument(TkvComponent* owner = nullptr);
  ~TkvExPDFDocument() override;

  // How the document is protected when saved; filled from the password when an encrypted
  // file is opened.
  TkvPDFEncryptionSettings& EncryptionSettings() { return *FEncryptionSettings; }
  // What the password that opened the file unlocked (none for an unencrypted file).
  const TkvPDFDecrypt* Decryptor() const { return FDecryptor.get(); }

protected:
  void FreeDocumentData() override;
  void InitDocumentData() override;
  void ReadOutlines(TkvPDFDictObject& catalogDict) override;
  void ReadAcroForm(int32_t objectNumber) override;
  void OpenEncrypted(const std::string& password) override;
  bool IsEncrypting() override;
  void PrepareEncryption() override;
  std::string EncryptString(const std::string& text, int32_t objectNumber) override;
  std::unique_ptr<TkvPDFDictObject> BuildEncryptionDictionary() override;
  std::unique_ptr<TkvCustomPDFDocument> CreateTemporaryDocument() override;
  void PagesTakenFrom(TkvCustomPDFDocument& giver) override;

private:
  std::unique_ptr<TkvPDFEncryptionSettings> FEncryptionSettings;
  std::unique_ptr<TkvPDFDecrypt> FDecryptor;
  std::unique_ptr<TkvPDFEncryption> FEncryption;
};

}  // namespace kv
