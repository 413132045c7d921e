#include "destinations/sqlite/dao_database.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include "destinations/sqlite/dao_recordset.h"
#include "destinations/sqlite/destination_schema.h"
#include "destinations/sqlite/engine_catalog.h"
#include "jetsql/identifier_text.h"
#include "jetsql/jet_ddl_parser.h"
#include "jetsql/jet_ddl_text.h"
#include "jetsql/jet_sql_error.h"

namespace vantrel {
namespace {

std::string bracketed(std::string_view name) {
  return "[" + std::string(name) + "]";
}

// Creates the file itself so that an existing one is never taken over.
void createEmptyFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
    return;
  }
  int error = errno;
  if (error == EEXIST) throw CDaoException("a file already exists at " + path.string());
  if (error == ENOENT) {
    // The folder is missing because it could not be made: the first folder that exists up
    // the path says why (a read-only mount, no permission).
    std::error_code ignored;
    std::filesystem::path folder = path.parent_path();
    for (int up = 0; up < 256 && !folder.empty() && !std::filesystem::exists(folder, ignored);
         ++up) {
      if (folder == folder.parent_path()) break;
      folder = folder.parent_path();
    }
    if (!folder.empty() && ::access(folder.c_str(), W_OK) != 0 && errno != ENOENT) error = errno;
  }
  throw CDaoException("cannot create " + path.string() + ": " +
                      std::error_code(error, std::generic_category()).message());
}

// Writes the file's data and its folder entry to the disk: a destination is reported saved
// only once a crash can no longer take it back.
void syncToDisk(const std::filesystem::path& path) {
  for (const std::filesystem::path& target : {path, path.parent_path()}) {
    if (target.empty()) continue;
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;  // nothing of ours to sync (a folder we may not open)
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;  // EINVAL: cannot be synced at all
    const int error = errno;
    ::close(fd);
    if (!synced) {
      throw CDaoException(
          "cannot write " + target.string() +
              " to the disk: " + std::error_code(error, std::generic_category()).message(),
          error == ENOSPC ? DestinationFault::kDiskFull : DestinationFault::kWriteFailed);
    }
  }
}

}  // namespace

CDaoDatabase::CDaoDatabase() : Destination(sqliteNameRules()) {}

CDaoDatabase::~CDaoDatabase() {
  try {
    Close();
  } catch (const CDaoException&) {
    // Nothing to report to from a destructor; Close() raises for callers who want to know.
  }
}

void CDaoDatabase::Create(const std::filesystem::path& path, std::string_view locale) {
  if (IsOpen()) throw CDaoException("the database object is already open on " + path_.string());
  createEmptyFile(path);
  sqlite3* db = nullptr;
  const int opened =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  SqliteConnection connection(db);
  try {
    if (opened != SQLITE_OK) throwSqliteError(db, "cannot open " + path.string());
    // Foreign keys stay unenforced on this connection: rebuilding a table that others refer
    // to must not delete or check their rows. Relations check their rows when created.
    // The legacy rename keeps a table rebuild from reading (and tripping over) the whole
    // schema. A destination is written once, from start to end: each statement stays atomic
    // through the journal, but need not wait for the disk.
    executeSql(db,
               "PRAGMA foreign_keys = OFF; PRAGMA legacy_alter_table = ON;"
               " PRAGMA page_size = 65536; PRAGMA cache_size = -32768; PRAGMA synchronous = OFF");
    auto catalog = std::make_unique<EngineCatalog>(db);
    executeSql(db, "BEGIN");
    catalog->create(locale);
    executeSql(db, "COMMIT");
    schema_ = std::make_unique<DestinationSchema>(db, *catalog);
    catalog_ = std::move(catalog);
    connection_ = std::move(connection);
    path_ = path;
  } catch (...) {
    connection.reset();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    throw;
  }
}

sqlite3* CDaoDatabase::handle() const {
  if (!IsOpen()) throw CDaoException("the database is not open");
  return connection_.get();
}

const DestinationSchema& CDaoDatabase::schema() const {
  handle();
  return *schema_;
}

EngineCatalog& CDaoDatabase::catalog() const {
  handle();
  return *catalog_;
}

void CDaoDatabase::Execute(std::string_view statement) {
  handle();
  JetDdlStatement parsed;
  try {
    parsed = parseJetDdl(statement);
  } catch (const JetSqlError& error) {
    throw CDaoException(error.what());
  }
  schema_->run(parsed);
}

void CDaoDatabase::Execute(const JetDdlStatement& statement) {
  handle();
  try {
    checkJetDdl(statement);
  } catch (const JetSqlError& error) {
    throw CDaoException(error.what());
  }
  schema_->run(statement);
}

void CDaoDatabase::RequireColumns(std::string_view table, const std::vector<std::string>& columns) {
  handle();
  schema_->requireColumns(table, columns);
}

void CDaoDatabase::CreateRelation(std::string_view name, std::string_view table,
                                  std::string_view foreignTable, long attributes,
                                  std::string_view field, std::string_view foreignField) {
  const RelationFieldPair pair{std::string(field), std::string(foreignField)};
  CreateRelation(name, table, foreignTable, attributes, std::span(&pair, 1));
}

