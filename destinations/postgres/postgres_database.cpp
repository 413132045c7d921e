#include "destinations/postgres/postgres_database.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <thread>

#include "destinations/catalog_tables.h"
#include "destinations/postgres/postgres_values.h"
#include "jetsql/identifier_text.h"
#include "reader/column_types.h"
#include "run/display_text.h"

namespace vantrel {

namespace {

// Rows go to the server in pieces of about this size.
constexpr size_t kCopyChunkBytes = 1 << 20;
// The catalog tables every schema holds: queries, relations, the tables' properties.
constexpr int kCatalogTableCount = 3;
// Index names tried after a taken one; a schema holds far fewer.
constexpr int kMaxIndexNameTries = 10000;

std::string bracketed(std::string_view name) {
  return "[" + std::string(name) + "]";
}

// A schema of a file carries this comment while it is written. Its writer holds the session
// lock of the schema's name in this class (the two-key lock space, apart from the one-key
// locks the schema's making takes), which the server lets go when the writer's connection
// ends, however the writer ended.
constexpr std::string_view kUnfinishedComment = "vantrel: unfinished, being written";
constexpr const char* kWriterLockClass = "1448365138";
// How long a new writer waits for the connection of a writer that died to be closed.
constexpr auto kDeadWriterWait = std::chrono::seconds(10);

}  // namespace

// The rows of one table through COPY ... FROM STDIN in its binary form, inside the table's
// transaction: finish() commits them with the table, anything else rolls the table back.
class PostgresRowSink : public RowSink {
 public:
  explicit PostgresRowSink(PostgresDatabase& database)
      : database_(database),
        fields_(static_cast<size_t>(
            std::count(database.open_->created.begin(), database.open_->created.end(), true))) {
    buffer_.reserve(kCopyChunkBytes + kCopyChunkBytes / 4);
    appendCopyHeader(buffer_);
  }
  ~PostgresRowSink() override {
    if (finished_) return;
    try {
      database_.connection().abortCopy("the rows were not finished");
      database_.discardTable();
    } catch (const DestinationError&) {
      // The table is rolled back with its transaction whatever happens here.
    }
  }
  PostgresRowSink(const PostgresRowSink&) = delete;
  PostgresRowSink& operator=(const PostgresRowSink&) = delete;

  bool write(std::span<const FieldValue> row) override {
    if (failure_) return false;
    while (const auto overflow = database_.open_->lengths.overflow(row)) {
      if (!send()) return false;
      try {
        database_.widenText(*overflow);
        appendCopyHeader(buffer_);  // the COPY that goes on is a new one
      } catch (const DestinationError& error) {
        failure_ = error;
        database_.noteFailure(error.what());
        if (error.endsDestination()) throw;
        return false;
      }
    }
    const auto& open = *database_.open_;
    const auto& columns = open.description.columns;
    appendCopyRowStart(fields_, buffer_);
    for (size_t i = 0; i < columns.size(); ++i) {
      if (!open.created[i]) continue;
      if (i >= row.size() || !appendCopyField(columns[i], row[i], buffer_, &pieces_)) {
        appendCopyNull(buffer_);
      }
    }
    if (failure_) return false;  // a piece of a long value could not be sent
    if (buffer_.size() >= kCopyChunkBytes) return send();
    return true;
  }

  int64_t finish() override {
    finished_ = true;
    const std::string table = bracketed(database_.open_->description.name);
    try {
      if (!failure_) {
        appendCopyTrailer(buffer_);
        send();
      }
      if (failure_) throw *failure_;
      database_.connection().endCopy();
      database_.open_->copying = false;
    } catch (const DestinationError& error) {
      database_.noteFailure(error.what());
      try {
        database_.discardTable();
      } catch (const DestinationError&) {
        // The server went away: it has rolled the table back itself.
      }
      throw DestinationError("the rows of " + table + " could not be saved: " + error.what(),
                             error.fault());
    }
    database_.completeTable();
    return 0;  // COPY takes every row or none
  }

  std::vector<std::string> indexNotes() const override { return database_.indexNotes_; }

