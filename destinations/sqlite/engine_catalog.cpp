#include "destinations/sqlite/engine_catalog.h"

#include "destinations/sqlite/sqlite_handle.h"
#include "jetsql/identifier_text.h"

namespace vantrel {

void EngineCatalog::create(std::string_view locale) {
  executeSql(db_, "CREATE TABLE " + quoteIdentifier(kPropertiesTable) +
                      " (property TEXT PRIMARY KEY, value TEXT);"
                      "CREATE TABLE " +
                      quoteIdentifier(kQueriesTable) +
                      " (name TEXT PRIMARY KEY COLLATE NOCASE, sql TEXT, sqlite_sql TEXT,"
                      " no_view_reason TEXT, connect TEXT);"
                      "CREATE TABLE " +
                      quoteIdentifier(kRelationsTable) +
                      " (name TEXT NOT NULL COLLATE NOCASE, primary_table TEXT NOT NULL,"
                      " foreign_table TEXT NOT NULL, attributes INTEGER NOT NULL,"
                      " enforced INTEGER NOT NULL, field_position INTEGER NOT NULL,"
                      " primary_field TEXT NOT NULL, foreign_field TEXT NOT NULL,"
                      " PRIMARY KEY (name, field_position));"
                      "CREATE TABLE " +
                      quoteIdentifier(kIndexesTable) +
                      " (table_name TEXT NOT NULL COLLATE NOCASE, index_name TEXT NOT NULL COLLATE"
                      " NOCASE, sqlite_name TEXT, primary_key INTEGER NOT NULL,"
                      " PRIMARY KEY (table_name, index_name));"
                      "CREATE TABLE " +
                      quoteIdentifier(kTablePropertiesTable) +
                      " (table_name TEXT NOT NULL COLLATE NOCASE, column_name TEXT COLLATE NOCASE,"
                      " property TEXT NOT NULL, value TEXT NOT NULL);");
  SqliteStatement insert(db_, "INSERT INTO " + quoteIdentifier(kPropertiesTable) +
                                  " (property, value) VALUES (?1, ?2)");
  insert.bindText(1, "locale").bindText(2, locale).step();
  insert.bindText(1, "created by").bindText(2, "Vantrel for Microsoft Access").step();
}

bool EngineCatalog::exists(std::string_view table, std::string_view name) const {
  SqliteStatement query(db_, "SELECT 1 FROM " + quoteIdentifier(table) + " WHERE name = ?1");
  return query.bindText(1, name).step();
}

bool EngineCatalog::hasQuery(std::string_view name) const {
  return exists(kQueriesTable, name);
}

namespace {

SqliteStatement& bindOptional(SqliteStatement& statement, int position,
                              std::optional<std::string_view> text) {
  return text ? statement.bindText(position, *text) : statement.bindNull(position);
}

std::optional<std::string> optionalColumn(const SqliteStatement& statement, int column) {
  if (sqlite3_column_type(statement.get(), column) == SQLITE_NULL) return std::nullopt;
  return statement.columnText(column);
}

// Runs a statement over the queries table with a query's name as ?1 and two texts (or
// NULLs) as ?2 and ?3.
void runOnQuery(sqlite3* db, std::string_view statement, std::string_view name,
                std::optional<std::string_view> second, std::optional<std::string_view> third) {
  SqliteStatement run(db, statement);
  run.bindText(1, name);
  bindOptional(run, 2, second);
  bindOptional(run, 3, third);
  run.step();
}

}  // namespace

void EngineCatalog::addQuery(std::string_view name, std::optional<std::string_view> sql,
                             std::optional<std::string_view> connect) {
  runOnQuery(
      db_,
      "INSERT INTO " + quoteIdentifier(kQueriesTable) + " (name, sql, connect) VALUES (?1, ?2, ?3)",
      name, sql, connect);
}

std::vector<QueryRecord> EngineCatalog::queries() const {
  SqliteStatement select(
      db_, "SELECT name, sql, connect FROM " + quoteIdentifier(kQueriesTable) + " ORDER BY rowid");
  std::vector<QueryRecord> queries;
  while (select.step()) {
    queries.push_back({select.columnText(0), optionalColumn(select, 1), optionalColumn(select, 2)});
  }
  return queries;
}

void EngineCatalog::setQueryView(std::string_view name, std::optional<std::string_view> sqliteSql,
                                 std::optional<std::string_view> noViewReason) {
  runOnQuery(db_,
             "UPDATE " + quoteIdentifier(kQueriesTable) +
                 " SET sqlite_sql = ?2, no_view_reason = ?3 WHERE name = ?1",
             name, sqliteSql, noViewReason);
}

bool EngineCatalog::hasRelation(std::string_view name) const {
  return exists(kRelationsTable, name);
}

void EngineCatalog::addRelation(const RelationRecord& relation) {
  SqliteStatement insert(db_, "INSERT INTO " + quoteIdentifier(kRelationsTable) +
                                  " (name, primary_table, foreign_table, attributes, enforced,"
                                  " field_position, primary_field, foreign_field)"
                                  " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  const bool enforced = (relation.attributes & 2) == 0;
  for (size_t i = 0; i < relation.primaryFields.size(); ++i) {
    insert.bindText(1, relation.name)
        .bindText(2, relation.primaryTable)
        .bindText(3, relation.foreignTable)
        .bindInt(4, relation.attributes)
        .bindInt(5, enforced ? 1 : 0)
        .bindInt(6, static_cast<long long>(i))
        .bindText(7, relation.primaryFields[i])
        .bindText(8, relation.foreignFields[i])
        .step();
  }
}

void EngineCatalog::addIndex(std::string_view table, std::string_view jetName,
                             std::optional<std::string_view> sqliteName) {
  SqliteStatement insert(db_, "INSERT INTO " + quoteIdentifier(kIndexesTable) +
                                  " (table_name, index_name, sqlite_name, primary_key)"
                                  " VALUES (?1, ?2, ?3, ?4)");
  insert.bindText(1, table).bindText(2, jetName);
  if (sqliteName) {
    insert.bindText(3, *sqliteName).bindInt(4, 0);
  } else {
    insert.bindNull(3).bindInt(4, 1);
  }
  insert.step();
}

void EngineCatalog::addTableProperties(const TableDescription& table) {
  // All of them or none, in one commit.
  SqliteSavepoint savepoint(db_);
  SqliteStatement insert(db_, "INSERT INTO " + quoteIdentifier(kTablePropertiesTable) +
                                  " (table_name, column_name, property, value)"
                                  " VALUES (?1, ?2, ?3, ?4)");
  for (const DescribedProperty& property : table.properties) {
    insert.bindText(1, table.name);
    if (property.column && *property.column < table.columns.size()) {
      insert.bindText(2, table.columns[*property.column].name);
    } else {
      insert.bindNull(2);
    }
    insert.bindText(3, property.name).bindText(4, property.value).step();
  }
  savepoint.release();
}

void EngineCatalog::renameSqliteIndex(std::string_view table, std::string_view jetName,
                                      std::string_view sqliteName) {
  SqliteStatement update(db_, "UPDATE " + quoteIdentifier(kIndexesTable) +
                                  " SET sqlite_name = ?3 WHERE table_name = ?1 AND"
                                  " index_name = ?2");
  update.bindText(1, table).bindText(2, jetName).bindText(3, sqliteName).step();
}

}  // namespace vantrel
