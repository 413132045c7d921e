#pragma once

#include <sqlite3.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/sqlite/engine_catalog.h"
#include "jetsql/jet_ddl_parser.h"
#include "jetsql/jet_type.h"

namespace vantrel {

struct SchemaColumn {
  std::string name;
  JetColumnType type;
  std::optional<JetDefault> defaultValue;
  bool notNull = false;  // besides a key's columns, which are never null
};

struct SchemaIndex {
  std::string jetName;     // unique within its table
  std::string sqliteName;  // unique within the database
  std::vector<std::string> columns;
  bool unique = false;
  std::vector<bool> descending;  // per column; a missing entry is ascending
};

struct SchemaForeignKey {
  std::string name;  // the relation's name
  std::string primaryTable;
  std::vector<std::string> primaryColumns;
  std::vector<std::string> foreignColumns;
  bool updateCascade = false;
  bool deleteCascade = false;
};

struct SchemaTable {
  std::string name;
  std::vector<SchemaColumn> columns;
  std::string primaryKeyName;  // empty while the table has no primary key
  std::vector<std::string> primaryKey;
  std::vector<SchemaIndex> indexes;
  std::vector<SchemaForeignKey> foreignKeys;

  const SchemaColumn* findColumn(std::string_view column) const;
  // The column; raises when the table has none of that name.
  const SchemaColumn& column(std::string_view column) const;
  // Whether the name is taken among the table's indexes (its primary key included).
  bool hasIndexName(std::string_view index) const;
  // The CREATE TABLE statement for the whole table under `sqliteName`.
  std::string createStatement(std::string_view sqliteName) const;
};

// The tables of one destination database as the engine made them. The engine only writes
// databases it created, so this model is complete; it is what the DDL, the recordsets and the
// relations check names and types against. Each change runs in a savepoint and reaches the
// model only when SQLite took it.
class DestinationSchema {
 public:
  DestinationSchema(sqlite3* db, EngineCatalog& catalog) : db_(db), catalog_(&catalog) {}

  void run(const JetDdlStatement& statement);

  const SchemaTable* findTable(std::string_view table) const;

  // Makes the columns NOT NULL, rebuilding the table; the caller has seen that no row holds a
  // null in them.
  void requireColumns(std::string_view table, const std::vector<std::string>& columns);

  // Adds a foreign key to its table, rebuilding the table; the caller has checked the key.
  // `alongside` runs in the same change: when it raises, the key is not added.
  void addForeignKey(std::string_view foreignTable, SchemaForeignKey key,
                     const std::function<void()>& alongside);

 private:
  void createTable(const CreateTableStatement& statement);
  void addColumn(const AddColumnStatement& statement);
  void addPrimaryKey(const AddPrimaryKeyStatement& statement);
  void createIndex(const CreateIndexStatement& statement);

  SchemaTable& table(std::string_view name);
  // SQLite has no ALTER TABLE for keys: the table is made again under its name with its rows.
  void rebuild(const SchemaTable& changed);
  std::string unusedObjectName(const std::string& base) const;
  // Table and index names share SQLite's one name space; an index that holds a name a new
  // table needs moves to another name. The caller undoes the move in the model when its
  // savepoint rolls back.
  struct MovedIndex {
    SchemaIndex* index;
    std::string formerName;
  };
  std::optional<MovedIndex> vacateObjectName(std::string_view name);

  sqlite3* db_;
  EngineCatalog* catalog_;
  std::map<std::string, SchemaTable> tables_;  // by name in folded case
};

}  // namespace vantrel
