#include "tests/support/mdb_writer/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

#include "tests/support/page_image.h"

namespace vantrel::mdbwriter {

namespace {

char32_t nextCodePoint(std::string_view text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  int extra = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    cp = lead & 0x1F;
    extra = 1;
  } else if ((lead & 0xF0) == 0xE0) {
    cp = lead & 0x0F;
    extra = 2;
  } else if ((lead & 0xF8) == 0xF0) {
    cp = lead & 0x07;
    extra = 3;
  } else {
    throw std::invalid_argument("malformed UTF-8 text");
  }
  if (i + static_cast<size_t>(extra) >= text.size() && extra > 0) {
    throw std::invalid_argument("truncated UTF-8 text");
  }
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = byte(i + static_cast<size_t>(k));
    if ((next & 0xC0) != 0x80) throw std::invalid_argument("malformed UTF-8 text");
    cp = (cp << 6) | (next & 0x3F);
  }
  i += static_cast<size_t>(extra) + 1;
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    throw std::invalid_argument("malformed UTF-8 text");
  }
  return cp;
}

struct IconvCloser {
  void operator()(iconv_t* handle) const {
    iconv_close(*handle);
    delete handle;
  }
};

}  // namespace

std::u16string utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = nextCodePoint(text, i);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

size_t utf16Length(std::string_view utf8) {
  return utf8ToUtf16(utf8).size();
}

std::optional<Bytes> compressedJet4Text(std::u16string_view text) {
  Bytes out{0xFF, 0xFE};
  out.reserve(text.size() + 2);
  bool oneByte = true;
  for (const char16_t unit : text) {
    if ((unit & 0xFF) == 0) return std::nullopt;
    const bool fits = unit <= 0xFF;
    if (fits != oneByte) {
      out.push_back(0);
      oneByte = fits;
    }
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    if (!fits) out.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return out;
}

Bytes jet4Text(std::string_view utf8, bool compressed) {
  const std::u16string wide = utf8ToUtf16(utf8);
  if (compressed && !wide.empty()) {
    if (auto packed = compressedJet4Text(wide); packed && packed->size() <= wide.size() * 2) {
      return std::move(*packed);
    }
  }
  return test::utf16Le(wide);
}

Bytes codePageText(std::string_view utf8, int codePage) {
  const std::string name = "CP" + std::to_string(codePage);
  iconv_t raw = iconv_open(name.c_str(), "UTF-8");
  if (raw == reinterpret_cast<iconv_t>(-1)) {
    throw std::invalid_argument("unknown code page " + std::to_string(codePage));
  }
  std::unique_ptr<iconv_t, IconvCloser> handle(new iconv_t(raw));
  std::string in(utf8);
  Bytes out(in.size() * 2 + 8);
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  if (iconv(*handle, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
    throw std::invalid_argument("text \"" + std::string(utf8) + "\" has no form in code page " +
                                std::to_string(codePage));
  }
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace vantrel::mdbwriter
