#include "dialects/sqlite/sqlite_literals.h"

#include "dialects/common/jet_literals.h"

namespace vantrel {

namespace {

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char otherCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c - 'A' + 'a');
}

// A [...] set of a Like pattern as a GLOB set that also takes the other case of each letter
// and letter range; "!" first negates, as "^" does in GLOB.
std::string setInBothCases(std::string_view set) {
  std::string out = "[";
  if (!set.empty() && set.front() == '!') {
    out += '^';
    set.remove_prefix(1);
  }
  std::string extra;
  for (size_t i = 0; i < set.size(); ++i) {
    out += set[i];
    const bool range = i + 2 < set.size() && set[i + 1] == '-';
    if (range && isLetter(set[i]) && isLetter(set[i + 2])) {
      extra += std::string(1, otherCase(set[i])) + '-' + otherCase(set[i + 2]);
    } else if (!range && isLetter(set[i])) {
      extra += otherCase(set[i]);
    }
    if (range) {
      out += set.substr(i + 1, 2);
      i += 2;
    }
  }
  return out + extra + "]";
}

}  // namespace

std::string sqliteString(std::string_view text) {
  return quotedString(text);
}

std::string sqliteName(std::string_view name) {
  return quotedName(name);
}

std::string likeComparison(std::string_view jetPattern) {
  if (jetPattern.find_first_of("#[") == std::string_view::npos) {
    std::string pattern;
    bool escaped = false;
    for (const char c : jetPattern) {
      if (c == '%' || c == '_' || c == '\\') {
        pattern += '\\';
        escaped = true;
      }
      pattern += c == '*' ? '%' : c == '?' ? '_' : c;
    }
    return " LIKE " + sqliteString(pattern) + (escaped ? " ESCAPE '\\'" : "");
  }
  std::string glob;
  for (size_t i = 0; i < jetPattern.size(); ++i) {
    const char c = jetPattern[i];
    if (c == '[') {
      const size_t close = jetPattern.find(']', i + 1);
      const std::string_view set = jetPattern.substr(
          i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
      glob += setInBothCases(set);
      i = close == std::string_view::npos ? jetPattern.size() : close;
    } else if (c == '#') {
      glob += "[0-9]";
    } else if (isLetter(c)) {
      glob += std::string("[") + c + otherCase(c) + "]";
    } else {
      glob += c;
    }
  }
  return " GLOB " + sqliteString(glob);
}

}  // namespace vantrel
