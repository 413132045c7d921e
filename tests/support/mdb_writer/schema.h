#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/mdb_writer/values.h"

namespace vantrel::mdbwriter {

// Where the values of a memo or OLE column go.
enum class LongValueStorage {
  kAutomatic,   // in the row when short, one long-value row when it fits a page, else a chain
  kInRow,       // in the row (fails when the row would not fit its page)
  kSinglePage,  // one row of a long-value page (fails when the value does not fit one)
  kChain,       // rows chained over long-value pages, even for a short value
};

// Which kind of usage map lists a table's data pages.
enum class UsageMapKind {
  kAutomatic,  // inline bitmap when the pages fit one, else a page list
  kInline,     // type 0: a bitmap in the map row (fails when the pages do not fit)
  kPageList,   // type 1: the map row lists bitmap pages
};

struct ColumnSpec {
  std::string name;  // UTF-8
  ColumnType type = ColumnType::kLong;
  // Text: characters (0 gives 255); binary: bytes (0 gives 255, Jet 4 allows up to 510).
  // Other types have their fixed size.
  int size = 0;
  int precision = 18;  // numeric
  int scale = 0;       // numeric
  // Jet 4 text and memo: store values in the compressed form where it can hold them
  // (memo values up to 1024 characters, as Access does); else UTF-16.
  bool compressedText = false;
  LongValueStorage longValues = LongValueStorage::kAutomatic;
  bool autoNumber = false;  // long integer: the table counts on from its largest value
  // A dropped column: it keeps its number and its place in the rows (values are still
  // written), but the definition no longer lists it.
  bool deleted = false;
};

struct IndexColumn {
  std::string column;
  bool descending = false;
};

enum class IndexKind { kNormal, kPrimaryKey, kForeignKey };

struct IndexSpec {
  std::string name;
  std::vector<IndexColumn> columns;  // 1 to 10
  IndexKind kind = IndexKind::kNormal;
  bool unique = false;  // a primary key is always unique and required
  bool ignoreNulls = false;
  bool required = false;
  // Foreign keys: the table on the other side of the relationship.
  std::string referencedTable;
};

// One row: a value per column of the table, deleted columns included, in column order.
struct Row {
  std::vector<Value> values;
  bool deleted = false;  // written with the row's deleted flag
  // Written as Access leaves a row that grew: the row on its page flagged 0x8000, and its
  // first slot, on the next data page, a 4-byte pointer to it flagged 0x4000 (0xC000 when
  // deleted).
  bool moved = false;
};

// Fills the next row and returns true, or returns false at the end. Rows are pulled one at a
// time, so a generator can stand for millions of rows.
using RowSource = std::function<bool(Row&)>;

// A source over rows held in memory.
RowSource rowsOf(std::vector<Row> rows);

struct TableSpec {
  std::string name;  // UTF-8
  std::vector<ColumnSpec> columns;
  std::vector<IndexSpec> indexes;
  RowSource rows;  // none: the table is empty
  UsageMapKind usageMap = UsageMapKind::kAutomatic;
};

// One row of the query catalog. Unset texts and flags are nulls; an unset order is numbered
// per attribute (1, 2, ...) as Access does.
struct QueryRow {
  int attribute = 0;
  std::optional<int> flag;
  std::optional<std::string> expression;
  std::optional<std::string> name1;
  std::optional<std::string> name2;
  std::optional<Bytes> order;
};

struct SavedQuery {
  std::string name;
  std::vector<QueryRow> rows;
  int64_t objectFlags = 0;  // the catalog's Flags for the query (its kind, see query_builder.h)
};

// A relationship: one row of the relations table per column pair.
struct RelationSpec {
  std::string name;
  std::string table;  // the foreign (many) side
  std::vector<std::string> columns;
  std::string referencedTable;  // the primary (one) side
  std::vector<std::string> referencedColumns;
  int64_t flags = 0;  // grbit
};

struct DatabaseSpec {
  JetVersion version = JetVersion::kJet4;
  // 2 and up: a Jet 4 file written as Access 2007 and later (.accdb) files are, of that
  // version byte (2 Access 2007, 3 Access 2010...).
  int aceVersion = 0;
  int codePage = 1252;  // Jet 3 text is stored in it
  DateTime created = dateTime(2024, 1, 15, 9, 30, 0);
  std::vector<TableSpec> tables;
  std::vector<SavedQuery> queries;
  std::vector<RelationSpec> relations;
};

}  // namespace vantrel::mdbwriter
