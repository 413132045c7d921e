#pragma once

#include <cstdint>

// The writer keeps its own knowledge of the file format, apart from the reader's, so that
// files it writes can check the reader.
namespace vantrel::mdbwriter {

enum class JetVersion { kJet3 = 0, kJet4 = 1 };

// Page and definition layout of one Jet version. Offsets are byte offsets within a page, or
// within one entry of a table definition.
struct JetFormat {
  JetVersion version;
  int pageSize;
  int rowCountOffset;  // pages holding rows: u16 row count, then one u16 offset per row

  // Table definition (tdef) header.
  int tdefRowCountOffset;
  int tdefAutoNumberOffset;
  int tdefTableTypeOffset;
  int tdefMaxColumnsOffset;
  int tdefVarColumnsOffset;
  int tdefColumnCountOffset;
  int tdefIndexCountOffset;
  int tdefRealIndexCountOffset;
  int tdefUsageMapOffset;
  int tdefFreeMapOffset;
  int tdefHeaderSize;  // the per-real-index row counts start here
  int indexRowCountEntrySize;

  // One column entry.
  int columnEntrySize;
  int columnNumberOffset;
  int columnVarIndexOffset;
  int columnRowNumberOffset;
  int columnSortOrderOffset;
  int columnPrecisionOffset;  // numeric: precision, then scale
  int columnCodePageOffset;   // Jet 3 only (-1): the code page of the column's text
  int columnFlagsOffset;
  int columnFixedOffsetOffset;
  int columnSizeOffset;

  int realIndexEntrySize;
  int logicalIndexEntrySize;
  int nameLengthSize;  // column and index names: u16 length (Jet 4) or one byte (Jet 3)

  int usageMapRowSize;        // every usage-map row: type byte and 68 or 132 bytes
  int longValueChunkRowSize;  // a long-value row that fills a page by itself
  int leafEntriesOffset;      // index leaf pages: where the entries would start

  bool isJet4() const { return version == JetVersion::kJet4; }
  int rowsStart() const { return rowCountOffset + 2; }
  // Pages one bitmap page of a page-list usage map covers.
  int64_t pagesPerBitmapPage() const { return int64_t{pageSize - 4} * 8; }
  // Pages an inline usage-map row covers.
  int64_t pagesPerInlineMap() const { return int64_t{usageMapRowSize - 5} * 8; }
  // Bitmap pages a page-list usage-map row can name.
  int bitmapPagesPerMap() const { return (usageMapRowSize - 1) / 4; }
};

inline constexpr JetFormat kJet4Format{
    .version = JetVersion::kJet4,
    .pageSize = 4096,
    .rowCountOffset = 12,
    .tdefRowCountOffset = 16,
    .tdefAutoNumberOffset = 20,
    .tdefTableTypeOffset = 40,
    .tdefMaxColumnsOffset = 41,
    .tdefVarColumnsOffset = 43,
    .tdefColumnCountOffset = 45,
    .tdefIndexCountOffset = 47,
    .tdefRealIndexCountOffset = 51,
    .tdefUsageMapOffset = 55,
    .tdefFreeMapOffset = 59,
    .tdefHeaderSize = 63,
    .indexRowCountEntrySize = 12,
    .columnEntrySize = 25,
    .columnNumberOffset = 5,
    .columnVarIndexOffset = 7,
    .columnRowNumberOffset = 9,
    .columnSortOrderOffset = 11,
    .columnPrecisionOffset = 11,
    .columnCodePageOffset = -1,
    .columnFlagsOffset = 15,
    .columnFixedOffsetOffset = 21,
    .columnSizeOffset = 23,
    .realIndexEntrySize = 52,
    .logicalIndexEntrySize = 28,
    .nameLengthSize = 2,
    .usageMapRowSize = 69,
    .longValueChunkRowSize = 4076,
    .leafEntriesOffset = 0x1E0,
};

inline constexpr JetFormat kJet3Format{
    .version = JetVersion::kJet3,
    .pageSize = 2048,
    .rowCountOffset = 8,
    .tdefRowCountOffset = 12,
    .tdefAutoNumberOffset = 16,
    .tdefTableTypeOffset = 20,
    .tdefMaxColumnsOffset = 21,
    .tdefVarColumnsOffset = 23,
    .tdefColumnCountOffset = 25,
    .tdefIndexCountOffset = 27,
    .tdefRealIndexCountOffset = 31,
    .tdefUsageMapOffset = 35,
    .tdefFreeMapOffset = 39,
    .tdefHeaderSize = 43,
    .indexRowCountEntrySize = 8,
    .columnEntrySize = 18,
    .columnNumberOffset = 1,
    .columnVarIndexOffset = 3,
    .columnRowNumberOffset = 5,
    .columnSortOrderOffset = 9,
    .columnPrecisionOffset = 11,
    .columnCodePageOffset = 11,
    .columnFlagsOffset = 13,
    .columnFixedOffsetOffset = 14,
    .columnSizeOffset = 16,
    .realIndexEntrySize = 39,
    .logicalIndexEntrySize = 20,
    .nameLengthSize = 1,
    .usageMapRowSize = 133,
    .longValueChunkRowSize = 2036,
    .leafEntriesOffset = 0xF8,
};

inline const JetFormat& formatFor(JetVersion version) {
  return version == JetVersion::kJet4 ? kJet4Format : kJet3Format;
}

// Page type bytes.
inline constexpr uint8_t kDataPage = 1;
inline constexpr uint8_t kDefinitionPage = 2;
inline constexpr uint8_t kLeafIndexPage = 4;
inline constexpr uint8_t kBitmapPage = 5;

// Rows of one page are addressed by one byte (row number in a page-and-row pointer).
inline constexpr int kMaxRowsPerPage = 255;

// Page-and-row pointers ("pg_row"): the row number in the low byte, the page above it.
inline uint32_t pageRow(int64_t page, int row) {
  return static_cast<uint32_t>(page << 8) | static_cast<uint32_t>(row & 0xFF);
}

}  // namespace vantrel::mdbwriter
