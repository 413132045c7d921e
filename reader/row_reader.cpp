#include "reader/row_reader.h"

#include <optional>
#include <set>

#include "reader/column_types.h"
#include "reader/field_decoding.h"
#include "reader/page_census.h"
#include "reader/row_page.h"
#include "run/run_state.h"

namespace vantrel {

namespace {

constexpr int kMaxRowSize = 16383;

// The bits of one bitmap page of a reference map, read once and kept with the cursor.
UsageBitmapReader bitmapReader(SourceDatabase& db, RowCursor& cursor) {
  return [&db, &cursor](int64_t page) -> std::optional<std::span<const uint8_t>> {
    if (cursor.usageBitmap.number() != page) cursor.usageBitmap = db.page(page);
    if (!cursor.usageBitmap) return std::nullopt;
    return cursor.usageBitmap.bytes().subspan(UsageMap::kBitmapHeader);
  };
}

// After the map: the table's data pages by their owner, those the map did not name.
std::optional<int64_t> nextOwnedPage(SourceDatabase& db, const TableDefinition& table,
                                     RowCursor& cursor) {
  const auto& pages = pageCensus(db).dataPagesOf(table.catalogObject.tdefPage);
  while (cursor.ownerPageIndex < pages.size()) {
    const int64_t page = pages[cursor.ownerPageIndex++];
    if (table.usageMapLost || !table.usageMap.names(page, bitmapReader(db, cursor))) return page;
  }
  return std::nullopt;
}

std::optional<int64_t> nextCandidate(SourceDatabase& db, const TableDefinition& table,
                                     RowCursor& cursor) {
  if (cursor.walkPhase == 1) return nextOwnedPage(db, table, cursor);
  return table.usageMap.nextPageAfter(cursor.currentDataPage, bitmapReader(db, cursor));
}

bool bitIsSet(std::span<const uint8_t> page, int maskStart, int maskSize, int columnNumber) {
  if (columnNumber < 0 || columnNumber / 8 >= maskSize) return false;
  const int byte = byteOf(page, maskStart + columnNumber / 8);
  return byte >= 0 && ((byte >> (columnNumber % 8)) & 1) != 0;
}

// Fills the variable offsets of a Jet 3 row, whose offsets are single bytes: rows longer
// than 256 bytes carry jump bytes telling where the offsets pass each 256-byte boundary.
bool readJet3Offsets(std::span<const uint8_t> page, int s, int e, int maskSize, int varCount,
                     std::vector<int>& offsets) {
  const auto rowSpan = static_cast<uint32_t>(e - s);
  uint32_t jumps = rowSpan / 256;
  const uint32_t table = static_cast<uint32_t>(e) - jumps - static_cast<uint32_t>(maskSize) - 1;
  if ((table - static_cast<uint32_t>(s) - static_cast<uint32_t>(varCount)) / 256 < jumps) --jumps;
  if (table >= 2048) return false;
  uint32_t used = 0;
  for (int i = 0; i <= varCount; ++i) {
    while (used < jumps && byteOf(page, static_cast<int64_t>(e) - maskSize - used - 1) == i) {
      ++used;
    }
    const int low = byteOf(page, static_cast<int64_t>(table) - i);
    offsets[static_cast<size_t>(i)] = low < 0 ? -1 : low + 256 * static_cast<int>(used);
  }
  return true;
}

// The moved rows that deleted pointer slots on the table's own pages point at.
std::set<std::pair<int64_t, int>> gatherDeletedMovedRows(SourceDatabase& db,
                                                         const TableDefinition& table) {
  std::set<std::pair<int64_t, int>> found;
  for (const int64_t page : pageCensus(db).dataPagesOf(table.catalogObject.tdefPage)) {
    const PageView view = db.page(page);
    if (!view) continue;
    const RowPage rows(view.bytes(), db.format());
    for (int r = 0; r < rows.rowsToRead(); ++r) {
      const int entry = rows.entry(r);
      if (entry < 0 || !RowPage::isDeletedPointer(entry)) continue;
      const int start = rows.start(r);
      // An ordinary deleted row shorter than a pointer.
      if (rows.end(r) - start < RowPage::kPointerSize) continue;
      const int64_t pointer = u32Of(rows.bytes(), start);
      if (pointer >= 0) found.insert({pointer >> 8, static_cast<int>(pointer & 0xFF)});
    }
  }
  return found;
}

// A moved row is read where it lies, unless it was deleted (through its pointer slot).
bool isDeletedMovedRow(SourceDatabase& db, const TableDefinition& table, RowCursor& cursor, int r) {
  if (!cursor.deletedMovedRows) cursor.deletedMovedRows = gatherDeletedMovedRows(db, table);
  return cursor.deletedMovedRows->contains({cursor.dataPage.number(), r});
}

// The end of a table's rows; or, when the user confirmed a stop while its pages were looked
// for (in the page census), that stop: the table is not whole then.
RowFetch endOfRows(SourceDatabase& db) {
  RunState* run = db.run();
  if (run != nullptr && run->stopRequested.load() == RunState::kConfirmedStop &&
      run->stopConfirmed()) {
    return RowFetch::kStopped;
  }
  return RowFetch::kEnd;
}

}  // namespace

int64_t nextDataPage(SourceDatabase& db, const TableDefinition& table, RowCursor& cursor) {
  for (;;) {
    // Each candidate lies after the one before, so each phase ends; one beyond the file's
    // last page ends it at once, however many more pages a damaged map names.
    while (const auto candidate = nextCandidate(db, table, cursor)) {
      if (*candidate >= db.pageCount()) {
        // The file ends before a page the map names: a file cut short.
        db.noteDamage(DamageKind::kUnreadablePage, *candidate, std::nullopt, table.name);
        break;
      }
      cursor.currentDataPage = *candidate;
      if (*candidate <= 0) continue;
      PageView page = db.page(*candidate);
      if (page && RowPage(page.bytes(), db.format()).isDataPageOf(table.catalogObject.tdefPage)) {
        cursor.dataPage = std::move(page);
        return *candidate;
      }
      if (page && cursor.walkPhase == 0) {
        // A page of a known kind belongs to something else; any other is no page at all
        // (zeroed, or overwritten).
        const bool known = RowPage(page.bytes(), db.format()).hasKnownType();
        db.noteDamage(known ? DamageKind::kForeignPage : DamageKind::kUnreadablePage, *candidate,
                      std::nullopt, table.name);
      }
    }
    // A lost map, or one whose pages held fewer rows than the table declares, leaves rows on
    // pages only their owner field ties to the table.
    const bool seekOwned = table.usageMapLost || cursor.rowsFromMap < table.rowCount;
    if (cursor.walkPhase != 0 || !seekOwned) {
      cursor.dataPage = {};
      return 0;
    }
    cursor.walkPhase = 1;
  }
}

RowShape rowShape(const RowPage& page, int s, int e) {
  const auto bytes = page.bytes();
  const int width = page.format().rowFieldSize;
  RowShape shape;
  shape.columnCount = std::max(width == 2 ? u16AtMasked(bytes, s) : byteOf(bytes, s), 0);
  shape.maskSize = (shape.columnCount + 7) / 8;
  shape.maskStart = e - shape.maskSize + 1;
  shape.varCount =
      width == 2 ? u16Of(bytes, e - shape.maskSize - 1) : byteOf(bytes, e - shape.maskSize);
  // An offset table that cannot fit in the row is no offset table.
  if (shape.varCount < 0 || shape.varCount * width > e - s) shape.varCount = 0;
  return shape;
}

bool readVariableOffsets(const RowPage& page, int s, int e, const RowShape& shape,
                         std::vector<int>& offsets) {
  offsets.assign(static_cast<size_t>(shape.varCount) + 1, -1);
  if (page.format().rowFieldSize == 1)
    return readJet3Offsets(page.bytes(), s, e, shape.maskSize, shape.varCount, offsets);
  for (int i = 0; i <= shape.varCount; ++i) {
    offsets[static_cast<size_t>(i)] =
        u16AtMasked(page.bytes(), static_cast<int64_t>(e) - shape.maskSize - 3 - 2 * i);
  }
  return true;
}

int crackRow(const RowPage& page, const TableDefinition& table, RowCursor& cursor, int s, int e) {
  const int width = page.format().rowFieldSize;
  const RowShape shape = rowShape(page, s, e);
  const int n = shape.columnCount;
  const int maskSize = shape.maskSize;
  const int maskStart = shape.maskStart;
  const int varCount = shape.varCount;
  auto& offsets = cursor.variableOffsets;
  const bool haveOffsets =
      table.variableColumnSwitch != 0 && readVariableOffsets(page, s, e, shape, offsets);

  int fixedFound = 0;
  int fieldsOutside = 0;
  const auto fixedInRow = static_cast<uint32_t>(n - varCount);
  auto& slots = cursor.fieldSlots;
  slots.assign(table.columns.size(), FieldSlot{});
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    FieldSlot& slot = slots[i];
    slot.columnIndex = static_cast<int>(i);
    slot.isFixed = column.isFixed;
    slot.isNull = column.columnNumber != kNoNullBit &&
                  !bitIsSet(page.bytes(), maskStart, maskSize, column.columnNumber);
    int start = 0;
    int size = -1;
    if (column.isFixed && static_cast<uint32_t>(fixedFound) < fixedInRow) {
      start = s + width + column.fixedOffset;
      size = column.size;
      ++fixedFound;
    } else if (!column.isFixed && haveOffsets && column.variableIndex < varCount) {
      const int from = offsets[static_cast<size_t>(column.variableIndex)];
      const int to = offsets[static_cast<size_t>(column.variableIndex) + 1];
      start = s + from;
      size = from < 0 || to < 0 ? -1 : to - from;
    }
    // A field is only read where it lies inside its row. One the row holds (its offsets were
    // read) that lies elsewhere is damage; a column the row was written without is not.
    if (size < 0 || start < s || start + size - 1 > e) {
      if (start != 0 || size != -1) ++fieldsOutside;
      slot.start = 0;
      slot.size = 0;
      if (column.type != kTypeBoolean) slot.isNull = true;  // a boolean keeps its mask bit
      continue;
    }
    slot.start = start;
    slot.size = size;
  }
  return fieldsOutside;
}

