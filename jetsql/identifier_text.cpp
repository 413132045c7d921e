#include "jetsql/identifier_text.h"

namespace vantrel {
namespace {

char foldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

std::string foldAsciiCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    c = foldAscii(c);
  return folded;
}

std::string bracketedName(std::string_view name) {
  std::string text = "[";
  for (const char c : name) {
    text.push_back(c);
    if (c == ']') text.push_back(']');
  }
  return text + "]";
}

std::string excerptForMessage(std::string_view text, size_t maxBytes) {
  std::string excerpt;
  for (const char c : text) {
    if (excerpt.size() >= maxBytes) {
      // Do not end inside a UTF-8 sequence.
      while (!excerpt.empty() && (static_cast<unsigned char>(excerpt.back()) & 0xC0) == 0x80) {
        excerpt.pop_back();
      }
      if (!excerpt.empty() && static_cast<unsigned char>(excerpt.back()) >= 0xC0) {
        excerpt.pop_back();
      }
      return excerpt + "...";
    }
    excerpt += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return excerpt;
}

}  // namespace vantrel
