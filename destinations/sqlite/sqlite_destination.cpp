// CDaoDatabase as a Destination: the salvage's tables, rows, relations and queries through the
// engine's own calls; and the SQLite files of a run, one per source file in the run's folder.
#include "destinations/sqlite/sqlite_destination.h"

#include "destinations/sqlite/dao_database.h"
#include "destinations/sqlite/dao_query_def.h"
#include "destinations/sqlite/engine_catalog.h"
#include "destinations/sqlite/recordset_row_sink.h"
#include "destinations/sqlite/sqlite_handle.h"
#include "destinations/sqlite/table_ddl.h"
#include "destinations/sqlite/table_indexes.h"
#include "jetsql/identifier_text.h"
#include "jetsql/jet_ddl_text.h"

namespace vantrel {
namespace {

class SqliteFiles : public DestinationKind {
 public:
  explicit SqliteFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}

  DestinationCapabilities capabilities() const override {
    return {.takesViews = true, .viewDialect = ViewDialect::SQLite, .filePerSource = true};
  }
  std::string runLocation(std::string_view run) const override { return (folder_ / run).string(); }
  std::string location(const DestinationPlace& place) const override {
    return file(place).string();
  }
  std::unique_ptr<Destination> create(const DestinationPlace& place) const override {
    std::error_code ignored;  // a folder that cannot be made fails the file's creation
    std::filesystem::create_directories(folder_ / place.run, ignored);
    auto database = std::make_unique<CDaoDatabase>();
    database->Create(file(place));
    return database;
  }
  bool exists(const DestinationPlace& place) const override {
    std::error_code error;
    return std::filesystem::exists(file(place), error);
  }
  void remove(const DestinationPlace& place) const override {
    std::error_code ignored;
    std::filesystem::remove(file(place), ignored);
  }
  void endRun(std::string_view run) const override {
    std::error_code ignored;  // a folder that holds anything stays
    std::filesystem::remove(folder_ / run, ignored);
  }
  std::vector<SavedTable> savedTables(const std::string& location) const override {
    return sqliteSavedTables(location);
  }

 private:
  std::filesystem::path file(const DestinationPlace& place) const {
    return folder_ / place.run / (place.name + ".sqlite");
  }

  std::filesystem::path folder_;
};

}  // namespace

void registerSqliteDestination(DestinationRegistry& registry) {
  // Any address that no other kind takes is a folder.
  registry.add(
      "sqlite", [](std::string_view) { return true; },
      [](std::string_view address,
         const DestinationOptions&) -> Expected<std::unique_ptr<DestinationKind>, std::string> {
        return std::unique_ptr<DestinationKind>(
            std::make_unique<SqliteFiles>(std::filesystem::path(address)));
      });
}

std::vector<SavedTable> sqliteSavedTables(const std::filesystem::path& path) {
  std::vector<SavedTable> tables;
  sqlite3* raw = nullptr;
  const int opened =
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  SqliteConnection db(raw);
  if (opened != SQLITE_OK) return tables;
  try {
    SqliteStatement names(db.get(),
                          "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                          "LIKE 'sqlite\\_%' ESCAPE '\\' AND name NOT LIKE 'MSysVantrel%' "
                          "ORDER BY rowid");
    while (names.step())
      tables.push_back({names.columnText(0), 0});
    for (SavedTable& table : tables) {
      SqliteStatement count(db.get(), "SELECT count(*) FROM " + quoteIdentifier(table.name));
      if (count.step()) table.rows = count.columnInt(0);
    }
  } catch (const CDaoException&) {
    // A destination that cannot be read back reports what was counted before.
  }
  return tables;
}

NameRules sqliteNameRules() {
  return {.destination = "SQLite",
          .maxBytes = 0,
          .reservedTablePrefixes = {"sqlite_", std::string(kEngineCatalogPrefix)},
          .reservedColumnNames = {}};
}

TableCreation CDaoDatabase::createTable(const TableDescription& table) {
  TableCreation creation;
  creation.columnCreated.assign(table.columns.size(), false);
  const TableDdl ddl = tableDdl(table);
  // All columns in one statement where the engine takes it: a column added on its own makes
  // SQLite read the whole schema again. When it is refused, each column is tried on its own,
  // so that one refused column costs only itself.
  bool wholeTable = false;
  if (const auto whole = wholeTableStatement(table)) {
    try {
      Execute(JetDdlStatement(*whole));
      wholeTable = true;
      for (size_t i = 0; i < table.columns.size(); ++i)
        creation.columnCreated[i] = sqliteColumnType(table.columns[i]).has_value();
    } catch (const CDaoException&) {
      wholeTable = false;
    }
  }
  for (size_t s = 0; s < ddl.statements.size(); ++s) {
    const JetDdlStatement& statement = ddl.statements[s];
    if (wholeTable && ddl.createdColumn[s] >= 0) continue;
    // The first statement creates the table. When it is refused (a table of the name exists
    // already), the others would change that other table: they are not run.
    if (s > 0 && !creation.tableCreated()) {
      creation.refused.push_back(jetDdlText(statement) + " (table " + bracketedName(table.name) +
                                 " was not created)");
      continue;
    }
    try {
      Execute(statement);
      if (ddl.createdColumn[s] >= 0) {
        creation.columnCreated[static_cast<size_t>(ddl.createdColumn[s])] = true;
      }
    } catch (const CDaoException& error) {
      // A destination that can take nothing more ends the table here, and its file.
      if (error.endsDestination()) throw;
      creation.refused.push_back(jetDdlText(statement) + " (" + error.what() + ")");
    }
  }
  if (creation.tableCreated() && !table.properties.empty()) {
    try {
      catalog().addTableProperties(table);
    } catch (const CDaoException& error) {
      if (error.endsDestination()) throw;
      creation.refused.push_back("the properties of table " + bracketedName(table.name) + " (" +
                                 error.what() + ")");
    }
  }
  return creation;
}

std::unique_ptr<RowSink> CDaoDatabase::openRows(const TableDescription& table,
                                                const TableCreation& creation) {
  return indexingRowSink(*this, table, creation, recordsetRowSink(*this, table, creation));
}

void CDaoDatabase::createRelation(std::string_view name, std::string_view primaryTable,
                                  std::string_view foreignTable, long attributes,
                                  std::span<const RelationFieldPair> fields) {
  CreateRelation(name, names().tableName(primaryTable), names().tableName(foreignTable), attributes,
                 heldFields(primaryTable, foreignTable, fields));
}

void CDaoDatabase::saveQuery(const SavedQuery& query) {
  CDaoQueryDef definition(*this);
  if (query.connect) {
    // A pass-through query's text is the server's SQL, which Jet does not read.
    definition.Create(query.name);
    definition.SetConnect(*query.connect);
    if (query.sql) definition.SetSQL(*query.sql);
  } else if (query.sql) {
    definition.Create(query.name, *query.sql);
  } else {
    definition.Create(query.name);
  }
  definition.Append();
}

std::vector<SavedQuery> CDaoDatabase::savedQueries() const {
  return QueryDefs();
}

void CDaoDatabase::createView(std::string_view name, std::string_view select) {
  CreateView(name, select);
}

void CDaoDatabase::setNoViewReason(std::string_view name, std::string_view reason) {
  SetNoViewReason(name, reason);
}

std::vector<std::pair<std::string, std::string>> CDaoDatabase::selectTextPairs(
    std::string_view select, size_t maxRows) const {
  return SelectTextPairs(select, maxRows);
}

bool CDaoDatabase::holdsNothing() const {
  return HoldsNothing();
}

void CDaoDatabase::close() {
  Close();
}

}  // namespace vantrel
