#include "dialects/common/jet_statement.h"

#include <algorithm>
#include <array>
#include <exception>
#include <map>
#include <set>
#include <variant>

#include "dialects/common/function_call.h"
#include "dialects/common/jet_expression.h"
#include "dialects/common/jet_literals.h"
#include "jetsql/jet_sql_tokenizer.h"

namespace vantrel {

namespace {

// Jet allows up to 254 columns a crosstab; more pivot values than that make no view.
constexpr size_t kMaxPivotValues = 254;
// The translation descends once per parenthesis and per RIGHT JOIN; a damaged text may hold
// any number of them, so deeper statements are refused rather than risk the stack.
constexpr int kMaxNesting = 64;

// Whether parentheses or RIGHT JOINs stand deeper than kMaxNesting.
bool nestedTooDeep(JetTokens tokens) {
  int depth = 0;
  int rightJoins = 0;
  for (const JetToken& token : tokens) {
    if (token.isSymbol("(") && ++depth > kMaxNesting) return true;
    if (token.isSymbol(")")) --depth;
    if (token.isWord("RIGHT") && ++rightJoins > kMaxNesting) return true;
  }
  return false;
}

// The position of the first token at parenthesis depth 0 from `start` on for which `match`
// holds, or the end.
template <typename Match>
size_t findTopLevel(JetTokens tokens, size_t start, Match match) {
  int depth = 0;
  for (size_t i = start; i < tokens.size(); ++i) {
    if (depth == 0 && match(tokens, i)) return i;
    if (tokens[i].isSymbol("(")) ++depth;
    if (tokens[i].isSymbol(")")) --depth;
  }
  return tokens.size();
}

auto word(std::string_view upperWord) {
  return [upperWord](JetTokens tokens, size_t i) { return tokens[i].isWord(upperWord); };
}
auto twoWords(std::string_view first, std::string_view second) {
  return [first, second](JetTokens tokens, size_t i) {
    return tokens[i].isWord(first) && i + 1 < tokens.size() && tokens[i + 1].isWord(second);
  };
}

bool isBareStar(JetTokens column) {
  return column.size() == 1 && column[0].isSymbol("*");
}

// The FROM tokens with the outermost RIGHT JOIN turned round into a LEFT JOIN: "L RIGHT JOIN
// R ON c" becomes "R LEFT JOIN (L) ON c", which gives the same rows, for engines that take
// RIGHT JOIN late or not at all. Left as it stands when R is followed by another join (its
// parentheses decide then).
std::vector<JetToken> leftJoinsOnly(JetTokens from) {
  std::vector<JetToken> out(from.begin(), from.end());
  const size_t right = [&] {
    size_t last = from.size();
    for (size_t at = findTopLevel(from, 0, word("RIGHT")); at < from.size();
         at = findTopLevel(from, at + 1, word("RIGHT"))) {
      last = at;
    }
    return last;
  }();
  if (right == from.size()) return out;
  size_t join = right + 1;
  if (join < from.size() && from[join].isWord("OUTER")) ++join;
  if (join >= from.size() || !from[join].isWord("JOIN")) return out;
  const size_t on = findTopLevel(from, join + 1, word("ON"));
  if (on == from.size() || findTopLevel(from, on, word("JOIN")) != from.size()) return out;
  // A comma binds looser than a join: only what follows the last one is the left side.
  size_t leftStart = 0;
  for (size_t at = findTopLevel(from, 0, [](JetTokens t, size_t i) { return t[i].isSymbol(","); });
       at < right; at = findTopLevel(
                       from, at + 1, [](JetTokens t, size_t i) { return t[i].isSymbol(","); })) {
    leftStart = at + 1;
  }
  const JetToken open{JetToken::Kind::Symbol, "("};
  const JetToken close{JetToken::Kind::Symbol, ")"};
  out.assign(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(leftStart));
  out.insert(out.end(), from.begin() + static_cast<std::ptrdiff_t>(join) + 1,
             from.begin() + static_cast<std::ptrdiff_t>(on));
  out.push_back({JetToken::Kind::Word, "LEFT"});
  out.push_back({JetToken::Kind::Word, "JOIN"});
  const std::vector<JetToken> left = leftJoinsOnly(from.subspan(leftStart, right - leftStart));
  const bool group = findTopLevel(left, 0, word("JOIN")) != left.size();
  if (group) out.push_back(open);
  out.insert(out.end(), left.begin(), left.end());
  if (group) out.push_back(close);
  out.insert(out.end(), from.begin() + static_cast<std::ptrdiff_t>(on), from.end());
  return out;
}

// What a saved query is, as the first word of its statement tells.
enum class QueryKind {
  kSelect,  // also "TABLE t" and a parenthesised SELECT
  kCrosstab,
  kParameters,
  kAppend,
  kUpdate,
  kDelete,
  kDataDefinition,
  kUnknown,
};

QueryKind queryKindOf(const JetToken& first) {
  if (first.isWord("PARAMETERS")) return QueryKind::kParameters;
  if (first.isWord("TRANSFORM")) return QueryKind::kCrosstab;
  if (first.isWord("INSERT")) return QueryKind::kAppend;
  if (first.isWord("UPDATE")) return QueryKind::kUpdate;
  if (first.isWord("DELETE")) return QueryKind::kDelete;
  if (first.isWord("CREATE") || first.isWord("ALTER") || first.isWord("DROP")) {
    return QueryKind::kDataDefinition;
  }
  if (first.isWord("SELECT") || first.isSymbol("(") || first.isWord("TABLE")) {
    return QueryKind::kSelect;
  }
  return QueryKind::kUnknown;
}

// One SELECT of a statement, by its clauses (each empty when absent).
struct SelectPart {
  std::string modifiers;  // "DISTINCT " or nothing
  bool distinctRow = false;
  std::string limit;       // n of a TOP n
  std::string topPercent;  // n of TOP n PERCENT
  JetTokens columns;
  JetTokens from;
  JetTokens where;
  JetTokens groupBy;
  JetTokens having;
  JetTokens orderBy;
};

class StatementTranslator {
 public:
  StatementTranslator(const SqlDialect& dialect, const PivotValueReader& readPivotValues,
                      const std::map<std::string, std::string>& heldNames)
      : dialect_(dialect), readPivotValues_(readPivotValues) {
    context_.dialect = &dialect;
    context_.heldNames = &heldNames;
    context_.translateSelect = [this](JetTokens tokens) { return select(tokens); };
  }

