// Writing: a fresh header, catalog (1), information (2), a flat page tree (3), every
// stored object that is still referenced under a new consecutive number, an optional
// encryption dictionary, one cross-reference section and the trailer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/filters/kvFilters.h"

namespace kv {

namespace {

std::string WithPdfExtension(const std::string& fileName) {
  size_t slash = fileName.find_last_of('/');
  size_t dot = fileName.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    std::string ext = fileName.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".pdf") return fileName;
  }
  return fileName + ".pdf";
}

void AppendNumber(std::string& out, int64_t n) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  out.append(buf, r.ptr);
}

// A stream that counts what passes through it, so offsets need no seek.
class TkvCountingStream : public TkvStream {
 public:
  explicit TkvCountingStream(TkvStream& target) : target_(target) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    target_.WriteBuffer(buffer, count);
    written_ += count;
    return count;
  }
  int64_t Seek(int64_t, TkvSeekOrigin) override { return written_; }
  int64_t GetSize() override { return written_; }

 private:
  TkvStream& target_;
  int64_t written_ = 0;
};

// Puts `name` in front of a stream's /Filter, and keeps /DecodeParms aligned with the
// filter list (a single parameter dictionary would otherwise apply to the new filter).
void PrependFilter(const TkvPDFObjectStore& store, TkvPDFDictObject& dict, TkvPDFObject* current, const char* name) {
  auto newName = std::make_unique<TkvPDFNameObject>(name);
  if (!current) {
    dict.SetValue("/Filter", std::move(newName));
  } else if (current->IsName()) {
    auto array = std::make_unique<TkvPDFArrayObject>();
    array->Add(std::move(newName));
    array->Add(current->Clone());
    dict.SetValue("/Filter", std::move(array));
  } else if (current->IsArray()) {
    TkvPDFObjectPtr array = current->Clone();
    CastObject<TkvPDFArrayObject>(array)->Insert(0, std::move(newName));
    dict.SetValue("/Filter", std::move(array));
  } else {
    throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(current).c_str()));
  }
  for (const char* key : {"/DecodeParms", "/DP"}) {
    TkvPDFObject* parms = dict.GetValue(key);
    if (!parms) continue;
    // Parameters held in an array object of their own: the copy gets the null in front.
    if (auto* held = CastIfKind<TkvPDFArrayObject>(store.Resolve(parms))) {
      TkvPDFObjectPtr array = held->Clone();
      CastObject<TkvPDFArrayObject>(array)->Insert(0, std::make_unique<TkvPDFNullObject>());
      dict.SetValue(key, std::move(array));
    } else {
      auto array = std::make_unique<TkvPDFArrayObject>();
      array->Add(std::make_unique<TkvPDFNullObject>());
      array->Add(parms->Clone());
      dict.SetValue(key, std::move(array));
    }
  }
}

bool FilterIs(const TkvPDFObject* filter, std::string_view name) {
  const auto* filterName = CastIfKind<TkvPDFNameObject>(filter);
  return filterName && filterName->Value == name;
}

}  // namespace

int32_t TkvCustomPDFDocument::OutputNumberOf(const TkvPDFIndirectReference& ref) {
  int64_t key = ref.Key();
  if (TkvPDFIndirectObject* o = ObjectStore->FindKey(key)) return o->RefCount ? o->OutputNumber : 0;
  if (NewObjects)
    if (TkvPDFIndirectObject* o = NewObjects->FindKey(key)) return o->OutputNumber;
  return 0;
}

bool TkvCustomPDFDocument::FilterStreamForOutput(const TkvPDFStreamObject& stream,
                                                 std::unique_ptr<TkvPDFDictObject>& dict, std::string& data) {
  if (!FCompression->Active && !FASCIIEncode->Active) return false;
  dict = stream.Dictionary ? stream.Dictionary->CloneDict() : std::make_unique<TkvPDFDictObject>();
  data.assign(stream.DataBytes());
  if (FCompression->Active) {
    const char* chosen = FCompression->Method == 0 ? "/FlateDecode" : "/RunLengthDecode";
    TkvPDFObject* filter = ObjectStore->Resolve(dict->GetValue("/Filter"));
    bool skip = FilterIs(filter, chosen);
    if (auto* a = CastIfKind<TkvPDFArrayObject>(filter))
      skip = a->IndexOfText("/FlateDecode") >= 0 || a->IndexOfText("/RunLengthDecode") >= 0;
    if (!skip) {
      if (filter && !filter->IsName() && !filter->IsArray())
        throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(filter).c_str()));
      std::string encoded;
      if (FCompression->Method == 0)
        TkvFlateFilter().EncodeString(data, FCompression->Level, encoded);
      else
        TkvRLEFilter().EncodeString(data, encoded);
      data = std::move(encoded);
      dict->SetInteger("/Length", static_cast<int32_t>(data.size()));
      PrependFilter(*ObjectStore, *dict, filter, chosen);
    }
  }
  if (FASCIIEncode->Active) {
    const char* chosen = FASCIIEncode->Method == 0 ? "/ASCIIHexDecode" : "/ASCII85Decode";
    TkvPDFObject* filter = ObjectStore->Resolve(dict->GetValue("/Filter"));
    bool skip = FilterIs(filter, chosen);
    if (auto* a = CastIfKind<TkvPDFArrayObject>(filter)) skip = a->Count() > 0 && FilterIs(a->GetItem(0), chosen);
    if (!skip) {
      if (filter && !filter->IsName() && !filter->IsArray())
        throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(filter).c_str()));
      std::string encoded;
      if (FASCIIEncode->Method == 0)
        TkvAsciiHexFilter().EncodeString(data, encoded);
      else
        TkvAscii85Filter().EncodeString(data, encoded);
      data = std::move(encoded);
      dict->SetInteger("/Length", static_cast<int32_t>(data.size()));
      PrependFilter(*ObjectStore, *dict, filter, chosen);
    }
  }
  return true;
}

