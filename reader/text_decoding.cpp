#include "reader/text_decoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes byte sequences in one code page with iconv. iconv descriptors are stateful, so
// each use is serialised.
class IconvToUtf32 {
 public:
  explicit IconvToUtf32(const std::string& fromCode)
      : handle_(iconv_open("UTF-32LE", fromCode.c_str())) {}
  ~IconvToUtf32() {
    if (valid()) iconv_close(handle_);
  }
  IconvToUtf32(const IconvToUtf32&) = delete;
  IconvToUtf32& operator=(const IconvToUtf32&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Appends the decoded code points of `bytes`; bytes that do not decode become U+FFFD.
  void decodeInto(std::span<const uint8_t> bytes, std::string& out) {
    std::lock_guard lock(mutex_);
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    size_t at = 0;
    char outBuffer[256];
    while (at < bytes.size()) {
      char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes.data() + at));
      size_t inLeft = bytes.size() - at;
      char* outPtr = outBuffer;
      size_t outLeft = sizeof outBuffer;
      const size_t rc = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
      const int error = rc == static_cast<size_t>(-1) ? errno : 0;
      appendUtf32(outBuffer, static_cast<size_t>(outPtr - outBuffer), out);
      at = bytes.size() - inLeft;
      if (error == EILSEQ || error == EINVAL) {
        appendUtf8(out, kReplacement);
        ++at;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
      } else if (error != 0 && error != E2BIG) {
        break;
      }
    }
  }

 private:
  static void appendUtf32(const char* data, size_t size, std::string& out) {
    for (size_t i = 0; i + 4 <= size; i += 4) {
      const auto b = [&](size_t k) {
        return static_cast<char32_t>(static_cast<uint8_t>(data[i + k]));
      };
      appendUtf8(out, b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24);
    }
  }

  iconv_t handle_;
  std::mutex mutex_;
};

// The one code point of a UTF-8 text, or U+FFFD when it holds none or several.
char32_t singleCodePoint(std::string_view utf8) {
  const auto u = [&](size_t k) { return static_cast<char32_t>(static_cast<uint8_t>(utf8[k])); };
  if (utf8.size() == 1) return u(0);
  if (utf8.size() == 2) return (u(0) & 0x1F) << 6 | (u(1) & 0x3F);
  if (utf8.size() == 3) return (u(0) & 0x0F) << 12 | (u(1) & 0x3F) << 6 | (u(2) & 0x3F);
  return kReplacement;
}

bool isMultibyteCodePage(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

namespace {

// Decodes UTF-16LE units into `out`; returns false when a U+0000 ended the text.
bool appendUtf16Units(std::span<const uint8_t> bytes, bool stopAtNul, std::string& out) {
  const size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    char32_t unit = static_cast<char32_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    if (unit == 0 && stopAtNul) return false;
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      const char32_t low = static_cast<char32_t>(bytes[2 * i + 2] | bytes[2 * i + 3] << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    appendUtf8(out, unit);
  }
  return true;
}

}  // namespace

std::string utf16LeToUtf8(std::span<const uint8_t> bytes, bool stopAtNul) {
  std::string out;
  out.reserve(bytes.size() / 2);
  appendUtf16Units(bytes, stopAtNul, out);
  return out;
}

bool isCompressedJet4Text(std::span<const uint8_t> bytes) {
  return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
}

std::string decodeJet4Text(std::span<const uint8_t> bytes, bool stopAtNul) {
  Jet4TextDecoder decoder(stopAtNul);
  decoder.reserve(isCompressedJet4Text(bytes) ? bytes.size() : bytes.size() / 2);
  decoder.feed(bytes);
  return decoder.finish();
}

void Jet4TextDecoder::feed(std::span<const uint8_t> bytes) {
  // The form is told by the first two bytes, which may come in two pieces.
  while (form_ == Form::kUnknown && !bytes.empty()) {
    head_[headSize_++] = bytes.front();
    bytes = bytes.subspan(1);
    if (headSize_ < head_.size()) continue;
    form_ = head_[0] == 0xFF && head_[1] == 0xFE ? Form::kCompressed : Form::kPlain;
    if (form_ == Form::kPlain) feedPlain(head_);
  }
  if (form_ == Form::kCompressed) feedCompressed(bytes);
  if (form_ == Form::kPlain) feedPlain(bytes);
}

std::string Jet4TextDecoder::finish() {
  // A lone last byte is no character; a high surrogate at the end has no low half.
  endRun();
  return std::move(out_);
}

void Jet4TextDecoder::feedPlain(std::span<const uint8_t> bytes) {
  size_t i = 0;
  if (ended_) return;
  if (pendingByte_ >= 0 && !bytes.empty()) {
    const auto unit = static_cast<char32_t>(pendingByte_ | bytes[0] << 8);
    pendingByte_ = -1;
    i = 1;
    if (!plainUnit(unit)) return;
  }
  for (; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char32_t>(bytes[i] | bytes[i + 1] << 8);
    if (unit != 0 && unit < 0x80 && high_ == 0) {
      out_.push_back(static_cast<char>(unit));
    } else if (!plainUnit(unit)) {
      return;
    }
  }
  if (i < bytes.size()) pendingByte_ = bytes[i];
}

bool Jet4TextDecoder::plainUnit(char32_t unit) {
  if (unit == 0 && stopAtNul_) {
    endRun();
    ended_ = true;
    return false;
  }
  addUnit(unit);
  return true;
}

void Jet4TextDecoder::feedCompressed(std::span<const uint8_t> bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t b = bytes[i];
    if (oneByte_) {
      if (b == 0) {
        oneByte_ = false;
        ++i;
        continue;
      }
      // A run of one-byte characters; stretches of ASCII go in as they are.
      size_t end = i;
      while (end < bytes.size() && bytes[end] != 0 && bytes[end] < 0x80)
        ++end;
      out_.append(reinterpret_cast<const char*>(bytes.data() + i), end - i);
      i = end;
      if (i < bytes.size() && bytes[i] >= 0x80) appendUtf8(out_, bytes[i++]);
    } else if (pendingByte_ >= 0) {
      addUnit(static_cast<char32_t>(pendingByte_ | b << 8));
      pendingByte_ = -1;
      ++i;
    } else if (b == 0) {
      // A unit whose first byte is 0x00 is the switch back to one-byte characters.
      endRun();
      oneByte_ = true;
      ++i;
    } else {
      pendingByte_ = b;
      ++i;
    }
  }
}

