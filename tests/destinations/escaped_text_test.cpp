#include "destinations/escaped_text.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

// The backslash form of COPY and TSV: every special character escaped wherever it stands,
// the plain runs between them kept whole, and what the text is appended to left as it was.
TEST(EscapedTextTest, EscapesEverySpecialCharacterWhereverItStands) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"\\", "\\\\"},
      {"\t\n\r", "\\t\\n\\r"},
      {"a\\b\tc\nd\re", "a\\\\b\\tc\\nd\\re"},
      {"\nGr\xc3\xb6\xc3\x9f"
       "e\\",
       "\\nGr\xc3\xb6\xc3\x9f"
       "e\\\\"},
      {std::string_view("a\0b", 3), std::string_view("a\0b", 3)},
  };
  for (const auto& [text, escaped] : cases) {
    std::string out = "kept|";
    appendBackslashEscaped(out, text);
    EXPECT_EQ(out, "kept|" + std::string(escaped)) << text;
  }
}

}  // namespace
}  // namespace vantrel