void TkvCustomPDFDocument::SaveToFile(const std::string& fileName) { SaveToFileAs(WithPdfExtension(fileName)); }

void TkvCustomPDFDocument::SaveToFileAs(const std::string& name) {
  if (OnStatusMessage) Status(Format(msg::SSavingFile, name.c_str()));

  // Written beside the target and renamed into place once complete: a failed save never
  // leaves a partial file, and an existing file survives until the new one is whole.
  std::string tmpName = name + ".XXXXXX";
  int fd = mkstemp(tmpName.data());
  if (fd < 0) throw EReadError(Format(msg::SCannotReplaceFile, name.c_str(), std::strerror(errno)));
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) {
    fchmod(fd, st.st_mode & 07777);
  } else {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  ::close(fd);
  try {
    {
      TkvFileStream file(tmpName, TkvFileStream::Mode::fmCreate);
      SaveToStream(file);
      file.Flush(false);
    }
    if (::rename(tmpName.c_str(), name.c_str()) != 0)
      throw EReadError(Format(msg::SCannotReplaceFile, name.c_str(), std::strerror(errno)));
  } catch (...) {
    ::unlink(tmpName.c_str());
    throw;
  }
  if (FOpenAfterSave) {
    TkvFileLauncher& launch = Launcher ? Launcher : DefaultFileLauncher();
    if (launch) launch(name);
  }
  Status(msg::SSaveComplete);
}

void TkvCustomPDFDocument::SaveToStream(TkvStream& stream) {
  TkvWriteOnlyFilter filter(&stream);
  TkvCountingStream counter(filter);
  Output = &counter;
  try {
    WriteDocument();
  } catch (...) {
    Output = nullptr;
    NewObjects.reset();
    Offsets.clear();
    throw;
  }
  Output = nullptr;
}

void TkvCustomPDFDocument::WriteIndirect(int32_t number, const std::string& body) {
  Offsets.push_back(Output->GetSize());
  std::string text;
  text.reserve(body.size() + 32);
  text += "\r\n";
  AppendNumber(text, number);
  text += " 0 obj\r\n";
  text += body;
  text += "\r\nendobj\r\n";
  Output->WriteText(text);
}

void TkvCustomPDFDocument::WriteCatalog(std::string& buf) {
  buf.assign("<<\r\n/Type /Catalog\r\n/Pages 3 0 R\r\n");
  auto line = [&](const char* key, const TkvPDFObject* value) {
    if (!value) return;
    std::string text = value->ToText(this, 1);
    if (text.empty()) return;
    buf += key;
    buf += ' ';
    buf += text;
    buf += "\r\n";
  };
  line("/Metadata", Catalog->Metadata.get());
  if (PageMode != 0 && PageMode < kPageModeNames.size()) {
    buf += "/PageMode ";
    buf += kPageModeNames[PageMode];
    buf += "\r\n";
  }
  if (PageLayout != 0 && PageLayout < kPageLayoutNames.size()) {
    buf += "/PageLayout ";
    buf += kPageLayoutNames[PageLayout];
    buf += "\r\n";
  }
  line("/Names", Catalog->Names.get());
  line("/Outlines", Catalog->Outlines.get());
  std::string vp = Catalog->ViewerPreferences->SerializeText(this, 1);
  if (!vp.empty()) {
    buf += "/ViewerPreferences ";
    buf += vp;
    buf += "\r\n";
  }
  line("/AcroForm", Catalog->AcroForm.get());
  line("/OpenAction", Catalog->OpenAction.get());
  const TkvPDFDictObject& others = *Catalog->Others;
  for (int32_t i = 0; i < others.Count(); ++i)
    line(others.Keys[static_cast<size_t>(i)]->Value.c_str(), others.Values[static_cast<size_t>(i)].get());
  buf += ">>";
}

