#pragma once

#include <string>

#include "jetsql/jet_ddl_parser.h"

namespace vantrel {

// The statement as Jet DDL text, in the form parseJetDdl reads back to the same statement:
// names in brackets ("]" written twice), an index name bare when it is a plain word. A column's
// DEFAULT, which the parser does not read, is written for the log only.
std::string jetDdlText(const JetDdlStatement& statement);

// A default as Jet writes it: 12.5, "text" (quotes doubled), #2001-02-03 00:00:00#, True, Date().
std::string jetDefaultText(const JetDefault& value);

// Refuses a statement that no text could state: an empty name, a name with a zero character,
// a negative size. Raises a JetSqlError that says which, as parseJetDdl would.
void checkJetDdl(const JetDdlStatement& statement);

}  // namespace vantrel
