// Shared pieces of the parser tests: a reader over text, a write context that writes
// references with their own numbers, and failure checks by class and message.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "pdf/parser/kvPDFParsers.h"

namespace kvtest {

// A reader over an in-memory copy of `text`, owner identity 7.
struct TextInput {
  explicit TextInput(std::string text) : Stream(std::move(text)), Reader(7, &Stream) {}
  kv::TkvMemoryStream Stream;
  kv::TkvPDFStreamReader Reader;
};

// References are written with the number they were read with, so a round trip shows them.
class IdentityContext : public kv::TkvPDFWriteContext {
 public:
  int32_t OutputNumberOf(const kv::TkvPDFIndirectReference& ref) override { return ref.ObjectNumber; }
  bool IsEncrypting() override { return false; }
  std::string EncryptString(const std::string& bytes, int32_t) override { return bytes; }
  bool FilterStreamForOutput(const kv::TkvPDFStreamObject&, std::unique_ptr<kv::TkvPDFDictObject>&,
                             std::string&) override {
    return false;
  }
};

inline std::string ToText(const kv::TkvPDFObject* obj) {
  IdentityContext ctx;
  return obj ? obj->ToText(&ctx) : std::string("<none>");
}

// Runs `action` and checks that it fails with exception class E and `message`.
template <class E>
void ExpectFailure(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception; expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(message, e.what());
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong exception class, message: " << e.what() << "; expected: " << message;
  }
}

}  // namespace kvtest
