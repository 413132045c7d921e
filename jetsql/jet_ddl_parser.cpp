#include "jetsql/jet_ddl_parser.h"

#include <charconv>

#include "jetsql/identifier_text.h"
#include "jetsql/jet_sql_error.h"

namespace vantrel {
namespace {

enum class TokenKind { Word, BracketName, Punctuation, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;  // the word, the name between brackets, or the punctuation mark
  size_t offset = 0;
  std::string bracketName;  // a name between brackets, "]]" read as one "]"
};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isPunctuation(char c) {
  return c == '(' || c == ')' || c == ',' || c == ';';
}

class DdlParser {
 public:
  explicit DdlParser(std::string_view text) : text_(text) { advance(); }

  JetDdlStatement parse() {
    if (atKeyword("CREATE")) {
      advance();
      if (atKeyword("TABLE")) return parseCreateTable();
      if (atKeyword("INDEX")) return parseCreateIndex(false);
      if (atKeyword("UNIQUE")) {
        advance();
        if (atKeyword("INDEX")) return parseCreateIndex(true);
        fail("INDEX after CREATE UNIQUE");
      }
      fail("TABLE, INDEX or UNIQUE INDEX after CREATE");
    }
    if (atKeyword("ALTER")) return parseAlterTable();
    fail("CREATE TABLE, CREATE INDEX or ALTER TABLE");
  }

 private:
  CreateTableStatement parseCreateTable() {
    advance();
    CreateTableStatement statement{name("a table name"), {}};
    expect("(");
    do {
      statement.columns.push_back(columnSpec());
    } while (acceptPunctuation(","));
    expect(")");
    expectEnd();
    return statement;
  }

  CreateIndexStatement parseCreateIndex(bool unique) {
    advance();
    CreateIndexStatement statement;
    statement.unique = unique;
    statement.index = name("an index name");
    expectKeyword("ON");
    statement.table = name("a table name");
    expect("(");
    do {
      statement.columns.push_back(name("a column name"));
      const bool descending = atKeyword("DESC");
      if (descending || atKeyword("ASC")) advance();
      statement.descending.push_back(descending);
    } while (acceptPunctuation(","));
    expect(")");
    expectEnd();
    return statement;
  }

  JetDdlStatement parseAlterTable() {
    advance();
    expectKeyword("TABLE");
    std::string table = name("a table name");
    expectKeyword("ADD");
    if (atKeyword("PRIMARY")) {
      advance();
      expectKeyword("KEY");
      return primaryKey(std::move(table), std::nullopt);
    }
    if (atKeyword("CONSTRAINT")) {
      advance();
      std::string constraintName = name("a constraint name");
      expectKeyword("PRIMARY");
      expectKeyword("KEY");
      return primaryKey(std::move(table), std::move(constraintName));
    }
    AddColumnStatement statement{std::move(table), columnSpec()};
    expectEnd();
    return statement;
  }

  AddPrimaryKeyStatement primaryKey(std::string table, std::optional<std::string> constraint) {
    AddPrimaryKeyStatement statement{std::move(table), std::move(constraint), nameList()};
    expectEnd();
    return statement;
  }

  JetColumnSpec columnSpec() {
    JetColumnSpec column;
    column.name = name("a column name");
    if (token_.kind != TokenKind::Word) fail("a column type");
    const auto type = jetTypeFromName(token_.text);
    if (!type) {
      throw JetSqlError("unknown column type " + std::string(token_.text) +
                        " (the types are BIT, BYTE, INT, LONG, CURRENCY, SINGLE, DOUBLE, "
                        "DATE, TEXT(n), OLEOBJECT, MEMO, GUID, BINARY(n) and COUNTER)");
    }
    column.type.type = *type;
    advance();
    if (jetTypeTakesSize(*type) && acceptPunctuation("(")) {
      column.type.size = size();
      expect(")");
    }
    return column;
  }