 private:
  bool send() {
    try {
      database_.connection().sendCopyData(buffer_);
      buffer_.clear();
      return true;
    } catch (const DestinationError& error) {
      failure_ = error;
      database_.noteFailure(error.what());
      // A server that can take nothing more says so at once; other failures at finish().
      if (error.endsDestination()) throw;
      return false;
    }
  }

  PostgresDatabase& database_;
  const size_t fields_;  // the columns created, each row's fields
  std::string buffer_;
  // A long value goes to the server while it is escaped: COPY's data may break anywhere.
  const CopyPieces pieces_{.pieceBytes = kCopyChunkBytes,
                           .send = [this](std::string&) { return send(); }};
  std::optional<DestinationError> failure_;
  bool finished_ = false;
};

PostgresDatabase::PostgresDatabase(PostgresConnection connection, std::string schema,
                                   PostgresSaving saving)
    : Destination(postgresNameRules()),
      connection_(std::move(connection)),
      schema_(std::move(schema)),
      saving_(std::move(saving)) {
  prepareSchema(schemaCreated_);
}

PostgresDatabase::~PostgresDatabase() {
  try {
    close();
  } catch (const DestinationError&) {
    // Nothing to report to from a destructor; close() raises for callers who want to know.
  }
}

const PostgresConnection& PostgresDatabase::connection() const {
  if (!connection_) throw DestinationError("the destination is closed");
  return *connection_;
}

std::optional<std::string> PostgresDatabase::schemaComment() const {
  return connection().queryValue(
      "SELECT obj_description(oid, 'pg_namespace') FROM pg_namespace WHERE nspname = $1",
      {schema_});
}

bool PostgresDatabase::becomeWriter() {
  const PostgresConnection& db = connection();
  const auto deadline = std::chrono::steady_clock::now() + kDeadWriterWait;
  for (;;) {
    if (db.queryValue(
            "SELECT pg_try_advisory_lock(" + std::string(kWriterLockClass) + ", hashtext($1))",
            {schema_}) == "t")
      return true;
    // Another connection writes the schema: only one that is going away is waited for.
    if (schemaComment() != kUnfinishedComment || stopRequested() ||
        std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void PostgresDatabase::prepareSchema(bool& created) {
  const PostgresConnection& db = connection();
  const std::string schema = db.quoteIdentifier(schema_);
  // A schema of its own for the file: one whose writer died in the middle of a file is not
  // finished with the tables of another run, but made anew.
  const bool writer = saving_.schemaPerFile && becomeWriter();
  // Files saved at the same time into one schema make it and its catalog one after another.
  db.execute("BEGIN");
  try {
    db.query("SELECT pg_advisory_xact_lock(hashtext($1))", {schema_});
    if (writer && schemaComment() == kUnfinishedComment) {
      db.execute("DROP SCHEMA " + schema + " CASCADE");
      logLine("Made anew: schema " + schema_ + ", left unfinished by an earlier run");
    }
    created = !db.queryValue("SELECT 1 FROM pg_namespace WHERE nspname = $1", {schema_});
    db.execute("CREATE SCHEMA IF NOT EXISTS " + schema + ";SET search_path TO " + schema +
               ", pg_catalog;"
               "CREATE TABLE IF NOT EXISTS " +
               db.quoteIdentifier(kQueriesTable) +
               " (name text PRIMARY KEY, sql text, sqlite_sql text, no_view_reason text,"
               " connect text);"
               "CREATE TABLE IF NOT EXISTS " +
               db.quoteIdentifier(kRelationsTable) +
               " (name text NOT NULL, primary_table text NOT NULL, foreign_table text NOT NULL,"
               " attributes integer NOT NULL, enforced integer NOT NULL,"
               " field_position integer NOT NULL, primary_field text NOT NULL,"
               " foreign_field text NOT NULL, PRIMARY KEY (name, field_position));"
               "CREATE TABLE IF NOT EXISTS " +
               db.quoteIdentifier(kTablePropertiesTable) +
               " (table_name text NOT NULL, column_name text, property text NOT NULL,"
               " value text NOT NULL)");
    // The views' SQL compares texts as Jet does, without regard to case ("COLLATE NOCASE");
    // a server without ICU simply has views that cannot use it.
    db.execute("SAVEPOINT nocase_collation");
    try {
      db.execute("CREATE COLLATION IF NOT EXISTS " + schema +
                 ".nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false)");
      db.execute("RELEASE SAVEPOINT nocase_collation");
    } catch (const DestinationError&) {
      db.execute("ROLLBACK TO SAVEPOINT nocase_collation");
    }
    if (created && writer) {
      db.execute("COMMENT ON SCHEMA " + schema + " IS " + db.quoteLiteral(kUnfinishedComment));
      unfinishedMark_ = true;
    }
    db.execute("COMMIT");
    // The search path outlives the transaction only when set outside one.
    db.execute("SET search_path TO " + schema + ", pg_catalog");
  } catch (const DestinationError&) {
    db.rollback();
    throw;
  }
}

void PostgresDatabase::logLine(const std::string& text) const {
  if (saving_.log != nullptr) saving_.log->appendLogLine(escapedControlCharacters(text) + "\r\n");
}

void PostgresDatabase::noteFailure(const std::string& message) {
  if (!lostConnection_ && connection_ && !connection_->alive()) lostConnection_ = message;
}

void PostgresDatabase::inTransaction(const std::function<void()>& work) {
  const PostgresConnection& db = connection();
  db.execute("BEGIN");
  try {
    work();
    db.execute("COMMIT");
  } catch (const DestinationError& error) {
    noteFailure(error.what());
    db.rollback();
    throw;
  }
}

bool PostgresDatabase::replaces(const std::string& what) const {
  return saving_.replaceExisting && saving_.replaceExisting(what);
}

const PostgresDatabase::MadeTable* PostgresDatabase::findTable(std::string_view name) const {
  const auto found = tables_.find(foldAsciiCase(name));
  return found != tables_.end() ? &found->second : nullptr;
}

TableCreation PostgresDatabase::createTable(const TableDescription& table) {
  completeTable();
  const PostgresConnection& db = connection();
  TableCreation creation;
  creation.columnCreated.assign(table.columns.size(), false);
  const std::string name = bracketed(table.name);
  if (table.name.empty() || isEngineCatalogName(table.name) || findTable(table.name) != nullptr) {
    creation.refused.push_back("table " + name + " (the name is taken or reserved)");
    return creation;
  }
  std::string columns;
  std::vector<std::string> names;
  const TextLengths lengths(table, std::vector<bool>(table.columns.size(), true));
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const DestinationColumn& column = table.columns[i];
    const auto type = postgresColumnType(column);
    if (!type) continue;
    if (std::find(names.begin(), names.end(), column.name) != names.end()) {
      creation.refused.push_back("column " + bracketed(column.name) + " of table " + name +
                                 " (a column of that name exists)");
      continue;
    }
    names.push_back(column.name);
    if (!columns.empty()) columns += ", ";
    columns += db.quoteIdentifier(column.name) + " " + lengths.createdType(i, *type);
    creation.columnCreated[i] = true;
  }
  if (names.empty()) return creation;
  if (saving_.runNames &&
      saving_.runNames->taken(saving_.runNames->tables, foldAsciiCase(table.name), false)) {
    creation.refused.push_back("table " + name +
                               " (a table of that name was saved from another file of this run)");
    creation.columnCreated.assign(table.columns.size(), false);
    return creation;
  }

  try {
    const auto existing = db.queryValue(
        "SELECT c.relkind FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
        " WHERE n.nspname = $1 AND c.relname = $2",
        {schema_, table.name});
    if (existing && !replaces("table " + name)) {
      creation.refused.push_back("table " + name + " (the schema's table of that name is kept)");
      creation.keptExisting = true;
      keptTables_.insert(foldAsciiCase(table.name));
      creation.columnCreated.assign(table.columns.size(), false);
      return creation;
    }
    db.execute("BEGIN");
    open_ = OpenTable{
        table, creation.columnCreated, false, TextLengths(table, creation.columnCreated), {}};
    const std::string quoted = db.quoteIdentifier(table.name);
    if (existing) {
      db.execute(std::string(*existing == "v" ? "DROP VIEW " : "DROP TABLE ") + quoted +
                 " CASCADE");
      db.query("DELETE FROM " + db.quoteIdentifier(kRelationsTable) +
                   " WHERE primary_table = $1 OR foreign_table = $1",
               {table.name});
      db.query(
          "DELETE FROM " + db.quoteIdentifier(kTablePropertiesTable) + " WHERE table_name = $1",
          {table.name});
    }
    db.execute("CREATE TABLE " + quoted + " (" + columns + ")");
  } catch (const DestinationError& error) {
    noteFailure(error.what());
    discardTable();
    if (error.endsDestination()) throw;
    creation.refused.push_back("table " + name + " (" + error.what() + ")");
    creation.columnCreated.assign(table.columns.size(), false);
  }
  return creation;
}

std::unique_ptr<RowSink> PostgresDatabase::openRows(const TableDescription& table,
                                                    const TableCreation& creation) {
  if (!open_ || open_->copying || open_->description.name != table.name ||
      !creation.tableCreated()) {
    throw DestinationError("table " + bracketed(table.name) + " was not created");
  }
  const PostgresConnection& db = connection();
  std::string columns;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (!open_->created[i]) continue;
    if (!columns.empty()) columns += ", ";
    columns += db.quoteIdentifier(table.columns[i].name);
  }
  open_->copyStatement =
      "COPY " + db.quoteIdentifier(table.name) + " (" + columns + ") FROM STDIN (FORMAT binary)";
  try {
    db.beginCopy(open_->copyStatement);
  } catch (const DestinationError& error) {
    noteFailure(error.what());
    discardTable();
    throw;
  }
  open_->copying = true;
  return std::make_unique<PostgresRowSink>(*this);
}

void PostgresDatabase::widenText(const TextLengths::Overflow& overflow) {
  const PostgresConnection& db = connection();
  const TableDescription& table = open_->description;
  const std::string& column = table.columns[overflow.column].name;
  const int limit = open_->lengths.limit(overflow.column);
  db.endCopy();
  // varchar(n) to text changes no stored value: the server rewrites nothing.
  db.execute("ALTER TABLE " + db.quoteIdentifier(table.name) + " ALTER COLUMN " +
             db.quoteIdentifier(column) + " TYPE text");
  db.beginCopy(open_->copyStatement);
  open_->lengths.widen(overflow.column);
  logLine("Saved as text: column " + bracketed(column) + " of table " + bracketed(table.name) +
          " (a value of " + std::to_string(overflow.characters) +
          " characters is longer than its declared " + std::to_string(limit) + ")");
}

void PostgresDatabase::discardTable() {
  if (!open_) return;
  open_.reset();
  if (connection_) connection_->rollback();
}

bool PostgresDatabase::tryStatement(const std::string& sql, const std::string& what) {
  const PostgresConnection& db = connection();
  db.execute("SAVEPOINT step");
  try {
    db.execute(sql);
    db.execute("RELEASE SAVEPOINT step");
    return true;
  } catch (const DestinationError& error) {
    if (error.endsDestination()) throw;
    db.execute("ROLLBACK TO SAVEPOINT step");
    logLine("Not re-created: " + what + " (" + error.what() + ")");
    return false;
  }
}

void PostgresDatabase::addKeyAndIndexes(const OpenTable& table, MadeTable& made) {
  const PostgresConnection& db = connection();
  const TableDescription& description = table.description;
  const std::string quoted = db.quoteIdentifier(description.name);
  const auto columnList = [&](const std::vector<size_t>& positions,
                              std::vector<std::string>* names) {
    std::string list;
    for (const size_t position : positions) {
      if (position >= description.columns.size() || !table.created[position]) return std::string();
      if (!list.empty()) list += ", ";
      list += db.quoteIdentifier(description.columns[position].name);
      if (names != nullptr) names->push_back(description.columns[position].name);
    }
    return list;
  };
  std::vector<std::string> key;
  const std::string keyColumns = columnList(description.primaryKey, &key);
  if (!keyColumns.empty() &&
      tryStatement("ALTER TABLE " + quoted + " ADD PRIMARY KEY (" + keyColumns + ")",
                   "the primary key of table " + bracketed(description.name))) {
    made.primaryKey = std::move(key);
  }
  addAutoNumbers(table);
  addRequiredAndDefaults(table);
  addProperties(table);
  for (const DestinationIndex& index : description.indexes) {
    std::vector<std::string> columns;
    if (columnList(index.columns, &columns).empty()) continue;
    addIndex(description.name, index, columns);
  }
}

void PostgresDatabase::addAutoNumbers(const OpenTable& table) {
  const PostgresConnection& db = connection();
  const TableDescription& description = table.description;
  const std::string quoted = db.quoteIdentifier(description.name);
  for (size_t i = 0; i < description.columns.size(); ++i) {
    const DestinationColumn& column = description.columns[i];
    if (!column.autoNumber || !table.created[i]) continue;
    const std::string name = db.quoteIdentifier(column.name);
    const std::string what = "the AutoNumber of column " + bracketed(column.name) + " of table " +
                             bracketed(description.name);
    if (column.jetType == kTypeGuid) {
      tryStatement(
          "ALTER TABLE " + quoted + " ALTER COLUMN " + name + " SET DEFAULT gen_random_uuid()",
          what);
    } else if (column.jetType == kTypeLong &&
               tryStatement("ALTER TABLE " + quoted + " ALTER COLUMN " + name +
                                " SET NOT NULL, ALTER COLUMN " + name +
                                " ADD GENERATED BY DEFAULT AS IDENTITY",
                            what)) {
      // Past the highest number held (a table of negative numbers starts at 1).
      tryStatement("SELECT setval(pg_get_serial_sequence(" + db.quoteLiteral(quoted) + ", " +
                       db.quoteLiteral(column.name) + "), greatest(coalesce(max(" + name +
                       ")::bigint, 0) + 1, 1), false) FROM " + quoted,
                   what);
    }
  }
}

namespace {

// The default in the server's terms, for a column of the type `type`.
std::string postgresDefault(const JetDefault& value, std::string_view type,
                            const PostgresConnection& db) {
  const bool boolean = type == "boolean";
  const bool text = type == "text" || type.starts_with("varchar");
  switch (value.kind) {
    case JetDefault::Kind::kNumber:
      if (boolean)
        return value.text.find_first_not_of("-0.") == std::string::npos ? "false" : "true";
      return text ? db.quoteLiteral(value.text) : value.text;
    case JetDefault::Kind::kText:
      return db.quoteLiteral(value.text);
    case JetDefault::Kind::kDateTime:
      return text ? db.quoteLiteral(value.text) : "TIMESTAMP " + db.quoteLiteral(value.text);
    case JetDefault::Kind::kBoolean:
      // Access keeps True as -1 in a number.
      if (boolean) return value.boolean ? "true" : "false";
      if (text) return db.quoteLiteral(value.boolean ? "True" : "False");
      return value.boolean ? "-1" : "0";
    case JetDefault::Kind::kToday:
      return "CURRENT_DATE";
    case JetDefault::Kind::kNow:
      return "LOCALTIMESTAMP(0)";
  }
  return "NULL";
}

}  // namespace

void PostgresDatabase::addRequiredAndDefaults(const OpenTable& table) {
  const PostgresConnection& db = connection();
  const TableDescription& description = table.description;
  const std::string quoted = db.quoteIdentifier(description.name);
  const auto of = [&](const DestinationColumn& column) {
    return " of column " + bracketed(column.name) + " of table " + bracketed(description.name);
  };
  // The Required columns' nulls, counted in one pass over the rows. The key's columns and a
  // LONG AutoNumber (for its identity) are NOT NULL already.
  std::vector<size_t> required;
  std::vector<std::string> quotedRequired;
  for (size_t i = 0; i < description.columns.size(); ++i) {
    const DestinationColumn& column = description.columns[i];
    const bool notNullAlready =
        std::ranges::find(description.primaryKey, i) != description.primaryKey.end() ||
        (column.autoNumber && column.jetType == kTypeLong);
    if (!table.created[i] || !column.required || notNullAlready) continue;
    required.push_back(i);
    quotedRequired.push_back(db.quoteIdentifier(column.name));
  }
  if (!required.empty()) {
    const auto counted = db.queryValue(nullCountsSelect(quoted, quotedRequired));
    const auto nulls = counted ? nullCounts(*counted, required.size()) : std::nullopt;
    for (size_t k = 0; nulls && k < required.size(); ++k) {
      const DestinationColumn& column = description.columns[required[k]];
      if ((*nulls)[k] == 0) {
        tryStatement(
            "ALTER TABLE " + quoted + " ALTER COLUMN " + quotedRequired[k] + " SET NOT NULL",
            "the NOT NULL" + of(column));
      } else {
        indexNotes_.push_back(notRequiredNote(column.name, description.name, (*nulls)[k]));
      }
    }
  }
  for (size_t i = 0; i < description.columns.size(); ++i) {
    const DestinationColumn& column = description.columns[i];
    if (!table.created[i] || !column.defaultValue) continue;
    const auto type = postgresColumnType(column);
    if (!type) continue;
    std::string value;
    try {
      value = postgresDefault(*column.defaultValue, *type, db);
    } catch (const DestinationError& error) {
      // A text the server's encoding cannot hold.
      if (error.endsDestination()) throw;
      logLine("Not re-created: the default" + of(column) + " (" + error.what() + ")");
      continue;
    }
    tryStatement("ALTER TABLE " + quoted + " ALTER COLUMN " + db.quoteIdentifier(column.name) +
                     " SET DEFAULT " + value,
                 "the default" + of(column));
  }
}

void PostgresDatabase::addProperties(const OpenTable& table) {
  const PostgresConnection& db = connection();
  const TableDescription& description = table.description;
  const std::string quoted = db.quoteIdentifier(description.name);
  std::string rows;
  std::vector<std::string> comments;
  try {
    for (const DescribedProperty& property : description.properties) {
      std::optional<std::string> column;
      if (property.column) {
        if (*property.column >= description.columns.size() || !table.created[*property.column])
          continue;
        column = description.columns[*property.column].name;
      }
      rows += std::string(rows.empty() ? "" : ", ") + "(" + db.quoteLiteral(description.name) +
              ", " + (column ? db.quoteLiteral(*column) : std::string("NULL")) + ", " +
              db.quoteLiteral(property.name) + ", " + db.quoteLiteral(property.value) + ")";
      if (property.name != "Description") continue;
      const std::string target =
          column ? "COLUMN " + quoted + "." + db.quoteIdentifier(*column) : "TABLE " + quoted;
      comments.push_back("COMMENT ON " + target + " IS " + db.quoteLiteral(property.value));
    }
  } catch (const DestinationError& error) {
    // A text the server's encoding cannot hold: the table keeps none of its properties.
    if (error.endsDestination()) throw;
    logLine("Not re-created: the properties of table " + bracketed(description.name) + " (" +
            error.what() + ")");
    return;
  }
  if (rows.empty()) return;
  // One statement for the table's properties: the table costs one round trip for them.
  tryStatement("INSERT INTO " + db.quoteIdentifier(kTablePropertiesTable) +
                   " (table_name, column_name, property, value) VALUES " + rows,
               "the properties of table " + bracketed(description.name));
  for (const std::string& comment : comments)
    tryStatement(comment, "the description in " + bracketed(description.name));
}

std::string PostgresDatabase::freeIndexName(const std::string& table,
                                            const std::string& index) const {
  const std::string base = table + "." + index;
  std::string candidate = cutWithHash(base, postgresNameRules().maxBytes);
  for (int n = 2; n < kMaxIndexNameTries; ++n) {
    if (!connection().queryValue(
            "SELECT 1 FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
            " WHERE n.nspname = $1 AND c.relname = $2",
            {schema_, candidate}))
      break;
    candidate = cutWithHash(base + "#" + std::to_string(n), postgresNameRules().maxBytes);
  }
  return candidate;
}

void PostgresDatabase::addIndex(const std::string& table, const DestinationIndex& index,
                                const std::vector<std::string>& columns) {
  const PostgresConnection& db = connection();
  const std::string quotedTable = db.quoteIdentifier(table);
  std::vector<std::string> quotedColumns;
  std::string keys;
  for (size_t k = 0; k < columns.size(); ++k) {
    quotedColumns.push_back(db.quoteIdentifier(columns[k]));
    keys +=
        (keys.empty() ? "" : ", ") + quotedColumns.back() + (index.isDescending(k) ? " DESC" : "");
  }
  const std::string what = "index " + bracketed(index.name) + " of table " + bracketed(table);
  const auto create = [&](bool unique) {
    return std::string(unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
           db.quoteIdentifier(freeIndexName(table, index.name)) + " ON " + quotedTable + " (" +
           keys + ")";
  };
  if (index.unique) {
    db.execute("SAVEPOINT unique_index");
    try {
      db.execute(create(true));
      db.execute("RELEASE SAVEPOINT unique_index");
      return;
    } catch (const DestinationError& error) {
      if (error.endsDestination()) throw;
      db.execute("ROLLBACK TO SAVEPOINT unique_index");
    }
    int64_t duplicates = 0;
    db.execute("SAVEPOINT unique_index");
    try {
      const auto counted = db.queryValue(duplicateKeysSelect(quotedTable, quotedColumns));
      if (counted) std::from_chars(counted->data(), counted->data() + counted->size(), duplicates);
      db.execute("RELEASE SAVEPOINT unique_index");
    } catch (const DestinationError& error) {
      if (error.endsDestination()) throw;
      db.execute("ROLLBACK TO SAVEPOINT unique_index");
    }
    // A refusal for another reason is told as the plain index's would be.
    if (duplicates > 0) indexNotes_.push_back(notUniqueNote(index.name, table, duplicates));
  }
  tryStatement(create(false), what);
}

void PostgresDatabase::completeTable() {
  if (!open_) return;
  if (open_->copying) {
    discardTable();
    return;
  }
  indexNotes_.clear();
  MadeTable made{open_->description.name, {}, {}};
  for (size_t i = 0; i < open_->description.columns.size(); ++i) {
    if (open_->created[i]) made.columns.push_back(open_->description.columns[i].name);
  }
  try {
    addKeyAndIndexes(*open_, made);
    connection().execute("COMMIT");
  } catch (const DestinationError& error) {
    noteFailure(error.what());
    const std::string table = bracketed(open_->description.name);
    try {
      discardTable();
    } catch (const DestinationError&) {
      // Gone with the connection.
    }
    throw DestinationError("table " + table + " could not be saved: " + error.what(),
                           error.fault());
  }
  open_.reset();
  if (saving_.runNames)
    saving_.runNames->taken(saving_.runNames->tables, foldAsciiCase(made.name), true);
  // In one schema for the run every file has the same location, which cannot tell whose
  // tables they are: those files report none.
  if (saving_.savedTables && saving_.schemaPerFile) {
    std::lock_guard lock(saving_.savedTables->mutex);
    saving_.savedTables->byLocation[location()].push_back(made.name);
  }
  tables_[foldAsciiCase(made.name)] = std::move(made);
}

bool PostgresDatabase::holdsNothing() const {
  return tables_.empty() && queries_.empty() && relations_.empty();
}

void PostgresDatabase::close() {
  if (!connection_) return;
  std::optional<DestinationError> failure;
  try {
    completeTable();
    // A schema this destination made and left empty is not left behind.
    if (schemaCreated_ && holdsNothing() && connection_->alive()) {
      const auto userTables = connection_->queryValue(
          "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
          " WHERE n.nspname = $1 AND c.relkind IN ('r', 'v', 'm', 'p', 'f')",
          {schema_});
      if (userTables == std::to_string(kCatalogTableCount)) {
        connection_->execute("DROP SCHEMA " + connection_->quoteIdentifier(schema_) + " CASCADE");
        unfinishedMark_ = false;
      }
    }
    // The file's saving ended here, whatever it saved: the schema is what this run makes of it.
    if (unfinishedMark_ && connection_->alive()) {
      connection_->execute("COMMENT ON SCHEMA " + connection_->quoteIdentifier(schema_) +
                           " IS NULL");
      unfinishedMark_ = false;
    }
  } catch (const DestinationError& error) {
    failure = error;
  }
  connection_.reset();
  if (lostConnection_) {
    throw DestinationError("the connection to the server was lost: " + *lostConnection_,
                           DestinationFault::kConnectionLost);
  }
  if (failure) throw *failure;
}

std::string PostgresDatabase::location() const {
  return saving_.target.display + " schema " + schema_;  // as PostgresDestinations::location
}

}  // namespace vantrel
