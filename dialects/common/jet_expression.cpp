#include "dialects/common/jet_expression.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "dialects/common/jet_literals.h"

namespace vantrel {

namespace {

// Joined texts longer than this are refused: Jet's "&" names each operand twice in some
// dialects, which nested parentheses would otherwise double level by level.
constexpr size_t kMaxExpressionBytes = size_t{1} << 20;

// One written piece of an expression, with what the later passes need to know of it.
struct Piece {
  enum class Role { Operand, Operator, Keyword, Comma };
  explicit Piece(std::string text, Role pieceRole = Role::Operand)
      : sql(std::move(text)), role(pieceRole) {}

  std::string sql;
  Role role;
  std::string pattern;  // a text literal's value, for Like
  bool isText = false;  // a text literal or a concatenation
  bool isDate = false;  // a date literal or a function that gives a date
};

Piece textPiece(std::string sql, std::string pattern = {}) {
  Piece piece(std::move(sql));
  piece.pattern = std::move(pattern);
  piece.isText = true;
  return piece;
}
Piece datePiece(std::string sql, bool isDate) {
  Piece piece(std::move(sql));
  piece.isDate = isDate;
  return piece;
}

// Words that are Jet SQL's own and pass through as they are.
constexpr std::array<std::string_view, 30> kKeywords{
    "AND",      "OR",     "NOT",  "IS",    "LIKE",  "BETWEEN", "IN",     "EXISTS", "AS",    "ASC",
    "DESC",     "ON",     "JOIN", "INNER", "LEFT",  "RIGHT",   "OUTER",  "ALL",    "ANY",   "SOME",
    "DISTINCT", "SELECT", "FROM", "WHERE", "GROUP", "BY",      "HAVING", "ORDER",  "UNION", "NULL"};

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool isKeyword(const JetToken& token) {
  return std::any_of(kKeywords.begin(), kKeywords.end(),
                     [&](std::string_view word) { return token.isWord(word); });
}

bool isComparison(const Piece& piece) {
  if (piece.role != Piece::Role::Operator) return false;
  return piece.sql == "=" || piece.sql == "<>" || piece.sql == "<" || piece.sql == ">" ||
         piece.sql == "<=" || piece.sql == ">=";
}

// Where an operand of "&" ends: Jet's "&" binds below arithmetic and above comparison.
bool endsConcatOperand(const Piece& piece) {
  return piece.role == Piece::Role::Keyword || piece.role == Piece::Role::Comma ||
         isComparison(piece) || (piece.role == Piece::Role::Operator && piece.sql == "&");
}

std::string joined(std::span<const Piece> pieces) {
  std::string out;
  for (const Piece& piece : pieces) {
    if (!out.empty() && piece.role != Piece::Role::Comma) out += ' ';
    out += piece.sql;
  }
  return out;
}

class ExpressionWriter {
 public:
  ExpressionWriter(JetTokens tokens, const ExpressionContext& context)
      : tokens_(tokens), context_(context) {}

  std::string write() {
    for (size_t i = 0; i < tokens_.size(); ++i)
      i = readPiece(i);
    if (dotPending_) throw TranslationRefused{"a name ends with \".\""};
    applyConcatenation();  // first: a Like pattern may be joined from parts
    applyLike();
    applyTruthComparisons();
    applyOperators();
    return joined(pieces_);
  }

 private:
  void add(Piece piece) {
    if (dotPending_ && !pieces_.empty()) {
      // "a.b" and "a.*" are one name.
      pieces_.back().sql += "." + piece.sql;
      pieces_.back().role = Piece::Role::Operand;
      dotPending_ = false;
      return;
    }
    pieces_.push_back(std::move(piece));
  }

