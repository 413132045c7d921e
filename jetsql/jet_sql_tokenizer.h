#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantrel {

// One token of a Jet SQL statement. `text` is the token as written for words, numbers and
// symbols; for a bracketed name, a quoted string and a #date# it is what stands between the
// delimiters (a string's doubled quotes made single).
struct JetToken {
  enum class Kind { Word, Name, Text, Date, Number, Symbol };
  Kind kind = Kind::Word;
  std::string text;

  bool isWord(std::string_view upperWord) const;  // a word, without regard to ASCII case
  bool isSymbol(std::string_view symbol) const { return kind == Kind::Symbol && text == symbol; }
};

// The statement's tokens, blanks and line breaks left out, or the reason it cannot be read
// (an unclosed bracket, quote or #date#).
std::variant<std::vector<JetToken>, std::string> tokenizeJetSql(std::string_view sql);

// The names a statement mentions (words and [names]), to find the queries it reads.
std::vector<std::string> namesInJetSql(std::string_view jetSql);

}  // namespace vantrel
