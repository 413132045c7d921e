#include "salvage/table_ddl.h"

#include "salvage/identifier_text.h"

namespace vantrel {

namespace {

std::string typeText(const JetColumnType& type) {
  std::string text = "] " + std::string(jetTypeName(type.type));
  if (type.size) text += "(" + std::to_string(*type.size) + ")";
  return text;
}

// A name as it stands between the brackets of a statement.
std::string insideBrackets(std::string_view name) {
  const std::string bracketed = bracketedName(name);
  return bracketed.substr(1, bracketed.size() - 2);
}

bool contains(const std::vector<size_t>& positions, size_t position) {
  for (const size_t p : positions) {
    if (p == position) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> columnTypeText(const ColumnDefinition& column, int formatVersion) {
  const auto type = destinationColumnType(column, formatVersion);
  if (!type) return std::nullopt;
  return typeText(*type);
}

TableDdl tableDdl(const TableDefinition& table, std::string_view tableName, int formatVersion) {
  return tableDdl(describeTable(table, tableName, formatVersion));
}

TableDdl tableDdl(const TableDescription& table) {
  TableDdl ddl;
  const std::string t = insideBrackets(table.name);
  const bool namedKey = !table.primaryKeyName.empty();
  std::string pendingKey;
  bool created = false;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const DestinationColumn& column = table.columns[i];
    const std::string c = insideBrackets(column.name);
    if (!column.type) {
      ddl.columnsWithoutType.push_back(column.name);
      continue;
    }
    const std::string type = typeText(*column.type);
    // The first column that has a type creates the table.
    ddl.statements.push_back(created ? "ALTER TABLE [" + t + "] ADD [" + c + type + ";"
                                     : "CREATE TABLE [" + t + "]([" + c + type + ");");
    ddl.createdColumn.resize(ddl.statements.size() - 1, -1);
    ddl.createdColumn.push_back(static_cast<int>(i));
    created = true;
    if (contains(table.primaryKey, i)) {
      if (!namedKey) {
        ddl.statements.push_back("ALTER TABLE [" + t + "] ADD PRIMARY KEY ([" + c + "]);");
      } else if (pendingKey.empty()) {
        pendingKey = "ALTER TABLE [" + t + "] ADD Constraint [" +
                     insideBrackets(table.primaryKeyName) + "] PRIMARY KEY ([" + c + "], [";
      } else {
        pendingKey += c + "], [";
      }
    }
    for (const DestinationIndex& index : table.indexes) {
      if (index.columns.empty() || index.columns.back() != i) continue;
      std::string columns;
      for (const size_t p : index.columns) {
        columns += (columns.empty() ? "[" : ", [") + insideBrackets(table.columns[p].name) + "]";
      }
      ddl.statements.push_back("CREATE INDEX " + index.name + " ON [" + t + "](" + columns + ")");
    }
  }
  if (!pendingKey.empty()) {
    pendingKey.resize(pendingKey.size() - 3);  // the trailing ", ["
    ddl.statements.push_back(pendingKey + ");");
  }
  ddl.createdColumn.resize(ddl.statements.size(), -1);
  return ddl;
}

std::optional<std::string> wholeTableStatement(const TableDescription& table) {
  std::string columns;
  for (const DestinationColumn& column : table.columns) {
    if (!column.type) continue;
    columns +=
        (columns.empty() ? "[" : ", [") + insideBrackets(column.name) + typeText(*column.type);
  }
  if (columns.empty()) return std::nullopt;
  return "CREATE TABLE [" + insideBrackets(table.name) + "](" + columns + ");";
}

}  // namespace vantrel
