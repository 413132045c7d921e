#include "destinations/destination.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "jetsql/identifier_text.h"
#include "reader/column_types.h"
#include "run/display_text.h"

namespace vantrel {

std::string_view destinationFaultText(DestinationFault fault) {
  switch (fault) {
    case DestinationFault::kNone:
      break;
    case DestinationFault::kDiskFull:
      return "the destination disk is full";
    case DestinationFault::kWriteFailed:
      return "the destination cannot be written";
    case DestinationFault::kReadOnly:
      return "the destination became read-only";
    case DestinationFault::kConnectionLost:
      return "the connection to the destination server was lost";
  }
  return "the destination refused it";
}

bool DestinationColumn::hasDataType() const {
  switch (jetType) {
    case kTypeBoolean:
    case kTypeByte:
    case kTypeInteger:
    case kTypeLong:
    case kTypeBigInt:
    case kTypeCurrency:
    case kTypeSingle:
    case kTypeDouble:
    case kTypeNumeric:
    case kTypeDateTime:
    case kTypeBinary:
    case kTypeText:
    case kTypeOle:
    case kTypeMemo:
    case kTypeGuid:
      return true;
    default:
      return false;
  }
}

std::vector<std::string> TableDescription::columnsWithoutType() const {
  std::vector<std::string> names;
  for (const DestinationColumn& column : columns) {
    if (!column.hasDataType()) names.push_back(column.name);
  }
  return names;
}

bool TableCreation::tableCreated() const {
  for (const bool created : columnCreated) {
    if (created) return true;
  }
  return false;
}

namespace {

// The column position a key names (its column number + 1); none when no column with a data
// type has it.
std::optional<size_t> keyPosition(const TableDefinition& table, const TableDescription& description,
                                  int keyColumnNumber) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].columnNumber + 1 != keyColumnNumber) continue;
    if (!description.columns[i].hasDataType()) return std::nullopt;
    return i;
  }
  return std::nullopt;
}

// A name for the index that no other index of the table and not its key holds (case aside).
std::string freeIndexName(const std::string& name, size_t position,
                          const std::set<std::string>& taken) {
  const std::string base = name.empty() ? "Index" + std::to_string(position + 1) : name;
  std::string candidate = base;
  for (int n = 2; taken.contains(foldAsciiCase(candidate)); ++n)
    candidate = base + "_" + std::to_string(n);
  return candidate;
}

void describeIndexes(const TableDefinition& table, TableDescription& description) {
  // The key's own names: the single column's key is "PrimaryKey" in the destination.
  std::set<std::string> taken{foldAsciiCase(kPrimaryKeyIndexName)};
  if (!description.primaryKeyName.empty()) taken.insert(foldAsciiCase(description.primaryKeyName));
  for (size_t i = 0; i < table.indexes.size(); ++i) {
    const IndexDefinition& definition = table.indexes[i];
    if (definition.indexType != kIndexTypeOrdinary || definition.keyCount <= 0) continue;
    DestinationIndex index;
    const auto keys = static_cast<size_t>(std::min(definition.keyCount, kMaxIndexKeys));
    for (size_t k = 0; k < keys; ++k) {
      const auto position = keyPosition(table, description, definition.keyColumnNumbers[k]);
      if (!position || std::ranges::find(index.columns, *position) != index.columns.end()) {
        index.columns.clear();
        break;
      }
      index.columns.push_back(*position);
      index.descending.push_back(definition.keyOrders[k] != 1);
    }
    if (index.columns.empty()) continue;
    index.unique = (definition.flags & kIndexUniqueFlag) != 0;
    index.name = freeIndexName(definition.name, i, taken);
    taken.insert(foldAsciiCase(index.name));
    description.indexes.push_back(std::move(index));
  }
}

