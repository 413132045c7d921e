#pragma once

#include <cstdint>
#include <span>

#include "reader/jet_format.h"

namespace vantrel {

// A page that holds rows (data, long-value and usage-map rows alike), read through its row
// offset table: a u16 row count, then one u16 entry per row. An entry holds where the row
// starts and two flag bits; rows lie from the end of the page downwards, so a row ends where
// the row before it starts. Every position is checked against the page: a field outside it
// reads as -1.
class RowPage {
 public:
  static constexpr int kOffsetMask = 0x1FFF;
  // A row that grew is moved: its slot keeps a 4-byte pointer (row, page) flagged 0x4000, and
  // the moved row is flagged 0x8000. A deleted row carries both flags, a deleted pointer slot
  // too (keeping its pointer bytes).
  static constexpr int kPointerOrDeleted = 0x4000;
  static constexpr int kMovedRow = 0x8000;
  static constexpr int kDeletedPointer = kPointerOrDeleted | kMovedRow;
  static constexpr int kPointerSize = 4;
  // Rows beyond this index are damage: a page has room for far fewer.
  static constexpr int kMaxRowIndex = 1000;

  RowPage(std::span<const uint8_t> bytes, const JetFormat& format)
      : bytes_(bytes), format_(&format) {}

  std::span<const uint8_t> bytes() const { return bytes_; }
  const JetFormat& format() const { return *format_; }
  int size() const { return static_cast<int>(bytes_.size()); }

  // The page type byte and the owner (the table's definition page) of a data page.
  int pageType() const;
  int64_t owner() const;
  bool isLongValuePage() const;
  // Whether the type byte names a kind of page the format has (data, definition, index, usage
  // bitmap, released): a zeroed or overwritten page has none.
  bool hasKnownType() const;  // "LVAL" where a data page names its owner
  // A data page (type 1, not long values) whose owner is `tdefPage`.
  bool isDataPageOf(int64_t tdefPage) const;

  // The row count as stored (-1 when unreadable), and bounded to the rows a walk reads.
  int storedRowCount() const;
  int rowsToRead() const;

  // Row r's offset entry with its flags, or -1.
  int entry(int r) const;
  // Where row r starts (flags dropped), or -1.
  int start(int r) const;
  // Just past row r's last byte: the page end for row 0, else where row r - 1 starts (0x1FFF
  // when that entry cannot be read). Not bounded by the page: callers clip it.
  int end(int r) const;

  static bool isPointerOrDeleted(int entry) { return (entry & kPointerOrDeleted) != 0; }
  static bool isMoved(int entry) { return (entry & kMovedRow) != 0; }
  static bool isDeletedPointer(int entry) { return (entry & kDeletedPointer) == kDeletedPointer; }

 private:
  std::span<const uint8_t> bytes_;
  const JetFormat* format_;
};

}  // namespace vantrel