  std::string statement(JetTokens tokens) {
    while (!tokens.empty() && tokens.back().isSymbol(";"))
      tokens = tokens.first(tokens.size() - 1);
    if (tokens.empty()) throw TranslationRefused{"no SQL text"};
    switch (queryKindOf(tokens[0])) {
      case QueryKind::kSelect:
        return select(tokens);
      case QueryKind::kCrosstab:
        return crosstab(tokens.subspan(1));
      case QueryKind::kParameters:
        throw TranslationRefused{"parameter query"};
      case QueryKind::kAppend:
        throw TranslationRefused{"append query"};
      case QueryKind::kUpdate:
        throw TranslationRefused{"update query"};
      case QueryKind::kDelete:
        throw TranslationRefused{"delete query"};
      case QueryKind::kDataDefinition:
        throw TranslationRefused{"data-definition query"};
      case QueryKind::kUnknown:
        break;
    }
    throw TranslationRefused{"not a select query"};
  }

 private:
  // SELECT ... [UNION [ALL] SELECT ...]... [ORDER BY ...] [WITH OWNERACCESS OPTION]
  std::string select(JetTokens tokens) {
    const size_t with = findTopLevel(tokens, 0, twoWords("WITH", "OWNERACCESS"));
    tokens = tokens.first(with);                    // the owner's rights mean nothing here
    std::vector<std::pair<JetTokens, bool>> parts;  // each part and whether UNION ALL led to it
    size_t start = 0;
    bool all = false;
    for (;;) {
      const size_t next = findTopLevel(tokens, start, word("UNION"));
      parts.emplace_back(tokens.subspan(start, next - start), all);
      if (next == tokens.size()) break;
      all = next + 1 < tokens.size() && tokens[next + 1].isWord("ALL");
      start = next + (all ? 2 : 1);
    }
    if (parts.size() == 1) return composeSingle(parsePart(parts[0].first, true));
    std::string sql;
    for (size_t i = 0; i < parts.size(); ++i) {
      SelectPart part = parsePart(parts[i].first, i + 1 == parts.size());
      if (!part.limit.empty() || !part.topPercent.empty()) {
        throw TranslationRefused{"TOP in a part of a union"};
      }
      if (i > 0) sql += parts[i].second ? " UNION ALL " : " UNION ";
      sql += composePart(part, {});
      if (!part.orderBy.empty()) {
        if (dialect_.unionOrderByOutputOnly()) return unionSorted(sql, part.orderBy);
        sql += " ORDER BY " + terms(part.orderBy, part);
      }
    }
    return sql;
  }

