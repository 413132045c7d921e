#pragma once

#include <vector>

#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mdbwriter {

// Where one column's values go in a row.
struct ColumnLayout {
  int number = 0;  // its bit in the null mask; deleted columns keep theirs
  bool fixed = false;
  bool longValue = false;  // memo or OLE
  // Variable columns: the slot in the row's offset table. Fixed columns: the number of
  // variable columns before them (what Access stores there).
  int varIndex = 0;
  int fixedOffset = 0;  // fixed columns: offset in the fixed area
  int fixedSize = 0;    // bytes in the fixed area (booleans live in the null mask)
  int storedSize = 0;   // the size the definition states
};

struct TableLayout {
  std::vector<ColumnLayout> columns;  // one per described column, deleted ones included
  int columnCount = 0;                // every column a row carries
  int liveColumnCount = 0;
  int varColumnCount = 0;  // variable slots a row carries
  int liveVarColumnCount = 0;
  int fixedAreaSize = 0;
};

// Lays out a table's columns; throws std::invalid_argument for a column the format cannot
// hold (names, sizes, counts).
TableLayout layoutTable(const TableSpec& table, const JetFormat& format);

// Bytes of a fixed-length type in a row (0 for booleans and variable types).
int fixedSizeOf(ColumnType type);
bool isVariable(ColumnType type);
bool isLongValue(ColumnType type);

}  // namespace vantrel::mdbwriter
