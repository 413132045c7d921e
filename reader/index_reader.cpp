#include "reader/index_reader.h"

namespace vantrel {

namespace {

constexpr int kUnusedKeySlot = 0xFFFF;
// Access allows 32 indexes a table; anything far beyond is a damaged count.
constexpr int64_t kMaxIndexes = 1000;

// A key's order byte: this bit set is ascending.
constexpr int kAscendingKey = 0x01;

struct IndexLayout {
  int realEntrySize;
  int realKeysOffset;  // where the ten key slots start in a real entry
  int flagsGap;        // bytes between the first index page and the flags byte
  int logicalEntrySize;
  int logicalNumberOffset;
  int logicalTypeOffset;
};

constexpr IndexLayout kJet4Index{52, 4, 4, 28, 8, 23};
constexpr IndexLayout kJet3Index{39, 0, 0, 20, 4, 19};

int readU32Spanning(TdefCursor& cursor, int64_t& out) {
  uint8_t bytes[4] = {};
  if (!cursor.read(bytes)) return -1;
  out = static_cast<int64_t>(bytes[0]) | static_cast<int64_t>(bytes[1]) << 8 |
        static_cast<int64_t>(bytes[2]) << 16 | static_cast<int64_t>(bytes[3]) << 24;
  return 0;
}

// Reads the ten key slots and the rest of a real index entry for one logical index.
void readKeys(SourceDatabase& db, const IndexLayout& layout, int64_t sectionPage, int64_t position,
              IndexDefinition& index) {
  TdefCursor cursor(db, sectionPage, position);
  for (int slot = 0; slot < kMaxIndexKeys; ++slot) {
    const int column = cursor.readU16();
    const int order = cursor.readByte();
    if (column < 0 || order < 0) return;
    if (column == kUnusedKeySlot) continue;
    index.keyColumnNumbers[static_cast<size_t>(index.keyCount)] = column + 1;
    index.keyOrders[static_cast<size_t>(index.keyCount)] = (order & kAscendingKey) != 0 ? 1 : 0;
    ++index.keyCount;
  }
  cursor.skip(4);
  if (readU32Spanning(cursor, index.firstIndexPage) < 0) return;
  cursor.skip(layout.flagsGap);
  index.flags = std::max(cursor.readByte(), 0);
}

}  // namespace

void readIndexes(SourceDatabase& db, TableDefinition& table) {
  table.indexes.clear();
  const IndexLayout& layout = db.isJet4() ? kJet4Index : kJet3Index;
  const int64_t indexCount = std::min(table.indexCount, kMaxIndexes);
  const int64_t realCount = std::min(table.realIndexCount, kMaxIndexes);
  if (indexCount <= 0 || realCount < 0) return;
  // The section lies on the page where the column names ended; its key entries are read
  // there too (the section of a definition that spans pages is not on its first page).
  const int64_t sectionPage = table.indexSectionPage;
  const int64_t section = table.indexSectionPosition;

  TdefCursor cursor(db, sectionPage, section + realCount * layout.realEntrySize);
  std::vector<uint8_t> entry(static_cast<size_t>(layout.logicalEntrySize));
  for (int64_t i = 0; i < indexCount && cursor.read(entry); ++i) {
    IndexDefinition index;
    index.indexNumber = u16Of(entry, layout.logicalNumberOffset);
    index.indexType = entry[static_cast<size_t>(layout.logicalTypeOffset)];
    table.indexes.push_back(std::move(index));
  }

  for (IndexDefinition& index : table.indexes) {
    const int length = readNameLength(db.format(), cursor);
    // An absurd name length ends the reading: no index gets its keys.
    if (length < 0) return;
    std::vector<uint8_t> name(static_cast<size_t>(length));
    if (!cursor.read(name)) return;
    index.name = truncateUtf8(db.decodeText(name), kMaxColumnNameLength);
  }

  for (IndexDefinition& index : table.indexes) {
    if (index.indexType == kIndexTypeRelationship) continue;
    const int64_t position = section +
                             static_cast<int64_t>(index.indexNumber) * layout.realEntrySize +
                             layout.realKeysOffset;
    readKeys(db, layout, sectionPage, position, index);
  }
}

void markKeyColumns(TableDefinition& table, const IndexDefinition& index) {
  if (index.indexType != kIndexTypePrimaryKey && index.indexType != kIndexTypeOrdinary) return;
  if (index.indexType == kIndexTypeOrdinary && index.keyCount == 0) return;
  const size_t columnCount =
      std::min(table.columns.size(), static_cast<size_t>(std::max(table.columnCount, 0)));
  for (int k = 0; k < index.keyCount; ++k) {
    ColumnDefinition* found = nullptr;
    for (size_t c = 0; c < columnCount && !found; ++c) {
      if (table.columns[c].columnNumber + 1 == index.keyColumnNumbers[static_cast<size_t>(k)]) {
        found = &table.columns[c];
      }
    }
    if (!found) return;
    found->isIndexed = 1;
    if (index.indexType == kIndexTypePrimaryKey) {
      found->isPrimaryKey = 1;
      ++table.primaryKeyColumnCount;
    }
  }
}

}  // namespace vantrel
