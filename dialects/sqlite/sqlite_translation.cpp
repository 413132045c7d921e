#include "dialects/sqlite/sqlite_translation.h"

#include <algorithm>
#include <exception>
#include <variant>

#include "dialects/sqlite/sqlite_expression.h"
#include "dialects/sqlite/sqlite_literals.h"
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
// R ON c" becomes "R LEFT JOIN (L) ON c", which gives the same rows. SQLite takes RIGHT JOIN
// only from 3.39 on; programs built on an older one open the destination too. Left as it
// stands when R is followed by another join (its parentheses decide then).
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
  std::string modifiers;   // "DISTINCT " or nothing
  std::string limit;       // " LIMIT n" of a TOP n
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
  explicit StatementTranslator(const PivotValueReader& readPivotValues)
      : readPivotValues_(readPivotValues) {
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
    tokens = tokens.first(with);                    // the owner's rights mean nothing in SQLite
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
      if (!part.orderBy.empty()) sql += " ORDER BY " + terms(part.orderBy);
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
      ++at;  // the rows of the tables are distinct already
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
        part.limit = " LIMIT " + tokens[at + 1].text;
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
    return part;
  }

  std::string expression(JetTokens tokens) { return translateExpression(tokens, context_); }

  // GROUP BY and ORDER BY terms: Jet groups and sorts text without regard to case. A column
  // number stays bare, as a number with a collation would no longer name a column.
  std::string terms(JetTokens tokens) {
    std::string sql;
    for (const JetTokens term : splitAtCommas(tokens)) {
      size_t end = term.size();
      if (end > 1 && (term[end - 1].isWord("ASC") || term[end - 1].isWord("DESC"))) --end;
      sql += sql.empty() ? "" : ", ";
      sql += expression(term.first(end));
      if (!(end == 1 && term[0].kind == JetToken::Kind::Number)) sql += " COLLATE NOCASE";
      if (end < term.size()) sql += " " + expression(term.subspan(end));
    }
    return sql;
  }

  // SELECT ... FROM ... WHERE ... GROUP BY ... HAVING ..., without ORDER BY and LIMIT.
  std::string composePart(const SelectPart& part, const std::vector<std::string>& extraColumns) {
    std::string sql = "SELECT " + part.modifiers + expression(part.columns);
    for (const std::string& column : extraColumns)
      sql += ", " + column;
    if (!part.from.empty()) {
      // "SELECT *" lists the left table's columns first; turning the join round would
      // change their order.
      const auto columns = splitAtCommas(part.columns);
      const bool star = std::any_of(columns.begin(), columns.end(), isBareStar);
      sql += " FROM " + (star ? expression(part.from) : expression(leftJoinsOnly(part.from)));
    }
    if (!part.where.empty()) sql += " WHERE " + expression(part.where);
    if (!part.groupBy.empty()) sql += " GROUP BY " + terms(part.groupBy);
    if (!part.having.empty()) sql += " HAVING " + expression(part.having);
    return sql;
  }

  std::string composeSingle(const SelectPart& part,
                            const std::vector<std::string>& extraColumns = {}) {
    const std::string body = composePart(part, extraColumns);
    std::string sql = body;
    if (!part.orderBy.empty()) sql += " ORDER BY " + terms(part.orderBy);
    sql += part.limit;
    if (!part.topPercent.empty()) {
      // Jet rounds the share of rows up.
      sql += " LIMIT (SELECT (count(*) * " + part.topPercent + " + 99) / 100 FROM (" + body + "))";
    }
    return sql;
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
      std::string select =
          "SELECT quote(min(p)), coalesce(CAST(min(p) AS TEXT), '<>') FROM (SELECT " + pivotSql +
          " AS p";
      if (!part.from.empty()) select += " FROM " + expression(part.from);
      if (!part.where.empty()) select += " WHERE " + expression(part.where);
      // Texts that differ only in case are one value, as in Jet.
      select += ") GROUP BY p COLLATE NOCASE ORDER BY p COLLATE NOCASE";
      try {
        values = readPivotValues_(select);
      } catch (const std::exception& error) {
        throw TranslationRefused{std::string("SQLite: ") + error.what()};
      }
    }
    if (values.size() > kMaxPivotValues) {
      throw TranslationRefused{"crosstab with more than 254 pivot values"};
    }
    std::vector<std::string> columns;
    for (const PivotValue& pivotValue : values) {
      ExpressionContext filtered = context_;
      filtered.aggregateFilter =
          pivotValue.literal == "NULL"
              ? "(" + pivotSql + ") IS NULL"
              : "(" + pivotSql + ") = " + pivotValue.literal + " COLLATE NOCASE";
      columns.push_back(translateExpression(value, filtered) + " AS " +
                        sqliteName(pivotValue.heading));
    }
    // Jet lists a crosstab's rows in the order of their headings.
    SelectPart ordered = part;
    if (ordered.orderBy.empty()) ordered.orderBy = ordered.groupBy;
    return composeSingle(ordered, columns);
  }

  const PivotValueReader& readPivotValues_;
  ExpressionContext context_;
};

}  // namespace

ViewTranslation translateQueryToSqlite(std::string_view jetSql,
                                       const PivotValueReader& readPivotValues) {
  auto tokens = tokenizeJetSql(jetSql);
  if (auto* error = std::get_if<std::string>(&tokens)) return {std::nullopt, *error};
  try {
    const auto& list = std::get<std::vector<JetToken>>(tokens);
    if (nestedTooDeep(list)) return {std::nullopt, "nested too deep"};
    StatementTranslator translator(readPivotValues);
    return {translator.statement(list), ""};
  } catch (const TranslationRefused& refused) {
    return {std::nullopt, refused.reason};
  }
}

}  // namespace vantrel
