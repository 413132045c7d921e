// The PostgreSQL destination's relations, saved queries and views.

#include <algorithm>

#include "destinations/catalog_tables.h"
#include "destinations/postgres/postgres_database.h"
#include "jetsql/identifier_text.h"
#include "jetsql/jet_sql_check.h"
#include "jetsql/jet_sql_error.h"

namespace vantrel {

namespace {

// How long a new view may run to show that it works; a view still running then is kept.
constexpr std::string_view kViewCheckTimeout = "5s";
constexpr std::string_view kQueryCanceled = "57014";

std::string bracketed(std::string_view name) {
  return "[" + std::string(name) + "]";
}

// The column of a made table that a relation's field names, without regard to ASCII case.
const std::string& madeColumn(const std::vector<std::string>& columns, std::string_view table,
                              std::string_view field) {
  const auto found = std::find_if(columns.begin(), columns.end(), [&](const std::string& column) {
    return equalsIgnoringAsciiCase(column, field);
  });
  if (found == columns.end()) {
    throw DestinationError("no field " + bracketed(field) + " in table " + bracketed(table));
  }
  return *found;
}

}  // namespace

void PostgresDatabase::checkRelation(std::string_view name, const MadeTable& primary,
                                     const MadeTable& foreign,
                                     std::span<const RelationFieldPair> fields,
                                     bool enforced) const {
  if (fields.empty()) throw DestinationError("relation " + bracketed(name) + " has no fields");
  for (const auto& pair : fields) {
    if (pair.primaryField.empty() || pair.foreignField.empty()) {
      throw DestinationError("relation " + bracketed(name) +
                             " has unequal numbers of primary and foreign fields");
    }
    madeColumn(primary.columns, primary.name, pair.primaryField);
    madeColumn(foreign.columns, foreign.name, pair.foreignField);
  }
  if (!enforced) return;
  const bool onPrimaryKey =
      primary.primaryKey.size() == fields.size() &&
      std::all_of(primary.primaryKey.begin(), primary.primaryKey.end(), [&](const auto& key) {
        return std::any_of(fields.begin(), fields.end(), [&](const auto& pair) {
          return equalsIgnoringAsciiCase(pair.primaryField, key);
        });
      });
  if (!onPrimaryKey) {
    throw DestinationError("relation " + bracketed(name) +
                           " cannot be enforced: its fields are not the primary key of table " +
                           bracketed(primary.name));
  }
  // A foreign row with a null in any of its fields is not bound by the relation.
  const PostgresConnection& db = connection();
  std::string notNull;
  std::string matches;
  for (const auto& pair : fields) {
    const std::string foreignColumn =
        "f." + db.quoteIdentifier(madeColumn(foreign.columns, foreign.name, pair.foreignField));
    notNull += foreignColumn + " IS NOT NULL AND ";
    if (!matches.empty()) matches += " AND ";
    matches += "p." +
               db.quoteIdentifier(madeColumn(primary.columns, primary.name, pair.primaryField)) +
               " = " + foreignColumn;
  }
  const auto count =
      db.queryValue("SELECT count(*) FROM " + db.quoteIdentifier(foreign.name) + " AS f WHERE " +
                    notNull + "NOT EXISTS (SELECT 1 FROM " + db.quoteIdentifier(primary.name) +
                    " AS p WHERE " + matches + ")");
  if (count && *count != "0") {
    throw DestinationError("relation " + bracketed(name) + " cannot be enforced: " + *count +
                           " rows of table " + bracketed(foreign.name) +
                           " have no matching row in table " + bracketed(primary.name));
  }
}

void PostgresDatabase::createRelation(std::string_view name, std::string_view primarySource,
                                      std::string_view foreignSource, long attributes,
                                      std::span<const RelationFieldPair> sourceFields) {
  const std::string primaryTable = names().tableName(primarySource);
  const std::string foreignTable = names().tableName(foreignSource);
  const std::vector<RelationFieldPair> fields =
      heldFields(primarySource, foreignSource, sourceFields);
  completeTable();
  const PostgresConnection& db = connection();
  if (name.empty()) throw DestinationError("a relation needs a name");
  // Between tables the user kept from an earlier run, the relation stays as that run left it.
  if (keptTables_.contains(foldAsciiCase(primaryTable)) ||
      keptTables_.contains(foldAsciiCase(foreignTable))) {
    throw KeptExisting("relation " + bracketed(name) + " is between tables that are kept");
  }
  const bool taken = std::any_of(relations_.begin(), relations_.end(), [&](const auto& made) {
    return equalsIgnoringAsciiCase(made, name);
  });
  if (taken || db.queryValue("SELECT 1 FROM " + db.quoteIdentifier(kRelationsTable) +
                                 " WHERE lower(name) = lower($1)",
                             {std::string(name)})) {
    throw DestinationError("relation " + bracketed(name) + " already exists");
  }
  const MadeTable* primary = findTable(primaryTable);
  const MadeTable* foreign = findTable(foreignTable);
  if (primary == nullptr) throw DestinationError("no table " + bracketed(primaryTable));
  if (foreign == nullptr) throw DestinationError("no table " + bracketed(foreignTable));
  const bool enforced = (attributes & kRelationDontEnforce) == 0;

  inTransaction([&] {
    checkRelation(name, *primary, *foreign, fields, enforced);
    std::string primaryColumns;
    std::string foreignColumns;
    long position = 0;
    for (const auto& pair : fields) {
      const std::string& primaryField =
          madeColumn(primary->columns, primary->name, pair.primaryField);
      const std::string& foreignField =
          madeColumn(foreign->columns, foreign->name, pair.foreignField);
      db.query("INSERT INTO " + db.quoteIdentifier(kRelationsTable) +
                   " (name, primary_table, foreign_table, attributes, enforced, field_position,"
                   " primary_field, foreign_field) VALUES ($1, $2, $3, $4, $5, $6, $7, $8)",
               {std::string(name), primary->name, foreign->name, std::to_string(attributes),
                enforced ? "1" : "0", std::to_string(position++), primaryField, foreignField});
      if (!primaryColumns.empty()) primaryColumns += ", ";
      if (!foreignColumns.empty()) foreignColumns += ", ";
      primaryColumns += db.quoteIdentifier(primaryField);
      foreignColumns += db.quoteIdentifier(foreignField);
    }
    if (enforced) {
      db.execute("ALTER TABLE " + db.quoteIdentifier(foreign->name) + " ADD CONSTRAINT " +
                 db.quoteIdentifier(name) + " FOREIGN KEY (" + foreignColumns + ") REFERENCES " +
                 db.quoteIdentifier(primary->name) + " (" + primaryColumns + ")" +
                 ((attributes & kRelationUpdateCascade) != 0 ? " ON UPDATE CASCADE" : "") +
                 ((attributes & kRelationDeleteCascade) != 0 ? " ON DELETE CASCADE" : ""));
    }
  });
  relations_.emplace_back(name);
}

std::string PostgresDatabase::viewName(std::string_view query) {
  std::string why;
  return heldName(query, postgresNameRules(), false, why);
}

void PostgresDatabase::saveQuery(const SavedQuery& query) {
  completeTable();
  const PostgresConnection& db = connection();
  if (query.name.empty()) throw DestinationError("a query needs a name");
  const std::string name = bracketed(query.name);
  const bool taken = std::any_of(queries_.begin(), queries_.end(), [&](const SavedQuery& saved) {
    return equalsIgnoringAsciiCase(saved.name, query.name);
  });
  if (taken) throw DestinationError("query " + name + " already exists");
  if (saving_.runNames &&
      saving_.runNames->taken(saving_.runNames->queries, foldAsciiCase(query.name), false)) {
    throw DestinationError("query " + name + " was saved from another file of this run");
  }
  if (query.sql && !query.connect) {
    try {
      checkJetSqlText(*query.sql);
    } catch (const JetSqlError& error) {
      throw DestinationError(error.what());
    }
  }
  const std::string queries = db.quoteIdentifier(kQueriesTable);
  const auto earlier =
      db.queryValue("SELECT name FROM " + queries + " WHERE lower(name) = lower($1)", {query.name});
  if (earlier && !replaces("query " + name)) {
    throw KeptExisting("query " + name + " already exists in the schema and is kept");
  }
  inTransaction([&] {
    if (earlier) {
      db.execute("DROP VIEW IF EXISTS " + db.quoteIdentifier(viewName(*earlier)) + " CASCADE");
      db.query("DELETE FROM " + queries + " WHERE name = $1", {*earlier});
    }
    db.query("INSERT INTO " + queries + " (name, sql, connect) VALUES ($1, $2, $3)",
             {query.name, query.sql, query.connect});
  });
  queries_.push_back(query);
  if (saving_.runNames)
    saving_.runNames->taken(saving_.runNames->queries, foldAsciiCase(query.name), true);
}

void PostgresDatabase::createView(std::string_view name, std::string_view select) {
  completeTable();
  const PostgresConnection& db = connection();
  const bool saved = std::any_of(queries_.begin(), queries_.end(),
                                 [&](const SavedQuery& query) { return query.name == name; });
  if (!saved) throw DestinationError("no saved query " + bracketed(name));
  const std::string view = db.quoteIdentifier(viewName(name));
  inTransaction([&] {
    db.execute("SET LOCAL statement_timeout = '" + std::string(kViewCheckTimeout) + "'");
    db.execute("CREATE VIEW " + view + " AS " + std::string(select));
    // The view runs to its end (or until its time is up) without sending its rows.
    db.execute("SAVEPOINT run_view; DECLARE view_rows NO SCROLL CURSOR FOR SELECT * FROM " + view);
    const PgResult moved(PQexec(db.get(), "MOVE FORWARD ALL IN view_rows"));
    if (PQresultStatus(moved.get()) != PGRES_COMMAND_OK) {
      if (sqlState(moved.get()) != kQueryCanceled) {
        const char* message = PQresultErrorField(moved.get(), PG_DIAG_MESSAGE_PRIMARY);
        throw DestinationError(message != nullptr ? message : db.lastError());
      }
      db.execute("ROLLBACK TO SAVEPOINT run_view");
    } else {
      db.execute("CLOSE view_rows; RELEASE SAVEPOINT run_view");
    }
    db.execute("SET LOCAL statement_timeout = 0");
    db.query("UPDATE " + db.quoteIdentifier(kQueriesTable) +
                 " SET sqlite_sql = $2, no_view_reason = NULL WHERE name = $1",
             {std::string(name), std::string(select)});
  });
}

void PostgresDatabase::setNoViewReason(std::string_view name, std::string_view reason) {
  completeTable();
  connection().query("UPDATE " + connection().quoteIdentifier(kQueriesTable) +
                         " SET sqlite_sql = NULL, no_view_reason = $2 WHERE name = $1",
                     {std::string(name), std::string(reason)});
}

std::vector<std::pair<std::string, std::string>> PostgresDatabase::selectTextPairs(
    std::string_view select, size_t maxRows) const {
  const PostgresConnection& db = connection();
  const PgResult result = db.query("SELECT * FROM (" + std::string(select) + ") AS pairs LIMIT " +
                                   std::to_string(maxRows));
  if (PQnfields(result.get()) != 2)
    throw DestinationError("a statement of two columns was expected");
  std::vector<std::pair<std::string, std::string>> rows;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    rows.emplace_back(PQgetvalue(result.get(), row, 0), PQgetvalue(result.get(), row, 1));
  }
  return rows;
}

}  // namespace vantrel
