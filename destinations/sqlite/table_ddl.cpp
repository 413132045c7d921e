#include "destinations/sqlite/table_ddl.h"

#include "reader/column_types.h"

namespace vantrel {

namespace {

bool contains(const std::vector<size_t>& positions, size_t position) {
  for (const size_t p : positions) {
    if (p == position) return true;
  }
  return false;
}

}  // namespace

std::optional<JetColumnType> sqliteColumnType(const DestinationColumn& column) {
  switch (column.jetType) {
    case kTypeBoolean:
      return JetColumnType{JetType::Bit, std::nullopt};
    case kTypeByte:
      return JetColumnType{JetType::Byte, std::nullopt};
    case kTypeInteger:
      return JetColumnType{JetType::Int, std::nullopt};
    case kTypeLong:
      return JetColumnType{JetType::Long, std::nullopt};
    case kTypeBigInt:
      return JetColumnType{JetType::BigInt, std::nullopt};
    case kTypeCurrency:
      return JetColumnType{JetType::Currency, std::nullopt};
    case kTypeSingle:
      return JetColumnType{JetType::Single, std::nullopt};
    case kTypeDouble:
    case kTypeNumeric:
      return JetColumnType{JetType::Double, std::nullopt};
    case kTypeDateTime:
      return JetColumnType{JetType::Date, std::nullopt};
    case kTypeBinary:
      return JetColumnType{JetType::Binary, column.size};
    case kTypeText:
      return JetColumnType{JetType::Text, column.size};
    case kTypeOle:
      return JetColumnType{JetType::OleObject, std::nullopt};
    case kTypeMemo:
      return JetColumnType{JetType::Memo, std::nullopt};
    case kTypeGuid:
      return JetColumnType{JetType::Guid, std::nullopt};
    default:
      return std::nullopt;
  }
}

TableDdl tableDdl(const TableDescription& table) {
  TableDdl ddl;
  std::optional<AddPrimaryKeyStatement> compoundKey;
  bool created = false;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const DestinationColumn& column = table.columns[i];
    const auto type = sqliteColumnType(column);
    if (!type) continue;
    JetColumnSpec spec{column.name, *type};
    // The first column that has a type creates the table.
    if (created) {
      ddl.statements.emplace_back(AddColumnStatement{table.name, std::move(spec)});
    } else {
      ddl.statements.emplace_back(CreateTableStatement{table.name, {std::move(spec)}});
    }
    ddl.createdColumn.resize(ddl.statements.size() - 1, -1);
    ddl.createdColumn.push_back(static_cast<int>(i));
    created = true;
    if (contains(table.primaryKey, i)) {
      if (table.primaryKeyName.empty()) {
        ddl.statements.emplace_back(
            AddPrimaryKeyStatement{table.name, std::nullopt, {column.name}});
      } else if (!compoundKey) {
        compoundKey = AddPrimaryKeyStatement{table.name, table.primaryKeyName, {column.name}};
      } else {
        compoundKey->columns.push_back(column.name);
      }
    }
    for (const DestinationIndex& index : table.indexes) {
      if (index.columns.empty() || index.columns.back() != i) continue;
      CreateIndexStatement statement{index.name, table.name, {}};
      for (const size_t p : index.columns)
        statement.columns.push_back(table.columns[p].name);
      ddl.statements.emplace_back(std::move(statement));
    }
  }
  if (compoundKey) ddl.statements.emplace_back(std::move(*compoundKey));
  ddl.createdColumn.resize(ddl.statements.size(), -1);
  return ddl;
}

std::optional<CreateTableStatement> wholeTableStatement(const TableDescription& table) {
  CreateTableStatement statement{table.name, {}};
  for (const DestinationColumn& column : table.columns) {
    if (const auto type = sqliteColumnType(column))
      statement.columns.push_back({column.name, *type});
  }
  if (statement.columns.empty()) return std::nullopt;
  return statement;
}

}  // namespace vantrel
