#pragma once

#include <string_view>
#include <vector>

#include "dialects/common/sql_dialect.h"

namespace vantrel {

// A call of a Jet function with its arguments (as tokens) written as an SQLite expression of
// built-in functions only, so that any SQLite program can run it. Raises TranslationRefused
// for a function with no such equivalent ("uses the function DLookup").
FunctionCall translateSqliteFunction(std::string_view name, const std::vector<JetTokens>& arguments,
                                     const ExpressionContext& context);

}  // namespace vantrel