int readRow(SourceDatabase& db, const TableDefinition& table, RowCursor& cursor, int r) {
  // The row count the definition declares neither stops nor limits the walk: it may be wrong.
  if (r > RowPage::kMaxRowIndex) return 0;
  const RowPage rows(cursor.dataPage.bytes(), db.format());
  const int entry = rows.entry(r);
  // A pointer slot is passed over: its moved row is read where it lies, so never twice.
  const int64_t pageNumber = cursor.dataPage.number();
  if (entry < 0) {
    db.noteDamage(DamageKind::kBadRowOffset, pageNumber, r, table.name);
    return 0;
  }
  if (RowPage::isPointerOrDeleted(entry)) return 0;
  if (RowPage::isMoved(entry) && isDeletedMovedRow(db, table, cursor, r)) return 0;
  const int start = rows.start(r);
  int size = rows.end(r) - start;
  if (size < 0 || size > kMaxRowSize) {
    db.noteDamage(DamageKind::kBadRowOffset, pageNumber, r, table.name);
    size = 0;
  }
  if (crackRow(rows, table, cursor, start, start + size - 1) > 0 && size > 0) {
    db.noteDamage(DamageKind::kFieldOutsideRow, pageNumber, r, table.name);
  }
  db.longValues().claimFor(&cursor.longValueRows, table.catalogObject.tdefPage);

  cursor.fields.resize(table.columns.size());
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    const FieldSlot& slot = cursor.fieldSlots[i];
    if (column.type == kTypeBoolean) {
      decodeField(db, rows.bytes(), slot.start, slot.size, column, slot.isNull ? 1 : 0,
                  cursor.fields[i]);
    } else if (slot.isNull) {
      decodeField(db, rows.bytes(), 0, 0, column, 0, cursor.fields[i]);
    } else {
      decodeField(db, rows.bytes(), slot.start, slot.size, column, 0, cursor.fields[i]);
    }
  }
  db.longValues().claimFor(nullptr, -1);
  return 1;
}

RowFetch fetchRow(SourceDatabase& db, const TableDefinition& table, RowCursor& cursor) {
  if (db.run() != nullptr && db.run()->stopConfirmed()) return RowFetch::kStopped;
  if (cursor.walkStarted == 0) {
    cursor.walkStarted = 1;
    cursor.longValueRows.clear();
    cursor.currentRow = 0;
    if (nextDataPage(db, table, cursor) == 0) return endOfRows(db);
  }
  for (;;) {
    const int rows = RowPage(cursor.dataPage.bytes(), db.format()).rowsToRead();
    if (cursor.currentRow >= rows) {
      cursor.currentRow = 0;
      if (nextDataPage(db, table, cursor) == 0) return endOfRows(db);
      continue;
    }
    const int ok = readRow(db, table, cursor, cursor.currentRow);
    ++cursor.currentRow;
    if (ok != 0) {
      if (cursor.walkPhase == 0) ++cursor.rowsFromMap;
      return RowFetch::kRow;
    }
  }
}

}  // namespace vantrel
