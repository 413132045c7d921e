#include "dialects/postgres/postgres_translation.h"

#include "dialects/common/jet_literals.h"
#include "dialects/common/jet_statement.h"
#include "dialects/postgres/postgres_functions.h"
#include "dialects/postgres/postgres_literals.h"

namespace vantrel {

namespace {

// The collation the PostgreSQL destination makes in every schema: ICU, case-insensitive.
constexpr std::string_view kNocase = " COLLATE nocase";

// A value as a sort key that orders texts without regard to case and leaves other values as
// they are: a collation on a number is an error, and a view cannot know its columns' types
// when it is written.
std::string caseInsensitiveKey(const std::string& value) {
  return "(CASE WHEN pg_typeof(" + value +
         ") IN ('text'::regtype, 'character varying'::regtype) "
         "THEN " +
         value + "::text END)" + std::string(kNocase);
}

// PostgreSQL's words for Jet's meaning: dates are timestamps, booleans PostgreSQL's own,
// texts compare without regard to case through the schema's "nocase" collation.
class PostgresDialect final : public SqlDialect {
 public:
  std::string_view engine() const override { return "PostgreSQL"; }

  std::string dateLiteral(const std::string& isoText) const override {
    return postgresTimestamp(isoText);
  }
  std::string boolean(bool value) const override { return value ? "true" : "false"; }
  // A currency or numeric value without the zeros of its scale, and a boolean as 1 or 0, as
  // the SQLite destination holds it; any other value as PostgreSQL writes it.
  std::string asJetText(const std::string& value) const override {
    return "(CASE pg_typeof(" + value + ") WHEN 'numeric'::regtype THEN trim_scale(" + value +
           "::text::numeric)::text WHEN 'boolean'::regtype THEN " + value +
           "::text::boolean::integer::text ELSE " + value + "::text END)";
  }
  std::string concatenation(const std::vector<std::string>& operands) const override {
    // concat() reads a null as empty text; Jet's "&" gives null only when every operand is
    // null, and a text literal never is.
    std::string nullable;
    std::string texts;
    bool literal = false;
    for (const std::string& operand : operands) {
      const bool text = isStringLiteral(operand);
      literal = literal || text;
      nullable += (nullable.empty() ? "" : ", ") + operand;
      texts += (texts.empty() ? "" : ", ") + (text ? operand : asJetText(operand));
    }
    if (literal) return "concat(" + texts + ")";
    return "(CASE WHEN num_nonnulls(" + nullable + ") > 0 THEN concat(" + texts + ") END)";
  }
  std::string division() const override { return "::double precision /"; }
  std::optional<std::string> truthComparison(const std::string& operand, bool equal,
                                             bool minusOne) const override {
    const std::string op = equal ? " = " : " <> ";
    return "(CASE WHEN pg_typeof(" + operand + ") = 'boolean'::regtype THEN " + operand +
           "::text::boolean" + op + (minusOne ? "true" : "false") + " ELSE " + operand +
           "::text::numeric" + op + (minusOne ? "-1" : "0") + " END)";
  }
  std::string caseInsensitive() const override { return std::string(kNocase); }
  std::string likeComparison(std::string_view jetPattern, bool negated) const override {
    return postgresLike(jetPattern, negated);
  }
  std::string likeExpression(const std::string& patternSql, bool negated) const override {
    return std::string(negated ? "NOT ILIKE " : "ILIKE ") + "replace(replace(" + patternSql +
           ", '*', '%'), '?', '_')";
  }
  FunctionCall function(std::string_view name, const std::vector<JetTokens>& arguments,
                        const ExpressionContext& context) const override {
    return translatePostgresFunction(name, arguments, context);
  }

  std::string orderTerm(const std::string& expression, OrderPlace place,
                        std::string_view direction) const override {
    // Jet sorts a null below every value; PostgreSQL above them unless told.
    const std::string order = (direction.empty() ? "" : " " + std::string(direction)) +
                              (direction == "DESC" ? " NULLS LAST" : " NULLS FIRST");
    // A SELECT DISTINCT sorts only by what it selects, and a column's own name stands alone.
    if (place != OrderPlace::kAny) return expression + order;
    return caseInsensitiveKey(expression) + order + ", " + expression + order;
  }
  // Grouping keeps the texts as they are: a column grouped under a collation could no longer
  // be selected.
  std::string groupTerm(const std::string& expression) const override { return expression; }
  std::string top(const std::string& count, bool ordered,
                  const std::string& /*ranked*/) const override {
    if (!ordered) return " LIMIT " + count;
    return " FETCH FIRST " + count + " ROWS WITH TIES";
  }
  bool leftJoinsOnly() const override { return false; }
  bool uniqueColumnNames() const override { return true; }
  std::string columnNamesSelect(const std::string& table) const override {
    return "SELECT attname::text, '' FROM pg_attribute WHERE attrelid = to_regclass(" +
           quotedString(quotedName(table)) +
           ") AND attnum > 0 AND NOT attisdropped ORDER BY attnum";
  }
  bool unionOrderByOutputOnly() const override { return true; }
  // A quoted name is PostgreSQL's as written: a name of the statement that the schema holds
  // in one other case only is written in that case.
  std::string heldNamesSelect(const std::vector<std::string>& names) const override {
    if (names.empty()) return {};
    std::string written;
    for (const std::string& name : names)
      written += (written.empty() ? "(" : ", (") + quotedString(name) + ")";
    return "WITH held(n) AS (SELECT relname::text FROM pg_class WHERE relnamespace = "
           "current_schema()::regnamespace UNION SELECT attname::text FROM pg_attribute JOIN "
           "pg_class ON attrelid = pg_class.oid WHERE relnamespace = "
           "current_schema()::regnamespace AND attnum > 0 AND NOT attisdropped) SELECT w, min(n) "
           "FROM (VALUES " +
           written +
           ") AS written(w) JOIN held ON lower(n) = lower(w) WHERE w "
           "NOT IN (SELECT n FROM held) GROUP BY w HAVING count(DISTINCT n) = 1";
  }
  std::string pivotValuesSelect(const std::string& pivot, const std::string& from,
                                const std::string& where) const override {
    std::string select =
        "SELECT quote_nullable(min(v)), coalesce(min(v)::text, '<>') FROM (SELECT " + pivot +
        " AS v";
    if (!from.empty()) select += " FROM " + from;
    if (!where.empty()) select += " WHERE " + where;
    // Texts that differ only in case are one value, as in Jet; values in their order.
    // A null first, as Jet sorts it.
    return select + ") AS pivots GROUP BY lower(v::text) ORDER BY " + caseInsensitiveKey("min(v)") +
           " NULLS FIRST, min(v) NULLS FIRST";
  }
  std::string pivotMatch(const std::string& pivot, const std::string& literal) const override {
    return "lower((" + pivot + ")::text) = lower(" + literal + ")";
  }
};

}  // namespace

ViewTranslation translateQueryToPostgres(std::string_view jetSql,
                                         const PivotValueReader& readPivotValues) {
  static const PostgresDialect kDialect;
  return translateJetStatement(jetSql, kDialect, readPivotValues);
}

}  // namespace vantrel