  int size() {
    int value = 0;
    const auto digits = token_.text;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (token_.kind != TokenKind::Word || error != std::errc() ||
        end != digits.data() + digits.size() || value < 0) {
      fail("a size in decimal digits");
    }
    advance();
    return value;
  }

  // ([A], [B], ...)
  std::vector<std::string> nameList() {
    expect("(");
    std::vector<std::string> names;
    do {
      names.push_back(name("a column name"));
    } while (acceptPunctuation(","));
    expect(")");
    return names;
  }

  std::string name(const char* what) {
    if (token_.kind != TokenKind::Word && token_.kind != TokenKind::BracketName) fail(what);
    std::string result =
        token_.kind == TokenKind::BracketName ? token_.bracketName : std::string(token_.text);
    if (result.empty())
      throw JetSqlError(std::string("empty name where ") + what + " was expected");
    if (result.find('\0') != std::string::npos) {
      throw JetSqlError("a name may not contain a zero character");
    }
    advance();
    return result;
  }

  bool atKeyword(std::string_view keyword) const {
    return token_.kind == TokenKind::Word && equalsIgnoringAsciiCase(token_.text, keyword);
  }

  void expectKeyword(std::string_view keyword) {
    if (!atKeyword(keyword)) fail(std::string(keyword).c_str());
    advance();
  }

  bool acceptPunctuation(std::string_view mark) {
    if (token_.kind != TokenKind::Punctuation || token_.text != mark) return false;
    advance();
    return true;
  }

  void expect(std::string_view mark) {
    if (!acceptPunctuation(mark)) fail(std::string("\"" + std::string(mark) + "\"").c_str());
  }

  void expectEnd() {
    acceptPunctuation(";");
    if (token_.kind != TokenKind::End) fail("the end of the statement");
  }

  [[noreturn]] void fail(const char* expected) const {
    const std::string found =
        token_.kind == TokenKind::End
            ? std::string("the end of the statement")
            : "\"" + excerptForMessage(text_.substr(token_.offset), 40) + "\"";
    throw JetSqlError("not a statement this engine runs: expected " + std::string(expected) +
                      " but found " + found + " in \"" + excerptForMessage(text_) + "\"");
  }

  void advance() {
    while (position_ < text_.size() && isBlank(text_[position_]))
      ++position_;
    token_ = Token{TokenKind::End, {}, position_};
    if (position_ >= text_.size()) return;
    const char c = text_[position_];
    if (c == '[') {
      // A "]" inside the name is written twice.
      std::string name;
      size_t at = position_ + 1;
      for (;;) {
        const size_t close = text_.find(']', at);
        if (close == std::string_view::npos) {
          throw JetSqlError("a name in brackets has no closing \"]\" in \"" +
                            excerptForMessage(text_) + "\"");
        }
        name.append(text_.substr(at, close - at));
        if (close + 1 < text_.size() && text_[close + 1] == ']') {
          name.push_back(']');
          at = close + 2;
          continue;
        }
        token_ = Token{TokenKind::BracketName, text_.substr(position_ + 1, close - position_ - 1),
                       position_, std::move(name)};
        position_ = close + 1;
        return;
      }
    }
    if (c == ']') {
      throw JetSqlError("a \"]\" without its \"[\" in \"" + excerptForMessage(text_) + "\"");
    }
    if (isPunctuation(c)) {
      token_ = Token{TokenKind::Punctuation, text_.substr(position_, 1), position_};
      ++position_;
      return;
    }
    const size_t start = position_;
    while (position_ < text_.size() && !isBlank(text_[position_]) &&
           !isPunctuation(text_[position_]) && text_[position_] != '[' && text_[position_] != ']') {
      ++position_;
    }
    token_ = Token{TokenKind::Word, text_.substr(start, position_ - start), start};
  }

  std::string_view text_;
  size_t position_ = 0;
  Token token_;
};

}  // namespace

JetDdlStatement parseJetDdl(std::string_view statement) {
  return DdlParser(statement).parse();
}

}  // namespace vantrel
