#pragma once

#include <array>
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

// Decodes a Jet 4 text given in pieces (a long value's rows, as they are read) as
// decodeJet4Text decodes it whole, so that its stored bytes are never held whole.
class Jet4TextDecoder {
 public:
  explicit Jet4TextDecoder(bool stopAtNul = true) : stopAtNul_(stopAtNul) {}
  void reserve(size_t bytes) { out_.reserve(bytes); }
  size_t size() const { return out_.size(); }
  void feed(std::span<const uint8_t> bytes);
  // The text; the decoder is done with after it.
  std::string finish();

 private:
  enum class Form : uint8_t { kUnknown, kCompressed, kPlain };
  void feedPlain(std::span<const uint8_t> bytes);
  void feedCompressed(std::span<const uint8_t> bytes);
  bool plainUnit(char32_t unit);  // false when a U+0000 ended the text
  void addUnit(char32_t unit);
  void endRun();  // a run of UTF-16 units ends: a high surrogate left has no low half

  bool stopAtNul_;
  Form form_ = Form::kUnknown;
  std::array<uint8_t, 2> head_{};  // the first two bytes, which tell the form
  size_t headSize_ = 0;
  bool oneByte_ = true;   // compressed form: in a run of one-byte characters
  bool ended_ = false;    // plain form: a U+0000 ended the text
  int pendingByte_ = -1;  // the first byte of a UTF-16 unit whose second has not come
  char32_t high_ = 0;     // a high surrogate waiting for its low half
  std::string out_;
};

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
