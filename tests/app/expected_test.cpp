#include "run/expected.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>

namespace vantrel {
namespace {

enum class Why { kMissing, kEmpty };

Expected<std::unique_ptr<int>, Why> made(bool succeed) {
  if (!succeed) return Unexpected(Why::kEmpty);
  return std::make_unique<int>(7);
}

TEST(ExpectedTest, AValueReadsLikeAnOptionalAndMovesOut) {
  auto value = made(true);
  ASSERT_TRUE(value);
  EXPECT_TRUE(value.has_value());
  EXPECT_EQ(**value, 7);
  EXPECT_EQ(*value->get(), 7);
  EXPECT_THROW(static_cast<void>(value.error()), std::bad_variant_access);
  const std::unique_ptr<int> taken = std::move(*value);
  EXPECT_EQ(*taken, 7);
  EXPECT_EQ(*made(true).value_or(nullptr), 7);
}

TEST(ExpectedTest, AFailureKeepsItsReasonAndHasNoValue) {
  auto failed = made(false);
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.error(), Why::kEmpty);
  EXPECT_THROW(static_cast<void>(failed.value()), std::bad_variant_access);
  EXPECT_EQ(made(false).value_or(nullptr), nullptr);

  // A reason of the value's own type is still a reason, not a value.
  const Expected<std::string, std::string> refused = Unexpected(std::string("disk full"));
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.error(), "disk full");
  const Expected<std::string, std::string> given = std::string("Orders");
  ASSERT_TRUE(given);
  EXPECT_EQ(*given, "Orders");
  EXPECT_EQ(given->size(), 6u);
}

}  // namespace
}  // namespace vantrel
