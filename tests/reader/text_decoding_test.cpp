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

// A Jet 3 long text is turned into its text where it lies only when decoding would give its
// own bytes: the lengths told decode to exactly those bytes.
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
}

// A long text is decoded as its rows come: wherever the pieces break (inside a unit, a
// surrogate pair, the FF FE mark or a switch), the text is the one decoded whole.
TEST(TextDecodingTest, PiecesDecodeAsTheWhole) {
  const std::vector<std::vector<uint8_t>> texts{
      {0xFF, 0xFE, 'a', 'b', 0, 'c', 0x01, 0x3D, 0xD8, 0x00, 0xDE, 0, 0xE9, 'd'},
      {0xFF, 0xFE, 0, 0x3D, 0xD8, 0, 'x', 0x41},  // a high surrogate before a switch, a lone byte
      {'A', 0, 0x3D, 0xD8, 0x00, 0xDE, 0x3D, 0xD8, 'x', 0, 0xE9, 0},
      {'A', 0, 0x3D, 0xD8, 0, 0, 'B', 0},  // a high surrogate, then U+0000
      {'A', 0, 'B'},
      {0xFF},
      {}};
  for (const auto& text : texts) {
    for (size_t piece = 1; piece <= 3; ++piece) {
      Jet4TextDecoder decoder;
      for (size_t at = 0; at < text.size(); at += piece)
        decoder.feed(std::span(text).subspan(at, std::min(piece, text.size() - at)));
      EXPECT_EQ(decoder.finish(), jet4(text)) << "pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace vantrel
