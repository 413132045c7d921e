#pragma once

#include <string_view>
#include <vector>

#include "dialects/common/sql_dialect.h"

namespace vantrel {

// A call of a Jet function with its arguments (as tokens) written as a PostgreSQL expression
// of built-in functions with Jet's meaning. Raises TranslationRefused for a function with no
// such equivalent ("uses the function DLookup").
FunctionCall translatePostgresFunction(std::string_view name,
                                       const std::vector<JetTokens>& arguments,
                                       const ExpressionContext& context);

// Round half to even to `digits` places, as Jet's Round, CCur, CInt and CLng do, over the
// exact (numeric) value.
std::string postgresBankersRound(const std::string& value, const std::string& digits);

}  // namespace vantrel