  // One part: SELECT [ALL|DISTINCT|DISTINCTROW] [TOP n [PERCENT]] columns [FROM ...]
  // [WHERE ...] [GROUP BY ...] [HAVING ...] [ORDER BY ...]; "TABLE t" and "(SELECT ...)" too.
  SelectPart parsePart(JetTokens tokens, bool mayOrder) {
    if (!tokens.empty() && tokens[0].isSymbol("(") &&
        closingParenthesis(tokens, 0) == tokens.size() - 1) {
      return parsePart(tokens.subspan(1, tokens.size() - 2), mayOrder);
    }
    SelectPart part;
    if (tokens.size() >= 2 && tokens[0].isWord("TABLE")) {
      // "TABLE t": all of one table, perhaps followed by the union's ordering.
      static const JetToken kStar{JetToken::Kind::Symbol, "*"};
      part.columns = JetTokens(&kStar, 1);
      part.from = tokens.subspan(1, 1);
      if (tokens.size() > 2) {
        if (!twoWords("ORDER", "BY")(tokens, 2) || !mayOrder) {
          throw TranslationRefused{"TABLE followed by more than ORDER BY"};
        }
        part.orderBy = tokens.subspan(4);
      }
      return part;
    }
    if (tokens.empty() || !tokens[0].isWord("SELECT"))
      throw TranslationRefused{"not a select query"};
    size_t at = 1;
    if (at < tokens.size() && tokens[at].isWord("ALL")) ++at;
    if (at < tokens.size() && tokens[at].isWord("DISTINCT")) {
      part.modifiers = "DISTINCT ";
      ++at;
    } else if (at < tokens.size() && tokens[at].isWord("DISTINCTROW")) {
      part.distinctRow = true;
      ++at;
    }
    if (at < tokens.size() && tokens[at].isWord("TOP")) {
      if (at + 1 >= tokens.size() || tokens[at + 1].kind != JetToken::Kind::Number ||
          tokens[at + 1].text.find_first_not_of("0123456789") != std::string::npos) {
        throw TranslationRefused{"TOP without a whole number"};
      }
      if (at + 2 < tokens.size() && tokens[at + 2].isWord("PERCENT")) {
        part.topPercent = tokens[at + 1].text;
        at += 3;
      } else {
        part.limit = tokens[at + 1].text;
        at += 2;
      }
    }
    const std::array<size_t, 6> marks{findTopLevel(tokens, at, word("INTO")),
                                      findTopLevel(tokens, at, word("FROM")),
                                      findTopLevel(tokens, at, word("WHERE")),
                                      findTopLevel(tokens, at, twoWords("GROUP", "BY")),
                                      findTopLevel(tokens, at, word("HAVING")),
                                      findTopLevel(tokens, at, twoWords("ORDER", "BY"))};
    if (marks[0] != tokens.size()) throw TranslationRefused{"make-table query"};
    if (marks[5] != tokens.size() && !mayOrder) throw TranslationRefused{"ORDER BY inside a union"};
    // Each clause runs to the next one that follows it.
    const auto clause = [&](size_t index, size_t keywordLength) {
      const size_t begin = marks[index];
      if (begin == tokens.size()) return JetTokens();
      size_t end = tokens.size();
      for (const size_t mark : marks) {
        if (mark > begin && mark < end) end = mark;
      }
      return tokens.subspan(begin + keywordLength, end - begin - keywordLength);
    };
    size_t columnsEnd = tokens.size();
    for (const size_t mark : marks)
      columnsEnd = std::min(columnsEnd, mark);
    part.columns = tokens.subspan(at, columnsEnd - at);
    part.from = clause(1, 1);
    part.where = clause(2, 1);
    part.groupBy = clause(3, 2);
    part.having = clause(4, 1);
    part.orderBy = clause(5, 2);
    if (part.columns.empty()) throw TranslationRefused{"a SELECT without columns"};
    if (findTopLevel(part.from, 0, [](JetTokens t, size_t i) {
          return t[i].isWord("IN") && i + 1 < t.size() && t[i + 1].kind == JetToken::Kind::Text;
        }) != part.from.size()) {
      throw TranslationRefused{"reads another database (IN 'file')"};
    }
    if (part.distinctRow && part.groupBy.empty() && showsSomeTablesOnly(part)) {
      part.modifiers = "DISTINCT ";
    }
    return part;
  }

