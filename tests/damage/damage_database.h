#pragma once

#include <cstdint>

#include "tests/support/mdb_writer/schema.h"

namespace vantrel::test {

// The database the damage suite damages: tables over many data pages with an inline and a
// page-list usage map, memo values in the row, on one long-value page and in chains, OLE
// values in chains, rows moved as Access moves a row that grew, an empty table and a saved
// query.
mdbwriter::DatabaseSpec damageSuiteDatabase(mdbwriter::JetVersion version);

// The rows of the table "Readings", and those of them that are moved (by their Id).
inline constexpr int kReadingCount = 3000;
inline bool isMovedReading(int64_t id) {
  return id % 100 == 0;
}

}  // namespace vantrel::test
