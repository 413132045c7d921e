#pragma once

#include <cstdint>

#include "tests/support/mdb_writer/schema.h"

namespace vantrel::test {

// The database the damage suite damages: tables over many data pages with an inline and a
// page-list usage map, memo values in the row, on one long-value page and in chains, OLE
// values in chains, rows moved as Access moves a row that grew, an empty table and a saved
// query.
mdbwriter::DatabaseSpec damageSuiteDatabase(mdbwriter::JetVersion version);

// The formats the suite's database is written in: Jet 3, Jet 4, and Jet 4 written as an
// Access 2007 file.
enum class SuiteFormat { kJet3, kJet4, kAce };
inline constexpr SuiteFormat kSuiteFormats[] = {SuiteFormat::kJet3, SuiteFormat::kJet4,
                                                SuiteFormat::kAce};
mdbwriter::DatabaseSpec damageSuiteDatabase(SuiteFormat format);
// "Jet3", "Jet4", "Ace".
const char* suiteFormatName(SuiteFormat format);

// The rows of the table "Readings", and those of them that are moved (by their Id).
inline constexpr int kReadingCount = 3000;
inline bool isMovedReading(int64_t id) {
  return id % 100 == 0;
}

}  // namespace vantrel::test
