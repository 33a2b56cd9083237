// Name texts: shared while the table has room, owned past it, and a copy or an assignment
// never reaches another name's text.
#include "pdf/objects/kvNameText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kv::TkvNameText;

TEST(NameText, ReadsAsTextAndSharesShortTexts) {
  TkvNameText a("/FlateDecode"), b(std::string("/FlateDecode"));
  EXPECT_EQ(&a.str(), &b.str());  // one shared string
  EXPECT_TRUE(a == "/FlateDecode");
  EXPECT_TRUE("/FlateDecode" == a);
  EXPECT_FALSE(a != b);
  EXPECT_EQ(a.substr(1), "FlateDecode");
  EXPECT_EQ("<" + a + ">", "</FlateDecode>");
  EXPECT_TRUE(TkvNameText() == "");
  const std::string longText = "/" + std::string(TkvNameText::kMaxSharedLength + 1, 'x');
  TkvNameText c(longText), d(longText);
  EXPECT_NE(&c.str(), &d.str());  // owned each
  EXPECT_EQ(c, d);
}

TEST(NameText, CopiesAndAssignmentsStayApart) {
  const std::string longText = "/" + std::string(200, 'y');
  TkvNameText owned(longText);
  TkvNameText copy(owned);
  copy = "/Other";
  EXPECT_EQ(owned, longText);
  owned = std::string_view(owned.str()).substr(0, 5);  // assigned from a view of itself
  EXPECT_EQ(owned, "/yyyy");
  TkvNameText moved(std::move(copy));
  EXPECT_EQ(moved, "/Other");
  EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): left empty by design
}

TEST(NameText, ManyDistinctTextsStayCorrectPastTheTable) {
  std::vector<TkvNameText> names;
  const size_t n = TkvNameText::kMaxShared + 1000;
  names.reserve(n);
  for (size_t i = 0; i < n; ++i) names.emplace_back("/N" + std::to_string(i));
  for (size_t i = 0; i < n; i += 997) EXPECT_EQ(names[i], "/N" + std::to_string(i));
}

}  // namespace
