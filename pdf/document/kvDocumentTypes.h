// Shared types of the document engine: measurement units and their conversions, the
// page operations, the event types, and the document's companion classes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pdf/objects/kvPDFObjects.h"

namespace kv {

class TkvCustomPDFDocument;

enum TkvMeasurementUnit : uint8_t { muPixels, muPoints, muInches, muMM, muTwips };
enum TkvOperation : uint8_t { opMerge, opAppend, opInsert, opExtract, opDelete };

// Unit conversions. Pixels to points use the screen's pixels per inch; points to pixels
// use a fixed 96 pixels per inch.
long double ToPoints(TkvMeasurementUnit unit, long double value);
long double FromPoints(TkvMeasurementUnit unit, long double value);

using TkvProgressEvent = std::function<void(TkvCustomPDFDocument* sender, int percentage)>;
using TkvOperationProgressEvent =
    std::function<void(TkvCustomPDFDocument* sender, TkvOperation currentOperation, int currentCount, int totalCount)>;
using TkvStatusMessageEvent = std::function<void(TkvCustomPDFDocument* sender, const std::string& statMsg)>;
using TkvWarningEvent = std::function<void(TkvCustomPDFDocument* sender, const std::string& warning)>;
using TkvPasswordEvent = std::function<void(TkvCustomPDFDocument* sender, std::string& password, bool& cont)>;
using TkvNotifyEvent = std::function<void(TkvCustomPDFDocument* sender)>;

// Output compression of stream data: Method 0 Flate, 1 run-length.
struct TkvCompression {
  bool Active = false;
  uint8_t Method = 0;
  uint8_t Level = 6;
};

// Output ASCII encoding of stream data: Method 0 ASCII hex, 1 ASCII base-85.
struct TkvASCIIEncode {
  bool Active = false;
  uint8_t Method = 0;
};

// The document information dictionary.
class TkvPDFInfo {
 public:
  TkvPDFInfo() : Dictionary(std::make_unique<TkvPDFDictObject>()) {}
  std::unique_ptr<TkvPDFDictObject> Dictionary;
};

// Mail settings kept for the host; nothing in the engine sends mail.
struct TkvEMailInfo {
  std::string Host, UserID, Password;
  std::vector<std::string> Attachments;
  std::vector<std::string> Body;
  std::string ReplyTo, Organization;
  std::string From;
  std::string FromName, Priority;
  std::string Subject;
  std::vector<std::string> ToAddresses, CCAddresses, BCCAddresses;
};

// Opens a saved file for the user ("Open" on the desktop). Tests replace it.
using TkvFileLauncher = std::function<void(const std::string& fileName)>;
TkvFileLauncher& DefaultFileLauncher();

}  // namespace kv
