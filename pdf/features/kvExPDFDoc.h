// The extended document: outlines, forms and encryption on top of the document engine,
// by overriding its virtual operations.
#pragma once

#include <memory>

#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/features/kvAcroForm.h"
#include "pdf/features/kvOutlines.h"
#include "pdf/security/kvPDFCrypt.h"

namespace kv {

class TkvPicture;
class TkvWaterMarkTemplate;

class TkvExPDFDocument : public TkvCustomPDFDocument {
 public:
  explicit TkvExPDFDocument(TkvComponent* owner = nullptr);
  ~TkvExPDFDocument() override;

  // How the document is protected when saved; filled from the password when an encrypted
  // file is opened.
  TkvPDFEncryptionSettings& EncryptionSettings() { return *FEncryptionSettings; }
  // What the password that opened the file unlocked (none for an unencrypted file).
  const TkvPDFDecrypt* Decryptor() const { return FDecryptor.get(); }

  // Markings and thumbnails (kvWatermark.cpp, kvImageObject.cpp).
  // The image conversion: a new image XObject of the picture's RGB samples, Flate
  // compressed, its alpha (if any) as a soft mask; one user (the reference returned).
  std::unique_ptr<TkvPDFIndirectReference> CreateImageObject(const TkvPicture& picture, const std::string& name);
  // Stamps the template on the pages of the range (all pages in the second form).
  void InsertWatermark(TkvWaterMarkTemplate& tmpl, const std::string& pageRange);
  void InsertWatermark(TkvWaterMarkTemplate& tmpl);
  // Attaches the picture to the page as its /Thumb image, replacing an earlier one.
  void SetPageThumbnail(int32_t pageNumber, const TkvPicture& picture);

  // The outline (kvOutlines.h): the root node, null when the document has none.
  TkvPDFOutline* Outlines() const { return FOutlines.get(); }
  // Replaces the outline by a root with one item, which is returned.
  TkvPDFOutline* CreateOutline(const std::string& title, const TkvPDFDestination* dest);
  // Removes the outline: the document is saved without one.
  void DeleteOutlines() { FOutlines.reset(); }

  // Form fields (kvAcroFormDoc.cpp), by 0-based index. Every operation but the count
  // raises ENoAcroFields without a form and EFieldNotFound for an index out of range.
  int32_t FieldCount() const;
  std::string FieldName(int32_t index) const;
  std::vector<std::string> FieldOptions(int32_t index) const;
  std::string FieldValue(int32_t index) const;
  TkvFieldType FieldType(int32_t index) const;
  bool FieldReadOnly(int32_t index) const;
  void SetFieldValue(int32_t index, const std::string& value);
  // The index of the field with this full name; -1 when there is none.
  int32_t IndexOfField(const std::string& name) const;
  // The field list; null when the document has no form.
  const TkvAcroFormFields* FormFields() const { return FFields.get(); }

 protected:
  void FreeDocumentData() override;
  void InitDocumentData() override;
  void ReadOutlines(TkvPDFDictObject& catalogDict) override;
  void BuildOutlines() override;
  void MergeOutlinesFrom(TkvCustomPDFDocument& source) override;
  void ReadAcroForm(int32_t objectNumber) override;
  void CopyFormFieldsTo(TkvCustomPDFDocument& target) override;
  void MergeFormFieldsFrom(TkvCustomPDFDocument& source) override;
  void PagesDeleted(const std::vector<TkvPDFIndirectObject*>& deleted) override;
  void OpenEncrypted(const std::string& password) override;
  bool IsEncrypting() override;
  void PrepareEncryption() override;
  std::string EncryptString(const std::string& text, int32_t objectNumber) override;
  std::unique_ptr<TkvPDFDictObject> BuildEncryptionDictionary() override;
  // AES output is longer than its input: a stream's /Length gives the encrypted size.
  bool FilterStreamForOutput(const TkvPDFStreamObject& stream, std::unique_ptr<TkvPDFDictObject>& dict,
                             std::string& data) override;
  std::unique_ptr<TkvCustomPDFDocument> CreateTemporaryDocument() override;
  void PagesTakenFrom(TkvCustomPDFDocument& giver) override;

 private:
  // Declares the extension of PDF 1.7 that AES-256 output needs, at extension `level`.
  void DeclareAES256Extension(int32_t level);
  friend class TkvWatermarkProcessor;
  // The shared "q" and "Q" streams that wrap page content under overlays; -1 until made.
  int32_t FSaveStateStream = -1;
  int32_t FRestoreStateStream = -1;
  std::unique_ptr<TkvPDFEncryptionSettings> FEncryptionSettings;
  std::unique_ptr<TkvPDFDecrypt> FDecryptor;
  std::unique_ptr<TkvPDFEncryption> FEncryption;
  std::unique_ptr<TkvAcroFormFields> FFields;
  // The Helvetica font dictionary of appearances whose font no resource defines.
  TkvPDFIndirectObject* FFallbackFont = nullptr;
  TkvPDFDictObject* FormDictionary() const;
  TkvAcroFormField& CheckedField(int32_t index) const;
  void RebuildFieldList();
  // Copies into `into` what `root` refers to in `from` and `into` lacks (pages excepted).
  static void CopyReferencedObjects(TkvExPDFDocument& from, TkvPDFObject* root, TkvPDFObjectStore& into);
  std::unique_ptr<TkvPDFOutline> FOutlines;
  void TakeOutlineObjects(TkvExPDFDocument& source, TkvPDFOutline& tree);
};

}  // namespace kv
