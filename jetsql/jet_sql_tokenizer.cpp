#include "jetsql/jet_sql_tokenizer.h"

#include <array>

namespace vantrel {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
// Letters, digits, "_" and every byte of a multi-byte character start or continue a word.
bool isWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80;
}

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr std::array<std::string_view, 3> kTwoCharSymbols{"<=", ">=", "<>"};

}  // namespace

bool JetToken::isWord(std::string_view upperWord) const {
  if (kind != Kind::Word || text.size() != upperWord.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (upperAscii(text[i]) != upperWord[i]) return false;
  }
  return true;
}

std::variant<std::vector<JetToken>, std::string> tokenizeJetSql(std::string_view sql) {
  std::vector<JetToken> tokens;
  size_t at = 0;
  while (at < sql.size()) {
    const char c = sql[at];
    if (isBlank(c)) {
      ++at;
      continue;
    }
    if (c == '[' || c == '#') {
      const char close = c == '[' ? ']' : '#';
      const size_t end = sql.find(close, at + 1);
      if (end == std::string_view::npos) {
        return std::string(c == '[' ? "an unclosed [name]" : "an unclosed #date#");
      }
      tokens.push_back({c == '[' ? JetToken::Kind::Name : JetToken::Kind::Date,
                        std::string(sql.substr(at + 1, end - at - 1))});
      at = end + 1;
    } else if (c == '\'' || c == '"') {
      std::string text;
      size_t i = at + 1;
      bool closed = false;
      while (i < sql.size()) {
        if (sql[i] == c) {
          if (i + 1 < sql.size() && sql[i + 1] == c) {
            text += c;  // a doubled quote stands for one
            i += 2;
            continue;
          }
          closed = true;
          break;
        }
        text += sql[i++];
      }
      if (!closed) return std::string("an unclosed string");
      tokens.push_back({JetToken::Kind::Text, std::move(text)});
      at = i + 1;
    } else if (isDigit(c) || (c == '.' && at + 1 < sql.size() && isDigit(sql[at + 1]))) {
      size_t i = at;
      while (i < sql.size() && (isDigit(sql[i]) || sql[i] == '.'))
        ++i;
      // An exponent: 1E5, 2.5e-3.
      if (i + 1 < sql.size() && (sql[i] == 'e' || sql[i] == 'E') &&
          (isDigit(sql[i + 1]) || ((sql[i + 1] == '-' || sql[i + 1] == '+') && i + 2 < sql.size() &&
                                   isDigit(sql[i + 2])))) {
        i += 2;
        while (i < sql.size() && isDigit(sql[i]))
          ++i;
      }
      tokens.push_back({JetToken::Kind::Number, std::string(sql.substr(at, i - at))});
      at = i;
    } else if (isWordChar(c)) {
      size_t i = at;
      while (i < sql.size() && isWordChar(sql[i]))
        ++i;
      tokens.push_back({JetToken::Kind::Word, std::string(sql.substr(at, i - at))});
      at = i;
    } else {
      size_t length = 1;
      for (const std::string_view two : kTwoCharSymbols) {
        if (sql.substr(at, 2) == two) length = 2;
      }
      tokens.push_back({JetToken::Kind::Symbol, std::string(sql.substr(at, length))});
      at += length;
    }
  }
  return tokens;
}

std::vector<std::string> namesInJetSql(std::string_view jetSql) {
  std::vector<std::string> names;
  auto tokens = tokenizeJetSql(jetSql);
  if (auto* list = std::get_if<std::vector<JetToken>>(&tokens)) {
    for (JetToken& token : *list) {
      if (token.kind == JetToken::Kind::Word || token.kind == JetToken::Kind::Name) {
        names.push_back(std::move(token.text));
      }
    }
  }
  return names;
}

}  // namespace vantrel
