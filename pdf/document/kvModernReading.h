// What the document needs beyond the classic reader to open modern files: the header
// found after leading bytes, cross-reference streams, objects read out of object streams
// (each stream decoded once), and the rebuilding of damaged cross-reference data.
// A document holds one while a file with ReadModernFiles is being read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/objects/kvPDFObjects.h"
#include "pdf/parser/kvObjectStream.h"
#include "pdf/parser/kvPDFParsers.h"

namespace kv {

class TkvCustomPDFDocument;

class TkvModernReading {
 public:
  explicit TkvModernReading(TkvCustomPDFDocument& doc);
  ~TkvModernReading();

  // Header, cross-reference sections and trailer of a modern file: the reader is made
  // anew over the bytes from the header on when other bytes come before it, and damaged
  // cross-reference data is rebuilt (with a warning) instead of refused.
  void ReadXRef(TkvStream& input, TkvXRefTable& table);

  // The object that entry `entry` keeps in an object stream.
  std::unique_ptr<TkvPDFIndirectObject> ReadCompressed(int32_t objectNumber, const TkvXRefItem& entry);

  // Rebuilds the cross-reference data once per file, warning with `reason`; false when it
  // was rebuilt before or the scan found nothing (the caller then fails as it would have).
  bool Repair(const std::string& reason);
  // After a rebuild, adds the objects of the object streams found to the entries that are
  // absent, once; false when there is nothing (more) to add.
  bool IndexObjectStreams();

  // Decoded bytes of the object streams read so far (they are read as object syntax too).
  int64_t DecodedBytes() const { return cache_.DecodedBytes(); }

 private:
  std::unique_ptr<TkvObjectStream> LoadObjectStream(int32_t streamNumber);
  // Scans the file into `table` once; false when it was done before or found nothing.
  bool Rebuild(const std::string& reason, TkvXRefTable& table);

  TkvCustomPDFDocument& doc_;
  TkvObjectStreamCache cache_;
  // The bytes from the header on, when the header does not open the file.
  std::unique_ptr<TkvStream> shifted_;
  bool repaired_ = false;
  bool indexed_ = true;
  std::vector<int32_t> objectStreams_;
};

}  // namespace kv