  std::string expression(JetTokens tokens) { return translateExpression(tokens, context_); }

  // The ORDER BY terms of a part: Jet sorts text without regard to case.
  // `everyTermAny`, when given, is told whether every term stands where anything may, so that
  // the same terms may also order a rank.
  std::string terms(JetTokens tokens, const SelectPart& part, bool* everyTermAny = nullptr) {
    if (everyTermAny != nullptr) *everyTermAny = true;
    std::set<std::string> aliases;
    for (size_t i = 1; i < part.columns.size(); ++i) {
      if (part.columns[i - 1].isWord("AS")) aliases.insert(lowerAscii(part.columns[i].text));
    }
    std::string sql;
    for (const JetTokens term : splitAtCommas(tokens)) {
      size_t end = term.size();
      if (end > 1 && (term[end - 1].isWord("ASC") || term[end - 1].isWord("DESC"))) --end;
      sql += sql.empty() ? "" : ", ";
      const bool number = end == 1 && term[0].kind == JetToken::Kind::Number;
      const bool alias = end == 1 && aliases.contains(lowerAscii(term[0].text));
      const OrderPlace place = number                   ? OrderPlace::kColumnNumber
                               : alias                  ? OrderPlace::kColumnName
                               : part.modifiers.empty() ? OrderPlace::kAny
                                                        : OrderPlace::kDistinct;
      const std::string direction = end < term.size() ? upperAscii(term[end].text) : "";
      sql += dialect_.orderTerm(expression(term.first(end)), place, direction);
      if (everyTermAny != nullptr && place != OrderPlace::kAny) *everyTermAny = false;
    }
    return sql;
  }

  std::string groupTerms(JetTokens tokens) {
    std::string sql;
    for (const JetTokens term : splitAtCommas(tokens))
      sql += (sql.empty() ? "" : ", ") + dialect_.groupTerm(expression(term));
    return sql;
  }

  // A union sorted from outside, for dialects whose union ORDER BY names only the result's
  // columns: each term by the last part of its name.
  std::string unionSorted(const std::string& united, JetTokens orderBy) {
    std::vector<JetToken> unqualified;
    for (size_t i = 0; i < orderBy.size(); ++i) {
      if (orderBy[i].isSymbol(".") && !unqualified.empty() && i + 1 < orderBy.size()) {
        unqualified.back() = orderBy[++i];
        continue;
      }
      unqualified.push_back(orderBy[i]);
    }
    return "SELECT * FROM (" + united + ") AS united ORDER BY " + terms(unqualified, {});
  }

  // Whether the columns of a DISTINCTROW part come from some of the tables it joins and not
  // all: Jet then keeps one row per distinct row of those tables, which the columns tell
  // apart when they hold those tables' keys. A column whose table cannot be told (a bare
  // name, "*") counts as all of them.
  static bool showsSomeTablesOnly(const SelectPart& part) {
    const std::map<std::string, std::string> joined = tablesOf(part.from);
    if (joined.size() < 2) return false;
    std::set<std::string> shown;
    const JetTokens columns = part.columns;
    for (size_t i = 0; i < columns.size(); ++i) {
      const JetToken& token = columns[i];
      const bool named = token.kind == JetToken::Kind::Name ||
                         (token.kind == JetToken::Kind::Word && !token.isWord("AS"));
      if (token.isSymbol("*") && (i == 0 || !columns[i - 1].isSymbol("."))) return false;
      if (!named || (i > 0 && columns[i - 1].isSymbol("."))) continue;
      if (i > 0 && columns[i - 1].isWord("AS")) continue;                    // a column's own name
      if (i + 1 < columns.size() && columns[i + 1].isSymbol("(")) continue;  // a function
      if (i + 1 < columns.size() && columns[i + 1].isSymbol(".")) {
        shown.insert(lowerAscii(token.text));
        continue;
      }
      if (token.kind == JetToken::Kind::Word &&
          (token.isWord("AND") || token.isWord("OR") || token.isWord("NOT") ||
           token.isWord("NULL") || token.isWord("IS") || token.isWord("TRUE") ||
           token.isWord("FALSE") || token.isWord("MOD") || token.isWord("LIKE"))) {
        continue;
      }
      return false;  // a bare name: any table's
    }
    if (shown.empty()) return false;
    for (const std::string& table : shown) {
      if (!joined.contains(table)) return false;
    }
    return shown.size() < joined.size();
  }

