#include "reader/table_definition.h"

#include <algorithm>

#include "reader/catalog_rows.h"
#include "reader/column_types.h"
#include "reader/object_properties.h"
#include "reader/row_page.h"

namespace vantrel {

namespace {

constexpr int kNextTdefPageOffset = 4;
constexpr int kContinuationDataOffset = 8;
constexpr int kFreeSpaceOffset = 8;
constexpr int kMaxMapBytes = 4095;
constexpr int kMaxDefinitionPosition = 4095;
constexpr int kCatalogTdefPage = 2;
constexpr int kCatalogCheckMaxType = 20;

// Copies the row `r` of a map page into `out`. The row's bounds come from the page's offset
// table; false when they do not describe bytes inside the page. A flagged entry is no map row.
bool copyMapRow(const RowPage& page, int r, std::vector<uint8_t>& out) {
  const int start = page.entry(r);
  if (start < 0 || start > kMaxMapBytes) return false;
  const int end = std::min({page.end(r), kMaxMapBytes + 1, page.size()});
  const int size = end - start;
  if (size <= 0 || size > kMaxMapBytes) return false;
  const auto bytes = page.bytes();
  out.assign(bytes.begin() + start, bytes.begin() + start + size);
  return true;
}

// Reads the usage map row that the definition page names.
bool readUsageMap(SourceDatabase& db, std::span<const uint8_t> tdef, TableDefinition& table) {
  const int offset = db.format().tdefUsageMapOffset;
  const int row = byteOf(tdef, offset);
  const int page = u24Of(tdef, offset + 1);
  if (row < 0 || page < 0) return false;
  const PageView map = db.page(page);
  if (!map) return false;
  std::vector<uint8_t> bytes;
  if (!copyMapRow(RowPage(map.bytes(), db.format()), row, bytes)) return false;
  table.usageMap = UsageMap(std::move(bytes), db.pageSize());
  return true;
}

// The free-space map is not used, but a definition whose map row is absurd is rejected.
bool checkFreeSpaceMap(SourceDatabase& db, std::span<const uint8_t> tdef) {
  const int offset = db.format().tdefFreeMapOffset;
  const int row = byteOf(tdef, offset);
  const int page = u24Of(tdef, offset + 1);
  const PageView map = row >= 0 && page >= 0 ? db.page(page) : PageView();
  // An unreadable map page is no reason to reject the table; an absurd row start is.
  return !map || RowPage(map.bytes(), db.format()).entry(row) <= kMaxMapBytes;
}

// Bits of a column entry's flags byte.
constexpr uint8_t kColumnFixedFlag = 0x01;
constexpr uint8_t kColumnAutoLongFlag = 0x04;
constexpr uint8_t kColumnAutoGuidFlag = 0x40;

ColumnDefinition parseColumnEntry(const JetFormat& format, std::span<const uint8_t> entry) {
  ColumnDefinition column;
  column.type = entry[0];
  column.columnNumber = entry[static_cast<size_t>(format.columnNumberOffset)];
  column.variableIndex = u16Of(entry, format.columnVarIndexOffset);
  column.rowColumnNumber = u16Of(entry, format.columnRowNumberOffset);
  const uint8_t flags = entry[static_cast<size_t>(format.columnFixedFlagOffset)];
  column.isFixed = (flags & kColumnFixedFlag) != 0;
  column.isAutoNumber = (flags & (kColumnAutoLongFlag | kColumnAutoGuidFlag)) != 0;
  column.fixedOffset = u16Of(entry, format.columnFixedOffsetOffset);
  column.size = column.type == kTypeBoolean ? 0 : u16Of(entry, format.columnSizeOffset);
  constexpr size_t kFlagsAt = 15;
  constexpr size_t kExtendedFlagsAt = 16;
  constexpr uint8_t kHyperlinkFlag = 0x80;
  constexpr uint8_t kCalculatedFlags = 0xC0;
  if (format.isJet4()) {
    column.isHyperlink = column.type == kTypeMemo && (entry[kFlagsAt] & kHyperlinkFlag) != 0;
    column.isCalculated = (entry[kExtendedFlagsAt] & kCalculatedFlags) == kCalculatedFlags;
  }
  if (column.type == kTypeNumeric) {
    column.precision = entry[11];
    column.scale = entry[12];
  }
  return column;
}

// The catalog's own definition is rejected when an entry is plainly not a column entry.
bool failsCatalogCheck(const SourceDatabase& db, const TdefCursor& cursor,
                       const ColumnDefinition& column) {
  return cursor.pageNumber() == kCatalogTdefPage && column.fixedOffset > db.pageSize() &&
         column.type > kCatalogCheckMaxType;
}

// Reads one column name at the cursor; none when the name cannot be read (a Jet 4 length
// above 512, or a definition chain that ended).
std::optional<std::string> readColumnName(SourceDatabase& db, TdefCursor& cursor) {
  const int length = readNameLength(db.format(), cursor);
  if (length < 0) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (!cursor.read(bytes)) return std::nullopt;
  return truncateUtf8(db.decodeName(bytes), kMaxColumnNameLength);
}

}  // namespace

TdefCursor::TdefCursor(SourceDatabase& db, int64_t page, int64_t pos)
    : db_(db), page_(db.page(page)), pos_(pos) {
  exhausted_ = !page_;
  visited_.insert(page);
  settle();
}

bool TdefCursor::settle() {
  const int64_t pageSize = db_.pageSize();
  while (!exhausted_ && pos_ >= pageSize) {
    const int64_t next = u32Of(page_.bytes(), kNextTdefPageOffset);
    PageView following = next <= 0 || visited_.contains(next) ? PageView() : db_.page(next);
    if (!following) {
      exhausted_ = true;
      break;
    }
    page_ = std::move(following);
    visited_.insert(next);
    pos_ = pos_ - pageSize + kContinuationDataOffset;
  }
  return !exhausted_;
}

bool TdefCursor::read(std::span<uint8_t> out) {
  size_t done = 0;
  while (done < out.size()) {
    if (!settle() || pos_ < 0) {
      std::fill(out.begin() + static_cast<std::ptrdiff_t>(done), out.end(), uint8_t{0});
      exhausted_ = true;
      return false;
    }
    const auto available = static_cast<size_t>(db_.pageSize() - pos_);
    const size_t take = std::min(available, out.size() - done);
    const auto page = page_.bytes();
    std::copy_n(page.begin() + pos_, take, out.begin() + static_cast<std::ptrdiff_t>(done));
    done += take;
    pos_ += static_cast<int64_t>(take);
  }
  settle();
  return true;
}

int TdefCursor::readByte() {
  uint8_t byte = 0;
  return read(std::span(&byte, 1)) ? byte : -1;
}

int TdefCursor::readU16() {
  uint8_t bytes[2] = {};
  return read(bytes) ? bytes[0] | bytes[1] << 8 : -1;
}

namespace {

// A calculated column's definition declares a type its results need not have; the table's
// properties hold the result's own type and the expression.
void readCalculatedColumns(SourceDatabase& db, TableDefinition& table) {
  if (table.catalogObject.tdefPage <= kLastSystemTdefPage ||
      std::ranges::none_of(table.columns, &ColumnDefinition::isCalculated)) {
    return;
  }
  const auto properties = tableProperties(db, table.catalogObject.tdefPage);
  if (!properties) return;
  for (ColumnDefinition& column : table.columns) {
    const PropertyGroup* group = column.isCalculated ? properties->column(column.name) : nullptr;
    if (group == nullptr) continue;
    if (const StoredProperty* type = group->find("ResultType");
        type != nullptr && type->value.value.kind == SavedValue::Kind::Integer) {
      column.calculatedResultType = static_cast<int>(type->value.value.integer);
    }
    column.calculatedExpression = textProperty(*group, "Expression").value_or("");
  }
}

}  // namespace

std::optional<OpenedTable> openTable(SourceDatabase& db, const CatalogObject& object,
                                     OpenTableOptions options) {
  auto table = readTableDefinition(db, object);
  if (!table) return std::nullopt;
  readColumns(db, *table);
  if (table->columns.empty() && !options.keepWithoutColumns) return std::nullopt;
  readCalculatedColumns(db, *table);
  return OpenedTable{.definition = std::move(*table), .cursor = {}};
}

int readNameLength(const JetFormat& format, TdefCursor& cursor) {
  const int length = format.nameLengthSize == 2 ? cursor.readU16() : cursor.readByte();
  return length > format.maxNameBytes ? -1 : length;
}

void TdefCursor::skip(int64_t n) {
  pos_ += n;
  settle();
}

std::optional<TableDefinition> readTableDefinition(SourceDatabase& db,
                                                   const CatalogObject& object) {
  TableDefinition table;
  table.catalogObject = object;
  table.name = object.name;
  const PageView page = db.page(object.tdefPage);
  if (!page) return std::nullopt;
  const auto tdef = page.bytes();
  table.indexSectionPage = object.tdefPage;

  const JetFormat& format = db.format();
  // Jet 4 keeps the definition's length here. A definition longer than a page is normal
  // when a continuation page follows; without one the length is implausible.
  const int freeSpace = u16Of(tdef, kFreeSpaceOffset);
  const bool continues = u32Of(tdef, kNextTdefPageOffset) > 0;
  if (db.isJet4() && (freeSpace <= 0 || (freeSpace > 4096 && !continues))) return std::nullopt;

  table.rowCount = u32Of(tdef, format.tdefRowCountOffset);
  table.columnCount = u16Of(tdef, format.tdefColumnCountOffset);
  table.variableColumnSwitch = table.columnCount;
  table.indexCount = u32Of(tdef, format.tdefIndexCountOffset);
  table.realIndexCount = u32Of(tdef, format.tdefRealIndexCountOffset);
  table.firstDataPage = u16Of(tdef, format.tdefFirstDataPageOffset);

  table.usageMapLost = !readUsageMap(db, tdef, table);
  if (!checkFreeSpaceMap(db, tdef)) return std::nullopt;
  return table;
}

void readColumns(SourceDatabase& db, TableDefinition& table) {
  const JetFormat& format = db.format();
  const int64_t start =
      format.tdefColumnsStartOffset + table.realIndexCount * format.realIndexEntrySize;
  if (table.realIndexCount < 0 || start > kMaxDefinitionPosition) return;

  TdefCursor cursor(db, table.catalogObject.tdefPage, start);
  std::vector<ColumnDefinition> columns;
  std::vector<uint8_t> entry(static_cast<size_t>(format.columnEntrySize));
  for (int i = 0; i < table.columnCount; ++i) {
    if (!cursor.read(entry)) break;
    ColumnDefinition column = parseColumnEntry(format, entry);
    if (failsCatalogCheck(db, cursor, column)) return;
    columns.push_back(std::move(column));
  }
  // A definition chain that ended early keeps the columns it described whole.
  if (static_cast<int>(columns.size()) < table.columnCount) {
    table.columnCount = static_cast<int>(columns.size());
  }

  bool namesFailed = false;
  for (ColumnDefinition& column : columns) {
    std::optional<std::string> name;
    if (!namesFailed) name = readColumnName(db, cursor);
    if (!name) {
      namesFailed = true;
      column.name = kRepairedFieldName;
      continue;
    }
    column.name = std::move(*name);
  }
  table.columns = std::move(columns);
  table.columnNamesLost = namesFailed;

  table.indexSectionPosition = static_cast<int>(cursor.pos());
  table.indexSectionPage = cursor.pageNumber();
  if (namesFailed || cursor.pos() < 0 || cursor.pos() > kMaxDefinitionPosition) {
    table.indexCount = 0;
    table.realIndexCount = 0;
  }
}

}  // namespace vantrel
