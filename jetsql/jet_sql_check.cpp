#include "jetsql/jet_sql_check.h"

#include <string>

#include "jetsql/identifier_text.h"
#include "jetsql/jet_sql_error.h"

namespace vantrel {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

[[noreturn]] void refuse(std::string_view sql, std::string_view why) {
  throw JetSqlError("not Jet SQL (" + std::string(why) + "): \"" + excerptForMessage(sql) + "\"");
}

void checkFirstWord(std::string_view sql) {
  size_t start = 0;
  while (start < sql.size() && isBlank(sql[start]))
    ++start;
  if (start == sql.size()) refuse(sql, "no text");
  if (sql[start] == '(') return;
  size_t end = start;
  while (end < sql.size() && isLetter(sql[end]))
    ++end;
  const std::string_view word = sql.substr(start, end - start);
  for (const std::string_view keyword : {"SELECT", "TRANSFORM", "PARAMETERS", "INSERT", "UPDATE",
                                         "DELETE", "CREATE", "ALTER", "DROP"}) {
    if (equalsIgnoringAsciiCase(word, keyword)) return;
  }
  refuse(sql, "its first word starts no statement");
}

void checkBalance(std::string_view sql) {
  enum class State { Plain, Bracket, SingleQuote, DoubleQuote } state = State::Plain;
  long depth = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    switch (state) {
      case State::Plain:
        if (c == '[') state = State::Bracket;
        if (c == ']') refuse(sql, "a \"]\" without its \"[\"");
        if (c == '\'') state = State::SingleQuote;
        if (c == '"') state = State::DoubleQuote;
        if (c == '(') ++depth;
        if (c == ')' && --depth < 0) refuse(sql, "a \")\" without its \"(\"");
        break;
      case State::Bracket:
        if (c == ']') state = State::Plain;
        break;
      case State::SingleQuote:
      case State::DoubleQuote: {
        const char quote = state == State::SingleQuote ? '\'' : '"';
        if (c != quote) break;
        // A doubled quote stands for the quote itself inside the literal.
        if (i + 1 < sql.size() && sql[i + 1] == quote) {
          ++i;
        } else {
          state = State::Plain;
        }
        break;
      }
    }
  }
  if (state == State::Bracket) refuse(sql, "a \"[\" without its \"]\"");
  if (state != State::Plain) refuse(sql, "a quote without its end");
  if (depth > 0) refuse(sql, "a \"(\" without its \")\"");
}

}  // namespace

void checkJetSqlText(std::string_view sql) {
  checkFirstWord(sql);
  checkBalance(sql);
}

}  // namespace vantrel
