// CDaoDatabase as a Destination: the salvage's tables, rows, relations and queries through the
// engine's own calls.
#include "salvage/dao_database.h"
#include "salvage/dao_query_def.h"
#include "salvage/engine_catalog.h"
#include "salvage/identifier_text.h"
#include "salvage/recordset_row_sink.h"
#include "salvage/table_ddl.h"

namespace vantrel {
namespace {

class SqliteDestinationFactory : public DestinationFactory {
 public:
  std::unique_ptr<Destination> create(const std::filesystem::path& file) const override {
    auto database = std::make_unique<CDaoDatabase>();
    database->Create(file);
    return database;
  }
};

}  // namespace

NameRules sqliteNameRules() {
  return {.destination = "SQLite",
          .maxBytes = 0,
          .reservedTablePrefixes = {"sqlite_", std::string(kEngineCatalogPrefix)},
          .reservedColumnNames = {}};
}

const DestinationFactory& sqliteDestinations() {
  static const SqliteDestinationFactory factory;
  return factory;
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
      Execute(*whole);
      wholeTable = true;
      for (size_t i = 0; i < table.columns.size(); ++i)
        creation.columnCreated[i] = table.columns[i].type.has_value();
    } catch (const CDaoException&) {
      wholeTable = false;
    }
  }
  for (size_t s = 0; s < ddl.statements.size(); ++s) {
    const std::string& statement = ddl.statements[s];
    if (wholeTable && ddl.createdColumn[s] >= 0) continue;
    // The first statement creates the table. When it is refused (a table of the name exists
    // already), the others would change that other table: they are not run.
    if (s > 0 && !creation.tableCreated()) {
      creation.refused.push_back(statement + " (table " + bracketedName(table.name) +
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
      creation.refused.push_back(statement + " (" + error.what() + ")");
    }
  }
  return creation;
}

std::unique_ptr<RowSink> CDaoDatabase::openRows(const TableDescription& table,
                                                const TableCreation& creation) {
  return recordsetRowSink(*this, table, creation);
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