  // The names the tables of a FROM clause go by (their aliases where they have one), lower
  // case, and the table each names (empty for a sub-select).
  static std::map<std::string, std::string> tablesOf(JetTokens from) {
    std::map<std::string, std::string> tables;
    bool tablePlace = true;
    bool condition = false;  // within a join's ON, whose parentheses hold no tables
    for (size_t i = 0; i < from.size(); ++i) {
      const JetToken& token = from[i];
      if (token.isSymbol("(") && i + 1 < from.size() && from[i + 1].isWord("SELECT")) {
        i = closingParenthesis(from, i);
        tablePlace = false;
        if (i + 2 < from.size() && from[i + 1].isWord("AS")) {
          tables.emplace(lowerAscii(from[i + 2].text), "");
          i += 2;
        }
        continue;
      }
      if (token.isWord("ON")) condition = true;
      if (token.isSymbol(",") || token.isWord("JOIN")) condition = false;
      if ((token.isSymbol("(") && !condition) || token.isSymbol(",") || token.isWord("JOIN")) {
        tablePlace = true;
        continue;
      }
      const bool named = token.kind == JetToken::Kind::Name || token.kind == JetToken::Kind::Word;
      if (!tablePlace || !named) {
        tablePlace = false;
        continue;
      }
      std::string name = token.text;
      if (i + 2 < from.size() && from[i + 1].isWord("AS")) {
        name = from[i + 2].text;
        i += 2;
      } else if (i + 1 < from.size() && from[i + 1].kind == JetToken::Kind::Name) {
        name = from[++i].text;
      }
      tables.emplace(lowerAscii(name), token.text);
      tablePlace = false;
    }
    return tables;
  }

  // The columns of a SELECT. Where the dialect needs every column of a view to have a name of
  // its own, they get Jet's: an expression without one is Expr1000, Expr1001..., and a name
  // that two tables give is told by its table ("Customers.CompanyName").
  std::string columnList(const SelectPart& part) {
    const JetTokens columns = part.columns;
    if (!dialect_.uniqueColumnNames()) return expression(columns);
    struct Column {
      JetTokens tokens;
      std::string name;        // empty for "*" and "table.*"
      std::string qualified;   // "table.name" of a column named by its table
      bool aliased = false;    // named by its own AS
      bool generated = false;  // named here
    };
    std::vector<Column> list;
    int unnamed = 0;
    for (const JetTokens tokens : splitAtCommas(columns)) {
      Column column{tokens, "", "", false, false};
      const size_t as = findTopLevel(tokens, 0, word("AS"));
      const auto isName = [](const JetToken& token) {
        return token.kind == JetToken::Kind::Name || token.kind == JetToken::Kind::Word;
      };
      if (as + 1 < tokens.size()) {
        column.name = tokens[as + 1].text;
        column.aliased = true;
      } else if (tokens.size() == 1 && isName(tokens[0])) {
        column.name = tokens[0].text;
      } else if (tokens.size() == 3 && isName(tokens[0]) && tokens[1].isSymbol(".") &&
                 isName(tokens[2])) {
        column.name = tokens[2].text;
        column.qualified = tokens[0].text + "." + tokens[2].text;
      } else if (!tokens.empty() && !tokens.back().isSymbol("*")) {
        column.name = "Expr" + std::to_string(1000 + unnamed++);
        column.generated = true;
      }
      list.push_back(column);
    }
    // The names "table.*" brings, as the destination has them.
    std::vector<std::string> starred;
    const auto tables = tablesOf(part.from);
    for (const Column& column : list) {
      const JetTokens tokens = column.tokens;
      if (tokens.size() != 3 || !tokens[2].isSymbol("*") || !readPivotValues_) continue;
      const auto table = tables.find(lowerAscii(tokens[0].text));
      if (table == tables.end() || table->second.empty()) continue;
      try {
        for (const PivotValue& name : readPivotValues_(dialect_.columnNamesSelect(table->second)))
          starred.push_back(lowerAscii(name.literal));
      } catch (const std::exception&) {
        // Without the names the view is written as it stands; the engine judges it.
      }
    }
    const auto uses = [&](const std::string& name) {
      const std::string folded = lowerAscii(name);
      return std::count(starred.begin(), starred.end(), folded) +
             std::count_if(list.begin(), list.end(),
                           [&](const Column& other) { return lowerAscii(other.name) == folded; });
    };
    std::string sql;
    for (const Column& column : list) {
      sql += sql.empty() ? "" : ", ";
      sql += expression(column.tokens);
      if (column.generated) {
        sql += " AS " + quotedName(column.name);
        continue;
      }
      const bool shared = !column.name.empty() && uses(column.name) > 1;
      if (shared && !column.aliased && !column.qualified.empty()) {
        sql += " AS " + quotedName(column.qualified);
      }
    }
    return sql;
  }

