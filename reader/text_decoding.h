#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

// Appends the UTF-8 form of one code point (invalid ones become U+FFFD).
void appendUtf8(std::string& out, char32_t codePoint);

// UTF-16LE bytes to UTF-8; an odd last byte is ignored, unpaired surrogates become U+FFFD.
// Decoding ends at a U+0000 unit when `stopAtNul` is set.
std::string utf16LeToUtf8(std::span<const uint8_t> bytes, bool stopAtNul = true);

// Jet 4 text: the compressed form (starts FF FE; a 0x00 byte switches between runs of
// one-byte characters and runs of UTF-16 units) or plain UTF-16LE.
bool isCompressedJet4Text(std::span<const uint8_t> bytes);
std::string decodeJet4Text(std::span<const uint8_t> bytes, bool stopAtNul = true);
// Decodes a Jet 4 text over its own bytes, as decodeJet4Text would, where its text is never
// longer than the bytes read so far: ASCII alone in the compressed form, characters below
// U+0800 in UTF-16. A long text is then held once. Returns false, leaving `bytes` as they
// were, for any other text.
bool decodeJet4TextInPlace(std::string& bytes);

// Keeps at most `maxCodePoints` characters of a UTF-8 text, cutting at a character boundary.
std::string truncateUtf8(std::string_view text, size_t maxCodePoints);
size_t utf8Length(std::string_view text);

// Jet 3 text: bytes in a Windows code page, to UTF-8. Single-byte code pages go through a
// table built once; multi-byte ones (932, 936, 949, 950) through iconv.
class CodePageDecoder {
 public:
  explicit CodePageDecoder(int codePage);
  ~CodePageDecoder();
  CodePageDecoder(CodePageDecoder&&) noexcept;
  CodePageDecoder& operator=(CodePageDecoder&&) noexcept;

  int codePage() const { return codePage_; }
  // Decoding ends at the first zero byte when `stopAtNul` is set.
  std::string decode(std::span<const uint8_t> bytes, bool stopAtNul = true) const;
  // When decode() gives the first bytes of `bytes` as they stand (ASCII up to the first zero
  // byte, in a code page that keeps ASCII), how many; otherwise none.
  std::optional<size_t> keptLength(std::span<const uint8_t> bytes) const;

 private:
  struct Multibyte;
  int codePage_;
  char32_t table_[256] = {};
  std::unique_ptr<Multibyte> multibyte_;
};

}  // namespace vantrel
