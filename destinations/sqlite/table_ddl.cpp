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

// The column's type in the table: a LONG AutoNumber that is the whole key numbers new rows.
std::optional<JetColumnType> tableColumnType(const TableDescription& table, size_t position) {
  const DestinationColumn& column = table.columns[position];
  auto type = sqliteColumnType(column);
  if (type && type->type == JetType::Long && column.autoNumber && table.primaryKeyName.empty() &&
      table.primaryKey.size() == 1 && table.primaryKey.front() == position) {
    type->type = JetType::Counter;
  }
  return type;
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
    const auto type = tableColumnType(table, i);
    if (!type) continue;
    JetColumnSpec spec{column.name, *type, column.defaultValue};
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
  }
  if (compoundKey) ddl.statements.emplace_back(std::move(*compoundKey));
  ddl.createdColumn.resize(ddl.statements.size(), -1);
  return ddl;
}

std::optional<CreateTableStatement> wholeTableStatement(const TableDescription& table) {
  CreateTableStatement statement{table.name, {}};
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (const auto type = tableColumnType(table, i))
      statement.columns.push_back({table.columns[i].name, *type, table.columns[i].defaultValue});
  }
  if (statement.columns.empty()) return std::nullopt;
  return statement;
}

std::vector<CreateIndexStatement> indexStatements(const TableDescription& table,
                                                  const std::vector<bool>& columnCreated) {
  std::vector<CreateIndexStatement> statements;
  for (const DestinationIndex& index : table.indexes) {
    CreateIndexStatement statement{index.name, table.name, {}, index.unique, {}};
    for (size_t k = 0; k < index.columns.size(); ++k) {
      const size_t position = index.columns[k];
      if (position >= columnCreated.size() || !columnCreated[position]) {
        statement.columns.clear();
        break;
      }
      statement.columns.push_back(table.columns[position].name);
      statement.descending.push_back(index.isDescending(k));
    }
    if (!statement.columns.empty()) statements.push_back(std::move(statement));
  }
  return statements;
}

}  // namespace vantrel