  // SELECT ... FROM ... WHERE ... GROUP BY ... HAVING ..., without ORDER BY and LIMIT.
  std::string composePart(const SelectPart& part, const std::vector<std::string>& extraColumns) {
    std::string sql = "SELECT " + part.modifiers + columnList(part);
    for (const std::string& column : extraColumns)
      sql += ", " + column;
    return sql + fromOnward(part);
  }

  // " FROM ... WHERE ... GROUP BY ... HAVING ...", each where the part has it.
  std::string fromOnward(const SelectPart& part) {
    std::string sql;
    if (!part.from.empty()) {
      // "SELECT *" lists the left table's columns first; turning the join round would
      // change their order.
      const auto columns = splitAtCommas(part.columns);
      const bool star = std::any_of(columns.begin(), columns.end(), isBareStar);
      const bool turn = !star && dialect_.leftJoinsOnly();
      sql += " FROM " + (turn ? expression(leftJoinsOnly(part.from)) : expression(part.from));
    }
    if (!part.where.empty()) sql += " WHERE " + expression(part.where);
    if (!part.groupBy.empty()) sql += " GROUP BY " + groupTerms(part.groupBy);
    if (!part.having.empty()) sql += " HAVING " + expression(part.having);
    return sql;
  }

  std::string composeSingle(const SelectPart& part,
                            const std::vector<std::string>& extraColumns = {}) {
    const std::string body = composePart(part, extraColumns);
    std::string sql = body;
    const bool ordered = !part.orderBy.empty();
    bool rankable = false;
    const std::string order = ordered ? terms(part.orderBy, part, &rankable) : "";
    if (ordered) sql += " ORDER BY " + order;
    if (part.limit.empty() && part.topPercent.empty()) return sql;
    // Jet rounds the share of rows up.
    const std::string count = !part.limit.empty()
                                  ? part.limit
                                  : "(SELECT (count(*) * " + part.topPercent +
                                        " + 99) / 100 FROM (" + body + ") AS counted)";
    // Each row's place in the query's order, ties sharing one, where the terms allow it: a
    // SELECT DISTINCT would rank its rows before it drops the repeated ones.
    const std::string ranked =
        ordered && rankable && part.modifiers.empty()
            ? "SELECT rank() OVER (ORDER BY " + order + ") AS jet_rank" + fromOnward(part)
            : "";
    return sql + dialect_.top(count, ordered, ranked);
  }

