#include "destinations/destination.h"

#include "reader/column_types.h"

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
    if (!out.hasDataType() || column.isIndexed != 1) continue;
    if (column.isPrimaryKey == 1) {
      description.primaryKey.push_back(i);
    } else if (column.isPrimaryKey == 0) {
      description.indexes.push_back({"MyIndex" + std::to_string(i), {i}});
    }
  }
  if (table.primaryKeyColumnCount > 1 && !description.primaryKey.empty()) {
    description.primaryKeyName = "PK_" + description.name;
  }
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
