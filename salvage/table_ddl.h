#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/table_definition.h"
#include "salvage/destination.h"

namespace vantrel {

// The text that follows "[" + column name in the statements that re-create a column: "] LONG",
// "] TEXT(50)" and so on. None for a type code with no destination type of its own.
std::optional<std::string> columnTypeText(const ColumnDefinition& column, int formatVersion);

struct TableDdl {
  std::vector<std::string> statements;  // in the order they run, each on its own
  // For each statement, the position of the column it creates, or -1.
  std::vector<int> createdColumn;
  std::vector<std::string> columnsWithoutType;  // left out: no type of their own
};

// The statements that re-create a table: its first column with CREATE TABLE, each further
// column with ALTER TABLE ... ADD, a single-column primary key right after its column, a
// CREATE INDEX for each indexed column outside the key, and a compound key last.
TableDdl tableDdl(const TableDescription& table);

// The one CREATE TABLE that makes every column with a type at once, so that the work grows
// with the table and not with the schema around it; none when no column has a type. The key
// and indexes are tableDdl()'s statements that create no column.
std::optional<std::string> wholeTableStatement(const TableDescription& table);
TableDdl tableDdl(const TableDefinition& table, std::string_view tableName, int formatVersion);

}  // namespace vantrel
