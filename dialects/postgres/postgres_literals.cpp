#include "dialects/postgres/postgres_literals.h"

#include "dialects/common/jet_literals.h"

namespace vantrel {

std::string postgresTimestamp(const std::string& isoText) {
  const bool timeOnly = isoText.size() == 8 && isoText[2] == ':';
  return "TIMESTAMP " + quotedString(timeOnly ? "1899-12-30 " + isoText : isoText);
}

std::string postgresLike(std::string_view jetPattern, bool negated) {
  if (jetPattern.find_first_of("#[") == std::string_view::npos) {
    std::string pattern;
    for (const char c : jetPattern) {
      if (c == '%' || c == '_' || c == '\\') pattern += '\\';
      pattern += c == '*' ? '%' : c == '?' ? '_' : c;
    }
    return std::string(negated ? "NOT ILIKE " : "ILIKE ") + quotedString(pattern);
  }
  std::string regex = "^";
  for (size_t i = 0; i < jetPattern.size(); ++i) {
    const char c = jetPattern[i];
    if (c == '[') {
      const size_t close = jetPattern.find(']', i + 1);
      std::string_view set = jetPattern.substr(
          i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
      i = close == std::string_view::npos ? jetPattern.size() : close;
      if (set.empty()) continue;  // "[]" stands for nothing
      regex += '[';
      if (set.front() == '!' && set.size() > 1) {
        regex += '^';
        set.remove_prefix(1);
      }
      for (const char member : set) {
        // Inside a bracket expression only these mean more than themselves.
        if (member == '\\' || member == '^' || member == '[' || member == ']') regex += '\\';
        regex += member;
      }
      regex += ']';
    } else if (c == '*') {
      regex += ".*";
    } else if (c == '?') {
      regex += '.';
    } else if (c == '#') {
      regex += "[0-9]";
    } else {
      if (std::string_view("\\.^$|()[]{}+*?").find(c) != std::string_view::npos) regex += '\\';
      regex += c;
    }
  }
  return std::string(negated ? "!~* " : "~* ") + quotedString(regex + "$");
}

}  // namespace vantrel
