#pragma once

#include <string_view>

namespace vantrel {

// Refuses a text that cannot be Jet SQL: its first word starts no Jet statement (SELECT,
// TRANSFORM, PARAMETERS, INSERT, UPDATE, DELETE, CREATE, ALTER, DROP) and it does not open
// with a parenthesis, or its brackets, quotes or parentheses are unbalanced. Raises a
// JetSqlError that says which.
void checkJetSqlText(std::string_view sql);

}  // namespace vantrel
