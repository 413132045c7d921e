#include "run/display_text.h"

#include <array>

namespace vantrel {

namespace {

constexpr std::array<char, 16> kHexDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                             '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};

void appendHexByte(std::string& out, unsigned char c) {
  out.push_back(kHexDigits[c >> 4]);
  out.push_back(kHexDigits[c & 0x0F]);
}

}  // namespace

std::string escapedControlCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      appendHexByte(out, c);
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      // U+0080 to U+009F: some terminals take U+009B alone as the start of an escape sequence.
      out += "\\u00";
      appendHexByte(out, static_cast<unsigned char>(text[++i]));
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string escapedLogText(std::string_view text) {
  const size_t body = text.find_last_not_of("\r\n") + 1;  // npos + 1 is 0: nothing but breaks
  return escapedControlCharacters(text.substr(0, body)) + std::string(text.substr(body));
}

std::string countedText(int64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace vantrel
