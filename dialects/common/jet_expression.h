#pragma once

// The expressions of a Jet SQL statement written in one SQL dialect, for the statement
// translation (jet_statement.h).

#include <string>
#include <vector>

#include "dialects/common/sql_dialect.h"

namespace vantrel {

// An expression, or a list of them, or a FROM clause: names become "quoted", literals, Jet's
// operators and functions their counterparts in the context's dialect. Raises
// TranslationRefused.
std::string translateExpression(JetTokens tokens, const ExpressionContext& context);

// The position of the ")" that closes the "(" at `open`; raises when there is none.
size_t closingParenthesis(JetTokens tokens, size_t open);

// The tokens split at the commas that stand outside parentheses.
std::vector<JetTokens> splitAtCommas(JetTokens tokens);

// The tokens as one text, for a reason or an error message.
std::string tokensText(JetTokens tokens);

}  // namespace vantrel
