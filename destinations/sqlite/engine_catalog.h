#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/catalog_tables.h"
#include "destinations/destination.h"

namespace vantrel {

// One saved query as the engine keeps it.
using QueryRecord = SavedQuery;

struct RelationRecord {
  std::string name;
  std::string primaryTable;
  std::string foreignTable;
  long attributes = 0;
  std::vector<std::string> primaryFields;  // pairs, in order, with foreignFields
  std::vector<std::string> foreignFields;
};

// Reads and writes the engine's tables. Every call raises a CDaoException on failure.
class EngineCatalog {
 public:
  explicit EngineCatalog(sqlite3* db) : db_(db) {}

  // Creates the tables in a new database and records the locale it was created with.
  void create(std::string_view locale);

  bool hasQuery(std::string_view name) const;
  // The SQL text as given; none stores a query that has only its name. A pass-through
  // query also keeps its connect string.
  void addQuery(std::string_view name, std::optional<std::string_view> sql,
                std::optional<std::string_view> connect = std::nullopt);
  // Every query, in the order they were added.
  std::vector<QueryRecord> queries() const;
  // What became of a query in SQLite: the SELECT of its view, or the reason it has none.
  void setQueryView(std::string_view name, std::optional<std::string_view> sqliteSql,
                    std::optional<std::string_view> noViewReason);

  bool hasRelation(std::string_view name) const;
  void addRelation(const RelationRecord& relation);

  // Jet index names belong to their table; SQLite's are global. This keeps the mapping (a
  // primary key has no SQLite name of its own: its table's constraint holds it).
  void addIndex(std::string_view table, std::string_view jetName,
                std::optional<std::string_view> sqliteName);
  // What the file's property blocks say of the table and its columns, under their names here.
  void addTableProperties(const TableDescription& table);
  void renameSqliteIndex(std::string_view table, std::string_view jetName,
                         std::string_view sqliteName);

 private:
  bool exists(std::string_view table, std::string_view name) const;

  sqlite3* db_;
};

}  // namespace vantrel
