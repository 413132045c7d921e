#pragma once

// The expressions of a Jet SQL statement written as SQLite expressions, for the statement
// translation (sqlite_translation.h).

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "jetsql/jet_sql_tokenizer.h"

namespace vantrel {

using JetTokens = std::span<const JetToken>;

// Thrown inside the translation when a statement has no SQLite equivalent; `reason` says why
// in words ("uses the function DLookup").
struct TranslationRefused {
  std::string reason;
};

struct ExpressionContext {
  // Writes a sub-select "(SELECT ...)" (the tokens inside the parentheses).
  std::function<std::string(JetTokens)> translateSelect;
  // When not empty, every aggregate counts only the rows where this condition holds (a
  // crosstab's column for one pivot value).
  std::string aggregateFilter;
};

// An expression, or a list of them, or a FROM clause: names become "quoted", literals, Jet's
// operators and functions their SQLite counterparts. Raises TranslationRefused.
std::string translateExpression(JetTokens tokens, const ExpressionContext& context);

// The position of the ")" that closes the "(" at `open`; raises when there is none.
size_t closingParenthesis(JetTokens tokens, size_t open);

// The tokens split at the commas that stand outside parentheses.
std::vector<JetTokens> splitAtCommas(JetTokens tokens);

// The tokens as one text, for a reason or an error message.
std::string tokensText(JetTokens tokens);

}  // namespace vantrel