  // Reads the piece that starts at `i`; returns the position of its last token.
  size_t readPiece(size_t i) {
    const JetToken& token = tokens_[i];
    const bool call = i + 1 < tokens_.size() && tokens_[i + 1].isSymbol("(") &&
                      token.kind == JetToken::Kind::Word &&
                      (!isKeyword(token) || token.isWord("LEFT") || token.isWord("RIGHT"));
    if (call) {
      const size_t close = closingParenthesis(tokens_, i + 1);
      const JetTokens inside = tokens_.subspan(i + 2, close - i - 2);
      const FunctionCall result = dialect().function(token.text, splitAtCommas(inside), context_);
      add(datePiece(result.sql, result.givesDate));
      return close;
    }
    switch (token.kind) {
      case JetToken::Kind::Word:
        addWord(token);
        return i;
      case JetToken::Kind::Name:
        if (token.text.empty()) throw TranslationRefused{"an empty name []"};
        add(Piece(quotedName(context_.heldName(token.text))));
        return i;
      case JetToken::Kind::Text:
        add(textPiece(quotedString(token.text), token.text));
        return i;
      case JetToken::Kind::Date: {
        const auto date = isoDateText(token.text);
        if (!date) throw TranslationRefused{"a date Jet cannot read: #" + token.text + "#"};
        add(datePiece(dialect().dateLiteral(*date), true));
        return i;
      }
      case JetToken::Kind::Number:
        add(Piece(token.text.starts_with('.') ? "0" + token.text : token.text));
        return i;
      case JetToken::Kind::Symbol:
        return addSymbol(i);
    }
    return i;
  }

  void addWord(const JetToken& token) {
    if (token.isWord("TRUE") || token.isWord("YES")) {
      add(Piece(dialect().boolean(true)));
    } else if (token.isWord("FALSE") || token.isWord("NO")) {
      add(Piece(dialect().boolean(false)));
    } else if (token.isWord("MOD")) {
      add(Piece("%", Piece::Role::Operator));
    } else if (token.isWord("XOR") || token.isWord("EQV") || token.isWord("IMP")) {
      throw TranslationRefused{"uses the operator " + token.text};
    } else if (token.isWord("DISTINCTROW") || token.isWord("TOP") || token.isWord("PARAMETERS")) {
      throw TranslationRefused{"uses " + upper(token.text) + " where " +
                               std::string(dialect().engine()) + " has no place for it"};
    } else if (isKeyword(token)) {
      add(Piece(upper(token.text),
                token.isWord("NULL") ? Piece::Role::Operand : Piece::Role::Keyword));
    } else {
      add(Piece(quotedName(context_.heldName(token.text))));
    }
  }

  size_t addSymbol(size_t i) {
    const std::string& symbol = tokens_[i].text;
    if (symbol == "(") {
      const size_t close = closingParenthesis(tokens_, i);
      const JetTokens inside = tokens_.subspan(i + 1, close - i - 1);
      const bool select = !inside.empty() && inside[0].isWord("SELECT");
      if (select && !context_.translateSelect) throw TranslationRefused{"a sub-select"};
      add(Piece(
          "(" +
          (select ? context_.translateSelect(inside) : translateExpression(inside, context_)) +
          ")"));
      return close;
    }
    if (symbol == ".") {
      if (pieces_.empty()) throw TranslationRefused{"a name starts with \".\""};
      dotPending_ = true;
    } else if (symbol == ",") {
      add(Piece(",", Piece::Role::Comma));
    } else if (symbol == "*" && dotPending_) {
      add(Piece("*"));
    } else if (symbol == "=" || symbol == "<>" || symbol == "<" || symbol == ">" ||
               symbol == "<=" || symbol == ">=" || symbol == "+" || symbol == "-" ||
               symbol == "*" || symbol == "/" || symbol == "&") {
      add(Piece(symbol, Piece::Role::Operator));
    } else if (symbol == "!") {
      throw TranslationRefused{"refers to a form or report (!)"};
    } else if (symbol == ";") {
      // The statement's end.
    } else {
      throw TranslationRefused{"uses the operator " + symbol};
    }
    return i;
  }