void CDaoDatabase::checkRelation(std::string_view name, std::string_view table,
                                 std::string_view foreignTable,
                                 std::span<const RelationFieldPair> fields, bool enforced) const {
  if (name.empty()) throw CDaoException("a relation needs a name");
  if (catalog().hasRelation(name)) {
    throw CDaoException("relation " + bracketed(name) + " already exists");
  }
  const SchemaTable* primary = schema().findTable(table);
  const SchemaTable* foreign = schema().findTable(foreignTable);
  if (primary == nullptr) throw CDaoException("no table " + bracketed(table));
  if (foreign == nullptr) throw CDaoException("no table " + bracketed(foreignTable));
  if (fields.empty()) throw CDaoException("relation " + bracketed(name) + " has no fields");
  for (const auto& pair : fields) {
    if (pair.primaryField.empty() || pair.foreignField.empty()) {
      throw CDaoException("relation " + bracketed(name) +
                          " has unequal numbers of primary and foreign fields");
    }
    primary->column(pair.primaryField);
    foreign->column(pair.foreignField);
  }
  if (!enforced) return;

  const bool onPrimaryKey =
      primary->primaryKey.size() == fields.size() &&
      std::all_of(primary->primaryKey.begin(), primary->primaryKey.end(), [&](const auto& key) {
        return std::any_of(fields.begin(), fields.end(), [&](const auto& pair) {
          return equalsIgnoringAsciiCase(pair.primaryField, key);
        });
      });
  if (!onPrimaryKey) {
    throw CDaoException("relation " + bracketed(name) + " cannot be enforced: its fields are not" +
                        " the primary key of table " + bracketed(primary->name));
  }
  // A foreign row with a null in any of its fields is not bound by the relation.
  std::string notNull;
  std::string matches;
  for (const auto& pair : fields) {
    const std::string foreignColumn = "f." + quoteIdentifier(pair.foreignField);
    notNull += foreignColumn + " IS NOT NULL AND ";
    if (!matches.empty()) matches += " AND ";
    matches += "p." + quoteIdentifier(pair.primaryField) + " = " + foreignColumn;
  }
  SqliteStatement orphans(handle(), "SELECT count(*) FROM " + quoteIdentifier(foreign->name) +
                                        " AS f WHERE " + notNull + "NOT EXISTS (SELECT 1 FROM " +
                                        quoteIdentifier(primary->name) + " AS p WHERE " + matches +
                                        ")");
  orphans.step();
  const long long count = orphans.columnInt(0);
  if (count > 0) {
    throw CDaoException("relation " + bracketed(name) + " cannot be enforced: " +
                        std::to_string(count) + " rows of table " + bracketed(foreign->name) +
                        " have no matching row in table " + bracketed(primary->name));
  }
}

void CDaoDatabase::CreateRelation(std::string_view name, std::string_view table,
                                  std::string_view foreignTable, long attributes,
                                  std::span<const RelationFieldPair> fields) {
  const bool enforced = (attributes & kRelationDontEnforce) == 0;
  checkRelation(name, table, foreignTable, fields, enforced);
  const SchemaTable& primary = *schema_->findTable(table);
  const SchemaTable& foreign = *schema_->findTable(foreignTable);
  RelationRecord record{std::string(name), primary.name, foreign.name, attributes, {}, {}};
  for (const auto& pair : fields) {
    record.primaryFields.push_back(primary.column(pair.primaryField).name);
    record.foreignFields.push_back(foreign.column(pair.foreignField).name);
  }
  if (!enforced) {
    SqliteSavepoint savepoint(handle());
    catalog_->addRelation(record);
    savepoint.release();
    return;
  }
  SchemaForeignKey key{record.name,
                       record.primaryTable,
                       record.primaryFields,
                       record.foreignFields,
                       (attributes & kRelationUpdateCascade) != 0,
                       (attributes & kRelationDeleteCascade) != 0};
  schema_->addForeignKey(foreign.name, std::move(key), [&] { catalog_->addRelation(record); });
}

void CDaoDatabase::beginRecordset(CDaoRecordset& recordset) {
  if (openRecordsets_.empty() && sqlite3_get_autocommit(handle()) != 0) {
    executeSql(handle(), "BEGIN");
  }
  openRecordsets_.push_back(&recordset);
}

void CDaoDatabase::endRecordset(CDaoRecordset& recordset, bool keepRows) {
  std::erase(openRecordsets_, &recordset);
  if (!openRecordsets_.empty() || sqlite3_get_autocommit(handle()) != 0) return;
  if (!keepRows) {
    sqlite3_exec(handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    return;
  }
  try {
    executeSql(handle(), "COMMIT");
  } catch (const CDaoException& error) {
    sqlite3_exec(handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw CDaoException(std::string("the rows could not be saved: ") + error.what(), error.fault());
  }
}

bool CDaoDatabase::HoldsNothing() const {
  SqliteStatement tables(handle(), "SELECT name FROM sqlite_master WHERE type = 'table'");
  while (tables.step()) {
    const std::string name = tables.columnText(0);
    if (!isEngineCatalogName(name) && name.rfind("sqlite_", 0) != 0) return false;
  }
  for (const std::string_view catalogTable : {kQueriesTable, kRelationsTable}) {
    if (SqliteStatement(handle(), "SELECT 1 FROM " + quoteIdentifier(catalogTable) + " LIMIT 1")
            .step()) {
      return false;
    }
  }
  return true;
}

void CDaoDatabase::Close() {
  if (!IsOpen()) return;
  std::optional<CDaoException> failure;
  while (!openRecordsets_.empty()) {
    try {
      openRecordsets_.back()->Close();
    } catch (const CDaoException& error) {
      if (!failure) failure = error;
    }
  }
  schema_.reset();
  catalog_.reset();
  connection_.reset();
  if (failure) throw *failure;
  syncToDisk(path_);
}

}  // namespace vantrel