void TkvCustomPDFDocument::WriteDocument() {
  LoadAllDeferredPages();  // what they refer to is written with them
  Offsets.clear();
  SetProducer(msg::SProducer);
  LastOutputNumber = 3;
  if (IsEncrypting()) PrepareEncryption();
  NewObjects = std::make_unique<TkvPDFObjectStore>();
  Status(msg::SBuildingOutlines);
  BuildOutlines();
  Status(msg::SBuildingObjects);

  for (TkvPDFObjectStore* store : {ObjectStore.get(), NewObjects.get()})
    for (int32_t i = 0; i < store->Count(); ++i) {
      TkvPDFIndirectObject* obj = store->GetAt(i);
      obj->OutputNumber = obj->RefCount != 0 ? ++LastOutputNumber : 0;
    }

  std::string buf = "%PDF-";
  buf += static_cast<char>('0' + std::min<int>(FPDFMajorVersion, 9));
  buf += '.';
  buf += static_cast<char>('0' + std::min<int>(FPDFVersion, 9));
  buf += "\r\n%\xE2\xE3\xCF\xD3\r\n";
  Output->WriteText(buf);

  WriteCatalog(buf);
  WriteIndirect(1, buf);
  WriteIndirect(2, Info->Dictionary->ToText(this, 2));

  Status(msg::SWritingPages);
  buf.assign("<<\r\n/Type /Pages\r\n/Count ");
  AppendNumber(buf, PageCount());
  buf += "\r\n/Kids [ ";
  for (TkvPDFIndirectObject* page : Pages) {
    AppendNumber(buf, page->OutputNumber);
    buf += " 0 R ";
  }
  buf += "]\r\n>>";
  WriteIndirect(3, buf);

  int64_t total = ObjectStore->Count() + NewObjects->Count();
  int64_t visited = 0;
  for (TkvPDFObjectStore* store : {ObjectStore.get(), NewObjects.get()})
    for (int32_t i = 0; i < store->Count(); ++i) {
      TkvPDFIndirectObject* obj = store->GetAt(i);
      if (obj->RefCount != 0) {
        Offsets.push_back(Output->GetSize());
        buf.clear();
        obj->SerializeIndirect(buf, this);
        Output->WriteText(buf);
      }
      ++visited;
      if (OnIOProgress) Progress(static_cast<int>(visited * 100 / total));
    }

  Status(msg::SWritingXRef);
  WriteXRefAndTrailer(buf);
  NewObjects.reset();
  Offsets.clear();
}

void TkvCustomPDFDocument::WriteXRefAndTrailer(std::string& buf) {
  int32_t encryptNumber = 0;
  if (IsEncrypting()) {
    std::unique_ptr<TkvPDFDictObject> dict = BuildEncryptionDictionary();
    if (dict) {
      encryptNumber = ++LastOutputNumber;
      WriteIndirect(encryptNumber, dict->ToText(this, -1));
    }
  }
  int64_t startxref = Output->GetSize();
  size_t written = Offsets.size();
  buf.assign("xref\r\n0 ");
  AppendNumber(buf, static_cast<int64_t>(written) + 1);
  buf += "\r\n0000000000 65535 f\r\n";
  // Written in pieces: the table of a large document would otherwise be a copy of its own.
  constexpr size_t kPiece = 64 * 1024;
  char line[32];
  for (int64_t offset : Offsets) {
    const long long at = static_cast<long long>(offset + 2);
    if (at >= 0 && at < 10000000000LL) {
      // "oooooooooo 00000 n\r\n", formatted by hand: this loop runs once per object.
      std::memcpy(line, "0000000000 00000 n\r\n", 20);
      long long v = at;
      for (int i = 9; i >= 0 && v > 0; --i, v /= 10) line[i] = static_cast<char>('0' + v % 10);
      buf.append(line, 20);
    } else {
      std::snprintf(line, sizeof line, "%.10lld %.5d %s\r\n", at, 0, "n");
      buf += line;
    }
    if (buf.size() >= kPiece) {
      Output->WriteText(buf);
      buf.clear();
    }
  }
  buf += "trailer\r\n<<\r\n/Size ";
  AppendNumber(buf, static_cast<int64_t>(written) + 1);
  buf += "\r\n/Root 1 0 R\r\n/Info 2 0 R\r\n";
  if (Trailer->ID) {
    buf += "/ID ";
    Trailer->ID->Serialize(buf, this, -1);
    buf += "\r\n";
  }
  if (encryptNumber) {
    buf += "/Encrypt ";
    AppendNumber(buf, encryptNumber);
    buf += " 0 R\r\n";
  }
  buf += ">>\r\nstartxref\r\n";
  AppendNumber(buf, startxref);
  buf += "\r\n%%EOF\r\n";
  Output->WriteText(buf);
}

}  // namespace kv
