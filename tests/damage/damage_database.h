#pragma once

#include "tests/support/mdb_writer/schema.h"

namespace vantrel::test {

// The database the damage suite damages: tables over many data pages with an inline and a
// page-list usage map, memo values in the row, on one long-value page and in chains, OLE
// values in chains, an empty table and a saved query.
mdbwriter::DatabaseSpec damageSuiteDatabase(mdbwriter::JetVersion version);

}  // namespace vantrel::test
