// A missing independent checker skips a test on a developer's machine but fails it where
// checkers are required, so a CI run without qpdf or poppler cannot pass by skipping.
#include "support/TestSupport.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr const char* kMissing = "folio-no-such-checker";

// Sets (or, for nullptr, removes) an environment variable for one scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedVariable() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

struct Mode {
  const char* Name;
  const char* Ci;       // value of CI, nullptr: unset
  const char* Require;  // value of FOLIO_REQUIRE_CHECKERS
  bool Required;
};

const Mode kModes[] = {
    {"developer", nullptr, nullptr, false}, {"CI=true", "true", nullptr, true},
    {"CI=1", "1", nullptr, true},           {"CI=false", "false", nullptr, false},
    {"CI=0", "0", nullptr, false},          {"CI empty", "", nullptr, false},
    {"switch set", nullptr, "1", true},     {"CI=false, switch set", "false", "yes", true},
};

TEST(CheckerTools, MissingCheckerFailsOnlyWhereCheckersAreRequired) {
  for (const Mode& mode : kModes) {
    SCOPED_TRACE(mode.Name);
    ScopedVariable ci("CI", mode.Ci);
    ScopedVariable require("FOLIO_REQUIRE_CHECKERS", mode.Require);
    EXPECT_EQ(mode.Required, kvtest::CheckersRequired());
    EXPECT_TRUE(kvtest::HaveTool("sh"));  // an installed tool never fails
    if (mode.Required)
      EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(kvtest::HaveTool(kMissing)), kMissing);
    else
      EXPECT_FALSE(kvtest::HaveTool(kMissing));
  }
}

}  // namespace
