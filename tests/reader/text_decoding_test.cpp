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

// A long text is turned into its text where it lies only when decoding would give its own
// bytes: the cases told "as they stand" decode to exactly those bytes.
TEST(TextDecodingTest, TextsThatDecodeToTheirOwnBytes) {
  const std::vector<std::vector<uint8_t>> texts{
      {'p', 'l', 'a', 'i', 'n'}, {'a', 0, 'b'}, {'a', 0xE9}, {}, {0, 'x'}, {'~', 0x7F}};
  for (const int codePage : {1252, 1251, 932}) {
    const CodePageDecoder decoder(codePage);
    for (const auto& text : texts) {
      const auto kept = decoder.keptLength(text);
      if (!kept) continue;
      EXPECT_EQ(decoder.decode(text), std::string(text.begin(), text.begin() + *kept));
    }
  }
  EXPECT_EQ(CodePageDecoder(1252).keptLength(std::vector<uint8_t>{'a', 0, 0xE9}), 1u);
  EXPECT_FALSE(CodePageDecoder(1252).keptLength(std::vector<uint8_t>{'a', 0xE9}));
  EXPECT_FALSE(CodePageDecoder(932).keptLength(std::vector<uint8_t>{'a'})) << "multi-byte";

  // Jet 4: decoded over its own bytes, or left as it was for decodeJet4Text.
  const std::vector<std::pair<std::vector<uint8_t>, bool>> jet4Texts{
      {{0xFF, 0xFE, 'a', 'b'}, true},
      {{0xFF, 0xFE}, true},
      {{0xFF, 0xFE, 'a', 0, 'b', 0}, false},  // a switch to UTF-16
      {{0xFF, 0xFE, 0xE9}, false},
      {{'G', 0, 'r', 0, 0xF6, 0, 0xDF, 0, 'e', 0}, true},  // Größe
      {{'a', 0, 0xB1, 0x03, 0, 0, 'b', 0}, true},          // ends at U+0000
      {{'a', 0, 'b'}, true},                               // an odd last byte
      {{0x16, 0x7F, 'a', 0}, false},                       // three bytes in UTF-8
      {{0x3D, 0xD8, 0x00, 0xDE}, false},                   // a surrogate pair
      {{}, true}};
  for (const auto& [bytes, inPlace] : jet4Texts) {
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(decodeJet4TextInPlace(text), inPlace) << jet4(bytes);
    EXPECT_EQ(text, inPlace ? jet4(bytes) : std::string(bytes.begin(), bytes.end()));
  }
}

}  // namespace
}  // namespace vantrel