  // x [Not] Like 'pattern': the dialect's comparison with the pattern written for it.
  void applyLike() {
    for (size_t k = 0; k + 1 < pieces_.size(); ++k) {
      if (pieces_[k].role != Piece::Role::Keyword || pieces_[k].sql != "LIKE") continue;
      const bool negated =
          k > 0 && pieces_[k - 1].role == Piece::Role::Keyword && pieces_[k - 1].sql == "NOT";
      Piece& pattern = pieces_[k + 1];
      if (pattern.isText && pattern.sql.front() == '\'') {
        pieces_[k].sql = dialect().likeComparison(pattern.pattern, negated);
      } else {
        pieces_[k].sql = dialect().likeExpression(pattern.sql, negated);
      }
      pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(k) + 1);
      if (negated) {
        pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(k) - 1);
        --k;
      }
    }
  }

  // a & b & c: each operand as text, a missing (null) one as empty text, as Jet joins them.
  void applyConcatenation() {
    for (size_t k = 0; k < pieces_.size(); ++k) {
      if (pieces_[k].role != Piece::Role::Operator || pieces_[k].sql != "&") continue;
      size_t start = k;
      while (start > 0 && !endsConcatOperand(pieces_[start - 1]))
        --start;
      std::vector<std::string> operands;
      size_t end = start;
      for (;;) {
        size_t operandEnd = end;
        while (operandEnd < pieces_.size() && !endsConcatOperand(pieces_[operandEnd]))
          ++operandEnd;
        if (operandEnd == end) throw TranslationRefused{"an \"&\" without an operand"};
        operands.push_back(joined(std::span(pieces_).subspan(end, operandEnd - end)));
        if (operandEnd < pieces_.size() && pieces_[operandEnd].sql == "&" &&
            pieces_[operandEnd].role == Piece::Role::Operator) {
          end = operandEnd + 1;
          continue;
        }
        end = operandEnd;
        break;
      }
      const std::string sql = dialect().concatenation(operands);
      if (sql.size() > kMaxExpressionBytes)
        throw TranslationRefused{"joins texts over 1 MiB of SQL"};
      pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(start),
                    pieces_.begin() + static_cast<std::ptrdiff_t>(end));
      pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(start), textPiece(sql));
      k = start;
    }
  }

  // "x = 0", "x <> -1": Jet's False and True are 0 and -1, which an engine with a boolean
  // type of its own may not compare with a boolean. Only a whole operand compared with the
  // whole number is written the dialect's way.
  void applyTruthComparisons() {
    const auto boundary = [&](size_t at) {
      return at >= pieces_.size() || pieces_[at].role == Piece::Role::Keyword ||
             pieces_[at].role == Piece::Role::Comma;
    };
    for (size_t k = 1; k + 1 < pieces_.size(); ++k) {
      const Piece& op = pieces_[k];
      if (op.role != Piece::Role::Operator || (op.sql != "=" && op.sql != "<>")) continue;
      if (pieces_[k - 1].role != Piece::Role::Operand || (k >= 2 && !boundary(k - 2))) continue;
      const bool minus = pieces_[k + 1].role == Piece::Role::Operator && pieces_[k + 1].sql == "-";
      const size_t number = minus ? k + 2 : k + 1;
      if (number >= pieces_.size() || !boundary(number + 1)) continue;
      const std::string& value = pieces_[number].sql;
      if (!((minus && value == "1") || (!minus && value == "0"))) continue;
      const auto written = dialect().truthComparison(pieces_[k - 1].sql, op.sql == "=", minus);
      if (!written) continue;
      pieces_[k - 1] = Piece(*written);
      pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(k),
                    pieces_.begin() + static_cast<std::ptrdiff_t>(number) + 1);
    }
  }

  void applyOperators() {
    // A sign before a text changes nothing; an engine may read the text as a number.
    for (size_t k = 0; k + 1 < pieces_.size();) {
      const bool sign = pieces_[k].role == Piece::Role::Operator && pieces_[k].sql == "+" &&
                        (k == 0 || pieces_[k - 1].role != Piece::Role::Operand);
      if (sign && pieces_[k + 1].isText) {
        pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(k));
      } else {
        ++k;
      }
    }
    for (size_t k = 0; k < pieces_.size(); ++k) {
      Piece& piece = pieces_[k];
      if (piece.role != Piece::Role::Operator) continue;
      const Piece* before = k > 0 ? &pieces_[k - 1] : nullptr;
      Piece* after = k + 1 < pieces_.size() ? &pieces_[k + 1] : nullptr;
      if ((piece.sql == "+" || piece.sql == "-") &&
          ((before && before->isDate) || (after && after->isDate))) {
        // Jet counts days in date arithmetic; the destination holds dates as text.
        throw TranslationRefused{"computes with a date by + or -"};
      }
      const bool binary = before != nullptr && before->role == Piece::Role::Operand;
      if (piece.sql == "+" && binary && (before->isText || (after && after->isText))) {
        piece.sql = "||";  // "+" joins texts in Jet
        // Each operand as Jet writes it as text, where it stands whole beside the "+".
        if (!before->isText && (k < 2 || endsSum(k - 2))) asText(pieces_[k - 1]);
        if (after && !after->isText && endsSum(k + 2)) asText(*after);
      } else if (piece.sql == "/") {
        piece.sql = dialect().division();  // Jet always divides in floating point
      } else if (isComparison(piece)) {
        // Jet compares text without regard to case.
        if (after && after->isText) {
          after->sql += dialect().caseInsensitive();
        } else if (k > 0 && pieces_[k - 1].isText) {
          pieces_[k - 1].sql += dialect().caseInsensitive();
        }
      }
    }
  }

  // Whether the piece at `at` (or the end) bounds a term of a sum: what binds as loosely as
  // "+" or looser.
  bool endsSum(size_t at) const {
    if (at >= pieces_.size()) return true;
    const Piece& piece = pieces_[at];
    return piece.role == Piece::Role::Keyword || piece.role == Piece::Role::Comma ||
           isComparison(piece) ||
           (piece.role == Piece::Role::Operator &&
            (piece.sql == "+" || piece.sql == "-" || piece.sql == "||" || piece.sql == "&"));
  }

  void asText(Piece& piece) const {
    piece.sql = dialect().asJetText(piece.sql);
    piece.isText = true;
  }

  const SqlDialect& dialect() const { return *context_.dialect; }

  JetTokens tokens_;
  const ExpressionContext& context_;
  std::vector<Piece> pieces_;
  bool dotPending_ = false;
};

}  // namespace

