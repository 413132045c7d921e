#pragma once

#include <string>

#include "jetsql/jet_ddl_parser.h"

namespace vantrel {

// The statement as Jet DDL text, in the form parseJetDdl reads back to the same statement:
// names in brackets ("]" written twice), an index name bare when it is a plain word.
std::string jetDdlText(const JetDdlStatement& statement);

// Refuses a statement that no text could state: an empty name, a name with a zero character,
// a negative size. Raises a JetSqlError that says which, as parseJetDdl would.
void checkJetDdl(const JetDdlStatement& statement);

}  // namespace vantrel