  // TRANSFORM value SELECT ... PIVOT expression [IN (values)]: the row headings and one
  // column per pivot value, each aggregating only its own rows.
  std::string crosstab(JetTokens tokens) {
    const size_t selectAt = findTopLevel(tokens, 0, word("SELECT"));
    const size_t pivotAt = findTopLevel(tokens, selectAt, word("PIVOT"));
    if (selectAt == tokens.size() || pivotAt == tokens.size()) {
      throw TranslationRefused{"a crosstab without SELECT or PIVOT"};
    }
    JetTokens value = tokens.first(selectAt);
    const size_t alias = findTopLevel(value, 0, word("AS"));
    value = value.first(alias);
    if (value.empty()) throw TranslationRefused{"a crosstab without a value"};
    const SelectPart part = parsePart(tokens.subspan(selectAt, pivotAt - selectAt), true);
    if (!part.topPercent.empty()) throw TranslationRefused{"TOP PERCENT in a crosstab"};
    JetTokens pivot = tokens.subspan(pivotAt + 1);
    const size_t in = findTopLevel(pivot, 0, word("IN"));
    const JetTokens fixedValues = pivot.subspan(std::min(in + 1, pivot.size()));
    pivot = pivot.first(in);
    if (pivot.empty()) throw TranslationRefused{"a crosstab without a pivot"};
    const std::string pivotSql = expression(pivot);

    std::vector<PivotValue> values;
    if (!fixedValues.empty()) {
      if (!fixedValues[0].isSymbol("(")) throw TranslationRefused{"a PIVOT IN without a list"};
      const JetTokens list = fixedValues.subspan(1, closingParenthesis(fixedValues, 0) - 1);
      for (const JetTokens item : splitAtCommas(list)) {
        const bool isText = item.size() == 1 && item[0].kind == JetToken::Kind::Text;
        values.push_back({expression(item), isText ? item[0].text : tokensText(item)});
      }
    } else {
      if (!readPivotValues_) {
        throw TranslationRefused{"crosstab query (its columns come from the salvaged rows)"};
      }
      const std::string select =
          dialect_.pivotValuesSelect(pivotSql, part.from.empty() ? "" : expression(part.from),
                                     part.where.empty() ? "" : expression(part.where));
      try {
        values = readPivotValues_(select);
      } catch (const std::exception& error) {
        throw TranslationRefused{std::string(dialect_.engine()) + ": " + error.what()};
      }
    }
    if (values.size() > kMaxPivotValues) {
      throw TranslationRefused{"crosstab with more than 254 pivot values"};
    }
    std::vector<std::string> columns;
    for (const PivotValue& pivotValue : values) {
      ExpressionContext filtered = context_;
      filtered.aggregateFilter = pivotValue.literal == "NULL"
                                     ? "(" + pivotSql + ") IS NULL"
                                     : dialect_.pivotMatch(pivotSql, pivotValue.literal);
      columns.push_back(translateExpression(value, filtered) + " AS " +
                        quotedName(pivotValue.heading));
    }
    // Jet lists a crosstab's rows in the order of their headings.
    SelectPart ordered = part;
    if (ordered.orderBy.empty()) ordered.orderBy = ordered.groupBy;
    return composeSingle(ordered, columns);
  }

  const SqlDialect& dialect_;
  const PivotValueReader& readPivotValues_;
  ExpressionContext context_;
};

}  // namespace

ViewTranslation translateJetStatement(std::string_view jetSql, const SqlDialect& dialect,
                                      const PivotValueReader& readPivotValues) {
  auto tokens = tokenizeJetSql(jetSql);
  if (auto* error = std::get_if<std::string>(&tokens)) return {std::nullopt, *error};
  try {
    const auto& list = std::get<std::vector<JetToken>>(tokens);
    if (nestedTooDeep(list)) return {std::nullopt, "nested too deep"};
    // Jet's names compare without regard to case; an engine's need not.
    std::map<std::string, std::string> heldNames;
    const std::string namesSelect = dialect.heldNamesSelect(namesInJetSql(jetSql));
    if (readPivotValues && !namesSelect.empty()) {
      try {
        for (PivotValue& name : readPivotValues(namesSelect))
          heldNames.emplace(std::move(name.literal), std::move(name.heading));
      } catch (const std::exception&) {
        // Without them the names stand as written; the engine judges them.
      }
    }
    StatementTranslator translator(dialect, readPivotValues, heldNames);
    return {translator.statement(list), ""};
  } catch (const TranslationRefused& refused) {
    return {std::nullopt, refused.reason};
  }
}

}  // namespace vantrel