void Jet4TextDecoder::addUnit(char32_t unit) {
  if (high_ != 0) {
    const char32_t high = high_;
    high_ = 0;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      appendUtf8(out_, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
      return;
    }
    appendUtf8(out_, high);  // unpaired: U+FFFD
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    high_ = unit;
    return;
  }
  appendUtf8(out_, unit);
}

void Jet4TextDecoder::endRun() {
  pendingByte_ = -1;
  if (high_ != 0) appendUtf8(out_, high_);
  high_ = 0;
}

size_t utf8Length(std::string_view text) {
  size_t count = 0;
  for (unsigned char c : text)
    count += (c & 0xC0) != 0x80;
  return count;
}

std::string truncateUtf8(std::string_view text, size_t maxCodePoints) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == maxCodePoints) return std::string(text.substr(0, i));
      ++count;
    }
  }
  return std::string(text);
}

struct CodePageDecoder::Multibyte {
  explicit Multibyte(int codePage) : converter("CP" + std::to_string(codePage)) {}
  IconvToUtf32 converter;
};

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(codePage) {
  if (isMultibyteCodePage(codePage)) {
    auto multibyte = std::make_unique<Multibyte>(codePage);
    if (multibyte->converter.valid()) {
      multibyte_ = std::move(multibyte);
      return;
    }
    codePage_ = 1252;
  }
  auto converter = std::make_unique<IconvToUtf32>("CP" + std::to_string(codePage_));
  if (!converter->valid()) {
    codePage_ = 1252;
    converter = std::make_unique<IconvToUtf32>("CP1252");
  }
  for (int b = 0; b < 256; ++b)
    table_[b] = static_cast<char32_t>(b);
  if (!converter->valid()) return;
  for (int b = 0x80; b < 256; ++b) {
    const uint8_t byte = static_cast<uint8_t>(b);
    std::string decoded;
    converter->decodeInto(std::span<const uint8_t>(&byte, 1), decoded);
    table_[b] = singleCodePoint(decoded);
  }
}

CodePageDecoder::~CodePageDecoder() = default;
CodePageDecoder::CodePageDecoder(CodePageDecoder&&) noexcept = default;
CodePageDecoder& CodePageDecoder::operator=(CodePageDecoder&&) noexcept = default;

std::string CodePageDecoder::decode(std::span<const uint8_t> bytes, bool stopAtNul) const {
  if (stopAtNul) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == 0) {
        bytes = bytes.first(i);
        break;
      }
    }
  }
  std::string out;
  if (multibyte_) {
    multibyte_->converter.decodeInto(bytes, out);
    return out;
  }
  out.reserve(bytes.size());
  for (uint8_t b : bytes)
    appendUtf8(out, table_[b]);
  return out;
}

std::optional<size_t> CodePageDecoder::keptLength(std::span<const uint8_t> bytes) const {
  if (multibyte_) return std::nullopt;
  size_t length = 0;
  for (; length < bytes.size() && bytes[length] != 0; ++length) {
    const uint8_t b = bytes[length];
    if (b >= 0x80 || table_[b] != b) return std::nullopt;
  }
  return length;
}

}  // namespace vantrel
