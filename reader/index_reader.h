#pragma once

#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// Reads the index section that follows the column names into table.indexes: each logical
// index with its number, type and name, and the key columns of the real index it uses. Call
// after readColumns, which notes where the section starts.
void readIndexes(SourceDatabase& db, TableDefinition& table);

// Marks the columns an index names: a primary key (type 1) marks its columns as key and
// indexed and counts them in table.primaryKeyColumnCount; an ordinary index (type 0) marks
// them indexed; other types mark nothing. A key naming no column ends that index's marking.
void markKeyColumns(TableDefinition& table, const IndexDefinition& index);

}  // namespace vantrel