size_t closingParenthesis(JetTokens tokens, size_t open) {
  int depth = 0;
  for (size_t i = open; i < tokens.size(); ++i) {
    if (tokens[i].isSymbol("(")) ++depth;
    if (tokens[i].isSymbol(")") && --depth == 0) return i;
  }
  throw TranslationRefused{"an unclosed parenthesis"};
}

std::vector<JetTokens> splitAtCommas(JetTokens tokens) {
  std::vector<JetTokens> parts;
  if (tokens.empty()) return parts;
  size_t start = 0;
  int depth = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].isSymbol("(")) ++depth;
    if (tokens[i].isSymbol(")")) --depth;
    if (depth == 0 && tokens[i].isSymbol(",")) {
      parts.push_back(tokens.subspan(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(tokens.subspan(start));
  return parts;
}

std::string tokensText(JetTokens tokens) {
  std::string out;
  for (const JetToken& token : tokens) {
    if (!out.empty()) out += ' ';
    switch (token.kind) {
      case JetToken::Kind::Name:
        out += "[" + token.text + "]";
        break;
      case JetToken::Kind::Text:
        out += "\"" + token.text + "\"";
        break;
      case JetToken::Kind::Date:
        out += "#" + token.text + "#";
        break;
      default:
        out += token.text;
    }
  }
  return out;
}

std::string translateExpression(JetTokens tokens, const ExpressionContext& context) {
  return ExpressionWriter(tokens, context).write();
}

}  // namespace vantrel
