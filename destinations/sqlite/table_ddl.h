#pragma once

#include <optional>
#include <vector>

#include "destinations/destination.h"
#include "jetsql/jet_ddl_parser.h"
#include "jetsql/jet_type.h"

namespace vantrel {

// The Jet DDL type SQLite re-creates a column with (numeric: DOUBLE, as SQLite has no exact
// decimal type); none for a column without a data type, which is left out.
std::optional<JetColumnType> sqliteColumnType(const DestinationColumn& column);

struct TableDdl {
  std::vector<JetDdlStatement> statements;  // in the order they run, each on its own
  // For each statement, the position of the column it creates, or -1.
  std::vector<int> createdColumn;
};

// The statements that re-create a table: its first column with CREATE TABLE, each further
// column with ALTER TABLE ... ADD, a single-column primary key right after its column, and a
// compound key last. A LONG AutoNumber that is the whole key is a COUNTER.
TableDdl tableDdl(const TableDescription& table);

// The one CREATE TABLE that makes every column with a type at once, so that the work grows
// with the table and not with the schema around it; none when no column has a type. The key
// is among tableDdl()'s statements that create no column.
std::optional<CreateTableStatement> wholeTableStatement(const TableDescription& table);

// A CREATE [UNIQUE] INDEX for each index of the table all of whose columns were created, in
// the table's order; made once the rows are in.
std::vector<CreateIndexStatement> indexStatements(const TableDescription& table,
                                                  const std::vector<bool>& columnCreated);

}  // namespace vantrel
