#include "reader/text_decoding.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

std::string jet4(std::vector<uint8_t> bytes) {
  return decodeJet4Text(bytes);
}

TEST(TextDecodingTest, Utf16WithSurrogatesAndBrokenUnits) {
  EXPECT_EQ(jet4({'A', 0, 'b', 0}), "Ab");
  EXPECT_EQ(jet4({0x3D, 0xD8, 0x00, 0xDE}), "😀");
  EXPECT_EQ(jet4({0x3D, 0xD8, 'x', 0}), "\xEF\xBF\xBDx") << "unpaired high surrogate";
  EXPECT_EQ(jet4({'A', 0, 'B'}), "A") << "an odd last byte is no character";
  EXPECT_EQ(jet4({'A', 0, 0, 0, 'B', 0}), "A") << "ends at U+0000";
  EXPECT_EQ(utf16LeToUtf8(std::vector<uint8_t>{'A', 0, 0, 0, 'B', 0}, false),
            std::string("A\0B", 3));
}

TEST(TextDecodingTest, CompressedFormSwitchesBetweenRuns) {
  EXPECT_EQ(jet4({0xFF, 0xFE}), "");
  EXPECT_EQ(jet4({0xFF, 0xFE, 'a', 'b', 0xE9}), "abé");
  EXPECT_EQ(jet4({0xFF, 0xFE, 'a', 0x00, 0x2D, 0x4E, 0x87, 0x65, 0x00, 'z'}), "a中文z");
  EXPECT_EQ(jet4({0xFF, 0xFE, 0x00, 0x2D, 0x4E}), "中");
  EXPECT_EQ(jet4({0xFF, 0xFE, 0x00, 0x2D}), "") << "a lone byte in a UTF-16 run";
}

TEST(TextDecodingTest, TruncateKeepsWholeCharacters) {
  EXPECT_EQ(truncateUtf8("aéb", 2), "aé");
  EXPECT_EQ(truncateUtf8("aéb", 10), "aéb");
  EXPECT_EQ(truncateUtf8("😀😀", 1), "😀");
  EXPECT_EQ(utf8Length("a😀é"), 3u);
}

TEST(TextDecodingTest, CodePages) {
  const std::vector<uint8_t> bytes{'a', 0x80, 0xE9, 0x81};
  EXPECT_EQ(CodePageDecoder(1252).decode(bytes), "a€é\xEF\xBF\xBD") << "0x81 has no character";
  EXPECT_EQ(CodePageDecoder(1251).decode(std::vector<uint8_t>{0xC0}), "А");
  EXPECT_EQ(CodePageDecoder(936).decode(std::vector<uint8_t>{'G', 0xB1, 0xE0, 0xC2, 0xEB}),
            "G编码");
  EXPECT_EQ(CodePageDecoder(932).decode(std::vector<uint8_t>{0x82, 0xA0}), "あ");
  EXPECT_EQ(CodePageDecoder(1252).decode(std::vector<uint8_t>{'a', 0, 'b'}), "a");
  CodePageDecoder unknown(4242);
  EXPECT_EQ(unknown.codePage(), 1252);
  EXPECT_EQ(unknown.decode(std::vector<uint8_t>{0xE9}), "é");
}

}  // namespace
}  // namespace vantrel
