#pragma once

// What one SQL dialect writes where the translation of rebuilt Jet SQL (jet_statement.h,
// jet_expression.h) needs words of its own. The walk over the statement and its expressions is
// the same for every dialect; each dialect only says how its engine spells Jet's meaning.

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jetsql/jet_sql_tokenizer.h"

namespace vantrel {

using JetTokens = std::span<const JetToken>;

// Thrown inside the translation when a statement has no equivalent in the dialect; `reason`
// says why in words ("uses the function DLookup").
struct TranslationRefused {
  std::string reason;
};

class SqlDialect;

struct ExpressionContext {
  const SqlDialect* dialect = nullptr;
  // Writes a sub-select "(SELECT ...)" (the tokens inside the parentheses).
  std::function<std::string(JetTokens)> translateSelect;
  // When not empty, every aggregate counts only the rows where this condition holds (a
  // crosstab's column for one pivot value).
  std::string aggregateFilter;
  // Names as the destination holds them, by the name as the statement writes it, where the
  // two differ in case only.
  const std::map<std::string, std::string>* heldNames = nullptr;

  // A name of the statement as the destination holds it.
  std::string_view heldName(const std::string& written) const {
    if (heldNames == nullptr) return written;
    const auto held = heldNames->find(written);
    return held == heldNames->end() ? std::string_view(written) : std::string_view(held->second);
  }
};

struct FunctionCall {
  std::string sql;
  bool givesDate = false;  // the result is a date (Date(), DateSerial, ...)
};

// Where an ORDER BY term stands, as far as what may be written around it.
enum class OrderPlace {
  kAny,
  kColumnNumber,  // ORDER BY 2
  kColumnName,    // a column's own name (AS ...)
  kDistinct,      // a term of a SELECT DISTINCT
};

class SqlDialect {
 public:
  virtual ~SqlDialect() = default;

  // The engine's name, which leads the reasons the engine gives ("PostgreSQL: ...").
  virtual std::string_view engine() const = 0;

  // A #date# literal, already read as "YYYY-MM-DD[ HH:MM:SS]" or "HH:MM:SS".
  virtual std::string dateLiteral(const std::string& isoText) const = 0;
  // Jet's True and False (Yes and No, On and Off).
  virtual std::string boolean(bool value) const = 0;
  // A value as the text Jet writes for it when it joins it to a text.
  virtual std::string asJetText(const std::string& value) const = 0;
  // Jet's "a & b & c": each operand as text, a null one as empty text, and null when every
  // operand is null.
  virtual std::string concatenation(const std::vector<std::string>& operands) const = 0;
  // The operator that divides in floating point as Jet's "/" does, after its left operand.
  virtual std::string division() const = 0;
  // "operand = -1" (or "= 0", or "<>") where the operand may be a boolean, which Jet holds as
  // -1 and 0; none where the comparison stands as written.
  virtual std::optional<std::string> truthComparison(const std::string& operand, bool equal,
                                                     bool minusOne) const = 0;
  // What follows a text operand of a comparison so that it compares without regard to case.
  virtual std::string caseInsensitive() const = 0;
  // "[NOT] LIKE 'pattern'" with a Jet pattern (* ? # [set] [!set]) in the engine's words.
  virtual std::string likeComparison(std::string_view jetPattern, bool negated) const = 0;
  // "[NOT] LIKE x" where the pattern is an expression, not a literal.
  virtual std::string likeExpression(const std::string& patternSql, bool negated) const = 0;
  // A call of a Jet function, its arguments as tokens; raises TranslationRefused.
  virtual FunctionCall function(std::string_view name, const std::vector<JetTokens>& arguments,
                                const ExpressionContext& context) const = 0;

  // An ORDER BY term that sorts text without regard to case and a null first, as Jet does;
  // `direction` is "ASC", "DESC" or empty as the query wrote it.
  virtual std::string orderTerm(const std::string& expression, OrderPlace place,
                                std::string_view direction) const = 0;
  // A GROUP BY term.
  virtual std::string groupTerm(const std::string& expression) const = 0;
  // What follows ORDER BY for Jet's TOP: the first `count` rows (a number or an expression)
  // and, where the query is ordered, every row that ties with the last of them. `ranked`,
  // where not empty, selects each row's rank in the query's order as jet_rank.
  virtual std::string top(const std::string& count, bool ordered,
                          const std::string& ranked) const = 0;
  // Whether every column of a view needs a name of its own, and then a SELECT of two text
  // columns whose first holds the names of a table's columns, in order.
  virtual bool uniqueColumnNames() const = 0;
  virtual std::string columnNamesSelect(const std::string& table) const = 0;
  // Whether RIGHT JOIN is better written as LEFT JOIN the other way round.
  virtual bool leftJoinsOnly() const = 0;
  // Whether the ORDER BY of a UNION may name only the result's columns, so that the union is
  // sorted from outside.
  virtual bool unionOrderByOutputOnly() const = 0;
  // A SELECT of two text columns: each of `names` (as the statement writes them) that the
  // destination holds only in another case, and the name it holds; empty where names compare
  // without regard to case anyway.
  virtual std::string heldNamesSelect(const std::vector<std::string>& names) const = 0;
  // A SELECT of two text columns (literal, heading): every value the crosstab's pivot takes in
  // the salvaged rows, texts that differ only in case once, in order.
  virtual std::string pivotValuesSelect(const std::string& pivot, const std::string& from,
                                        const std::string& where) const = 0;
  // The condition that the pivot has the value `literal` read by that SELECT.
  virtual std::string pivotMatch(const std::string& pivot, const std::string& literal) const = 0;
};

}  // namespace vantrel