// Access 2007's complex columns hold a 32-bit key into their values' hidden table, and its
// extended dates the same values as a date/time, finer: each is saved as that type.
int destinationType(int jetType) {
  switch (jetType) {
    case kTypeComplex:
      return kTypeLong;
    case kTypeDateTimeExtended:
      return kTypeDateTime;
    default:
      return jetType;
  }
}

}  // namespace

std::string notUniqueNote(std::string_view index, std::string_view table, int64_t duplicates) {
  return "Not re-created as unique: index [" + std::string(index) + "] of [" + std::string(table) +
         "]: " + countedText(duplicates, "duplicate value", "duplicate values");
}

std::string notRequiredNote(std::string_view column, std::string_view table, int64_t nulls) {
  return "Not re-created as required: column [" + std::string(column) + "] of [" +
         std::string(table) + "]: " + countedText(nulls, "null value", "null values");
}

std::string nullCountsSelect(std::string_view quotedTable,
                             std::span<const std::string> quotedColumns) {
  std::string counts;
  for (const std::string& column : quotedColumns)
    counts += (counts.empty() ? "" : " || ' ' || ") + ("(count(*) - count(" + column + "))");
  return "SELECT " + counts + ", '' FROM " + std::string(quotedTable);
}

std::optional<std::vector<int64_t>> nullCounts(std::string_view counted, size_t columns) {
  std::vector<int64_t> counts;
  const char* at = counted.data();
  const char* const end = counted.data() + counted.size();
  while (counts.size() < columns) {
    if (!counts.empty() && (at == end || *at++ != ' ')) return std::nullopt;
    int64_t count = 0;
    const auto [next, error] = std::from_chars(at, end, count);
    if (error != std::errc()) return std::nullopt;
    counts.push_back(count);
    at = next;
  }
  if (at != end) return std::nullopt;
  return counts;
}

std::string duplicateKeysSelect(std::string_view quotedTable,
                                std::span<const std::string> quotedColumns) {
  std::string keys;
  std::string present;
  for (const std::string& column : quotedColumns) {
    keys += (keys.empty() ? "" : ", ") + column;
    present += (present.empty() ? "" : " AND ") + column + " IS NOT NULL";
  }
  return "SELECT coalesce(sum(n - 1), 0), '' FROM (SELECT count(*) AS n FROM " +
         std::string(quotedTable) + " WHERE " + present + " GROUP BY " + keys +
         " HAVING count(*) > 1) AS duplicated";
}

TableDescription describeTable(const TableDefinition& table, std::string_view name,
                               int formatVersion) {
  TableDescription description;
  description.name = name;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    DestinationColumn& out = description.columns.emplace_back();
    out.name = column.name;
    out.jetType = destinationType(column.type);
    // A calculated long text is declared a text of no length.
    if (column.isCalculated && column.type == kTypeText && column.size == 0)
      out.jetType = kTypeMemo;
    // Jet 4 sizes count the bytes of UTF-16 text.
    out.size = column.type == kTypeText && formatVersion == 1 ? column.size / 2 : column.size;
    out.precision = column.precision;
    out.scale = column.scale;
    out.autoNumber = column.isAutoNumber;
    if (out.hasDataType() && column.isIndexed == 1 && column.isPrimaryKey == 1)
      description.primaryKey.push_back(i);
  }
  if (table.primaryKeyColumnCount > 1 && !description.primaryKey.empty()) {
    description.primaryKeyName = "PK_" + description.name;
  }
  describeIndexes(table, description);
  return description;
}

std::vector<RelationFieldPair> Destination::heldFields(
    std::string_view primaryTable, std::string_view foreignTable,
    std::span<const RelationFieldPair> fields) const {
  std::vector<RelationFieldPair> held;
  held.reserve(fields.size());
  for (const RelationFieldPair& pair : fields) {
    held.push_back({names_.columnName(primaryTable, pair.primaryField),
                    names_.columnName(foreignTable, pair.foreignField)});
  }
  return held;
}

}  // namespace vantrel
