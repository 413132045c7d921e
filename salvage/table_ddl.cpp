#include "salvage/table_ddl.h"

#include "reader/column_types.h"
#include "salvage/identifier_text.h"

namespace vantrel {

std::optional<std::string> columnTypeText(const ColumnDefinition& column, int formatVersion) {
  switch (column.type) {
    case kTypeBoolean:
      return "] BIT";
    case kTypeByte:
      return "] BYTE";
    case kTypeInteger:
      return "] INT";
    case kTypeLong:
      return "] LONG";
    case kTypeCurrency:
      return "] CURRENCY";
    case kTypeSingle:
      return "] SINGLE";
    case kTypeDouble:
      return "] DOUBLE";
    case kTypeDateTime:
      return "] DATE";
    case kTypeBinary:
      return "] BINARY(" + std::to_string(column.size) + ")";
    case kTypeText: {
      // Jet 4 sizes count the bytes of UTF-16 text.
      const int length = formatVersion == 1 ? column.size / 2 : column.size;
      return "] TEXT(" + std::to_string(length) + ")";
    }
    case kTypeOle:
      return "] OLEOBJECT";
    case kTypeMemo:
      return "] MEMO";
    case kTypeGuid:
      return "] GUID";
    case kTypeNumeric:
      return "] DOUBLE";
    default:
      return std::nullopt;
  }
}

namespace {

// A name as it stands between the brackets of a statement.
std::string insideBrackets(std::string_view name) {
  const std::string bracketed = bracketedName(name);
  return bracketed.substr(1, bracketed.size() - 2);
}

}  // namespace

TableDdl tableDdl(const TableDefinition& table, std::string_view tableName, int formatVersion) {
  TableDdl ddl;
  const std::string t = insideBrackets(tableName);
  const bool compoundKey = table.primaryKeyColumnCount > 1;
  std::string pendingKey;
  bool created = false;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    const std::string c = insideBrackets(column.name);
    const auto type = columnTypeText(column, formatVersion);
    if (!type) {
      ddl.columnsWithoutType.push_back(column.name);
      continue;
    }
    // The first column that has a type creates the table.
    ddl.statements.push_back(created ? "ALTER TABLE [" + t + "] ADD [" + c + *type + ";"
                                     : "CREATE TABLE [" + t + "]([" + c + *type + ");");
    ddl.createdColumn.resize(ddl.statements.size() - 1, -1);
    ddl.createdColumn.push_back(static_cast<int>(i));
    created = true;
    if (column.isPrimaryKey == 1 && column.isIndexed == 1) {
      if (!compoundKey) {
        ddl.statements.push_back("ALTER TABLE [" + t + "] ADD PRIMARY KEY ([" + c + "]);");
      } else if (pendingKey.empty()) {
        pendingKey =
            "ALTER TABLE [" + t + "] ADD Constraint [PK_" + t + "] PRIMARY KEY ([" + c + "], [";
      } else {
        pendingKey += c + "], [";
      }
    } else if (column.isPrimaryKey == 0 && column.isIndexed == 1) {
      ddl.statements.push_back("CREATE INDEX MyIndex" + std::to_string(i) + " ON [" + t + "]([" +
                               c + "])");
    }
  }
  if (compoundKey && !pendingKey.empty()) {
    pendingKey.resize(pendingKey.size() - 3);  // the trailing ", ["
    ddl.statements.push_back(pendingKey + ");");
  }
  ddl.createdColumn.resize(ddl.statements.size(), -1);
  return ddl;
}

}  // namespace vantrel
