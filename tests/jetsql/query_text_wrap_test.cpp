// Line breaking of a statement for the preview.

#include <gtest/gtest.h>

#include "jetsql/query_text_wrap.h"

namespace vantrel {
namespace {

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += text;
  return out;
}

TEST(QueryTextWrapTest, BreaksAtTheLastBlankPast58Characters) {
  EXPECT_EQ(wrapQueryText(std::string_view()), "\r\n\r\n");
  const std::string unbroken(120, 'x');
  EXPECT_EQ(wrapQueryText(unbroken), unbroken + "\r\n\r\n");
  EXPECT_EQ(wrapQueryText(repeat("x", 50) + " " + repeat("y", 10) + " zz"),
            repeat("x", 50) + "\r\n" + repeat("y", 10) + " zz\r\n\r\n");
  // Without a new blank the line grows until one comes.
  EXPECT_EQ(wrapQueryText("a b" + repeat("c", 100) + " d"),
            "a\r\nb" + repeat("c", 100) + "\r\nd\r\n\r\n");
  // A line break in the text starts a new count.
  const std::string twoLines = repeat("x", 40) + " \r\n" + repeat("y", 40);
  EXPECT_EQ(wrapQueryText(twoLines), twoLines + "\r\n\r\n");
}

TEST(QueryTextWrapTest, LongTextLinesStayWithin58) {
  const std::string text = repeat("Orders.Field, ", 40);
  const std::string wrapped = wrapQueryText(text);
  size_t lines = 0;
  for (size_t start = 0, end; (end = wrapped.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    EXPECT_LE(end - start, 58u);
    ++lines;
  }
  EXPECT_GT(lines, 8u);
}

TEST(QueryTextWrapTest, CountsUtf16Units) {
  // Two-byte UTF-8 characters count one each; a character beyond U+FFFF counts two.
  EXPECT_EQ(wrapQueryText(repeat("é", 50) + " " + repeat("é", 10)),
            repeat("é", 50) + "\r\n" + repeat("é", 10) + "\r\n\r\n");
  EXPECT_EQ(wrapQueryText(repeat("😀", 30) + " x"), repeat("😀", 30) + "\r\nx\r\n\r\n");
}

}  // namespace
}  // namespace vantrel
