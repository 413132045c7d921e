#include "dialects/sqlite/sqlite_translation.h"

#include "dialects/common/jet_literals.h"
#include "dialects/common/jet_statement.h"
#include "dialects/sqlite/sqlite_functions.h"
#include "dialects/sqlite/sqlite_literals.h"

namespace vantrel {

namespace {

// SQLite's words for Jet's meaning: dates are texts, booleans 1 and 0, texts compare
// without regard to case through the built-in NOCASE collation.
class SqliteDialect final : public SqlDialect {
 public:
  std::string_view engine() const override { return "SQLite"; }

  std::string dateLiteral(const std::string& isoText) const override {
    return quotedString(isoText);
  }
  std::string boolean(bool value) const override { return value ? "1" : "0"; }
  // SQLite joins any value to a text as it holds it.
  std::string asJetText(const std::string& value) const override { return value; }
  std::string concatenation(const std::vector<std::string>& operands) const override {
    std::string joined;
    std::string anyOperand;
    bool literal = false;
    for (const std::string& operand : operands) {
      const bool text = isStringLiteral(operand);
      literal = literal || text;
      joined += (joined.empty() ? "" : " || ") + (text ? operand : "coalesce(" + operand + ", '')");
      anyOperand += (anyOperand.empty() ? "" : ", ") + operand;
    }
    // Null only when every operand is: a text literal never is.
    if (literal) return "(" + joined + ")";
    return "(CASE WHEN coalesce(" + anyOperand + ") IS NOT NULL THEN " + joined + " END)";
  }
  std::string division() const override { return "* 1.0 /"; }
  // Booleans are 1 and 0 here.
  std::optional<std::string> truthComparison(const std::string& /*operand*/, bool /*equal*/,
                                             bool /*minusOne*/) const override {
    return std::nullopt;
  }
  std::string caseInsensitive() const override { return " COLLATE NOCASE"; }
  std::string likeComparison(std::string_view jetPattern, bool negated) const override {
    return (negated ? "NOT " : "") + vantrel::likeComparison(jetPattern).substr(1);
  }
  std::string likeExpression(const std::string& patternSql, bool negated) const override {
    return std::string(negated ? "NOT " : "") + "LIKE replace(replace(" + patternSql +
           ", '*', '%'), '?', '_')";
  }
  FunctionCall function(std::string_view name, const std::vector<JetTokens>& arguments,
                        const ExpressionContext& context) const override {
    return translateSqliteFunction(name, arguments, context);
  }

  std::string orderTerm(const std::string& expression, OrderPlace place,
                        std::string_view direction) const override {
    // A number with a collation would no longer name a column. SQLite sorts a null first.
    const std::string term =
        place == OrderPlace::kColumnNumber ? expression : expression + " COLLATE NOCASE";
    return direction.empty() ? term : term + " " + std::string(direction);
  }
  std::string groupTerm(const std::string& expression) const override {
    const bool number = expression.find_first_not_of("0123456789") == std::string::npos;
    return number ? expression : expression + " COLLATE NOCASE";
  }
  // SQLite has no WITH TIES: the limit counts the rows ranked within the first `count`.
  std::string top(const std::string& count, bool /*ordered*/,
                  const std::string& ranked) const override {
    if (ranked.empty()) return " LIMIT " + count;
    return " LIMIT (SELECT count(*) FROM (" + ranked + ") WHERE jet_rank <= " + count + ")";
  }
  // SQLite takes RIGHT JOIN only from 3.39 on; programs built on an older one open the
  // destination too.
  bool leftJoinsOnly() const override { return true; }
  // SQLite names a view's columns itself, a name taken twice with ":1" after it.
  bool uniqueColumnNames() const override { return false; }
  std::string columnNamesSelect(const std::string& /*table*/) const override { return {}; }
  bool unionOrderByOutputOnly() const override { return false; }
  std::string heldNamesSelect(const std::vector<std::string>& /*names*/) const override {
    return {};  // SQLite's names compare without regard to ASCII case, as Jet's do
  }
  std::string pivotValuesSelect(const std::string& pivot, const std::string& from,
                                const std::string& where) const override {
    std::string select =
        "SELECT quote(min(p)), coalesce(CAST(min(p) AS TEXT), '<>') FROM (SELECT " + pivot +
        " AS p";
    if (!from.empty()) select += " FROM " + from;
    if (!where.empty()) select += " WHERE " + where;
    // Texts that differ only in case are one value, as in Jet.
    return select + ") GROUP BY p COLLATE NOCASE ORDER BY p COLLATE NOCASE";
  }
  std::string pivotMatch(const std::string& pivot, const std::string& literal) const override {
    return "(" + pivot + ") = " + literal + " COLLATE NOCASE";
  }
};

}  // namespace

ViewTranslation translateQueryToSqlite(std::string_view jetSql,
                                       const PivotValueReader& readPivotValues) {
  static const SqliteDialect kDialect;
  return translateJetStatement(jetSql, kDialect, readPivotValues);
}

}  // namespace vantrel
