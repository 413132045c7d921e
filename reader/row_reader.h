#pragma once

#include <cstdint>

#include "reader/row_cursor.h"
#include "reader/row_page.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// What fetchRow found: a row in cursor.fields, the end of the table, or a stop the user
// confirmed (asked before every row).
enum class RowFetch { kRow, kEnd, kStopped };

// Reads the next live row of the table into cursor.fields. A fresh cursor starts the walk at
// the first row.
RowFetch fetchRow(SourceDatabase& db, const TableDefinition& table, RowCursor& cursor);

// Moves the cursor to the next data page of the table that its usage map names and loads it.
// Pages that cannot be read or are not data pages of this table are passed over. Returns the
// page, or 0 when the map names no further page.
int64_t nextDataPage(SourceDatabase& db, const TableDefinition& table, RowCursor& cursor);

// Reads row r of the cursor's data page into cursor.fields. 1 for a live row, else 0.
int readRow(SourceDatabase& db, const TableDefinition& table, RowCursor& cursor, int r);

// The bookkeeping at both ends of a stored row from s to e (inclusive): the column count it
// was written with, its null mask, and the number of variable fields.
struct RowShape {
  int columnCount = 0;
  int maskSize = 0;
  int maskStart = 0;
  int varCount = 0;
};
RowShape rowShape(const RowPage& page, int s, int e);

// The row's variable offsets (from the row start; one more than the variable fields, the last
// ending the variable data). False when the row's offset table cannot be read.
bool readVariableOffsets(const RowPage& page, int s, int e, const RowShape& shape,
                         std::vector<int>& offsets);

// Splits the row from `rowStart` to `rowEnd` (inclusive) into one field slot per column
// (cursor.fieldSlots). Returns how many fields the row holds whose offsets lie outside it.
int crackRow(const RowPage& page, const TableDefinition& table, RowCursor& cursor, int rowStart,
             int rowEnd);

}  // namespace vantrel
