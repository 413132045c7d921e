#include "destinations/sqlite/destination_schema.h"

#include <algorithm>

#include "destinations/sqlite/dao_exception.h"
#include "destinations/sqlite/sqlite_handle.h"
#include "dialects/common/jet_literals.h"
#include "jetsql/identifier_text.h"

namespace vantrel {
namespace {

constexpr std::string_view kRebuildTable = "MSysVantrelRebuild";

std::string quotedList(const std::vector<std::string>& names) {
  std::string list;
  for (const auto& name : names) {
    if (!list.empty()) list += ", ";
    list += quoteIdentifier(name);
  }
  return list;
}

std::string bracketed(std::string_view name) {
  return "[" + std::string(name) + "]";
}

template <typename Items, typename Name>
bool containsName(const Items& items, std::string_view name, Name nameOf) {
  return std::any_of(items.begin(), items.end(),
                     [&](const auto& item) { return equalsIgnoringAsciiCase(nameOf(item), name); });
}

// The columns a key or index names, as the table spells them; each once.
std::vector<std::string> columnsOf(const SchemaTable& table, const std::vector<std::string>& names,
                                   std::string_view what) {
  std::vector<std::string> columns;
  for (const auto& name : names) {
    const std::string& column = table.column(name).name;
    if (containsName(columns, column, [](const std::string& s) { return s; })) {
      throw CDaoException(std::string(what) + " names the column " + bracketed(column) + " twice");
    }
    columns.push_back(column);
  }
  return columns;
}

// The type name declared in SQLite: it keeps the Jet type readable for users of the
// destination and gives SQLite the affinity its values need.
std::string sqliteDeclaredType(const JetColumnType& type) {
  // SQLite derives a column's affinity from words inside its declared type. The Jet names
  // already give the right one (TEXT: text; DOUBLE: real; INT: integer; the others numeric,
  // which keeps integers, reals, ISO dates, GUID texts and BLOBs as they are bound), except
  // MEMO, whose numeric affinity would turn a memo "00123" into the number 123. LONGTEXT is
  // Jet's own other name for MEMO and carries text affinity.
  if (type.type == JetType::Memo) return "LONGTEXT";
  // TIMESTAMP names the one form every date takes here ("yyyy-mm-dd hh:mm:ss"), which clients
  // that convert by the declared type (Python's sqlite3) read as a date and time.
  if (type.type == JetType::Date) return "TIMESTAMP";
  std::string declared(jetTypeName(type.type));
  if (type.size) {
    declared += '(';
    declared += std::to_string(*type.size);
    declared += ')';
  }
  return declared;
}

// The default in SQLite's terms: dates in their one stored form, Yes/No as 1 and 0.
std::string sqliteDefault(const JetDefault& value, JetType type) {
  switch (value.kind) {
    case JetDefault::Kind::kNumber:
      if (type == JetType::Bit)
        return value.text.find_first_not_of("-0.") == std::string::npos ? "0" : "1";
      return value.text;
    case JetDefault::Kind::kText:
    case JetDefault::Kind::kDateTime:
      return quotedString(value.text);
    case JetDefault::Kind::kBoolean:
      return value.boolean ? "1" : "0";
    case JetDefault::Kind::kToday:
      return "(date('now', 'localtime') || ' 00:00:00')";
    case JetDefault::Kind::kNow:
      return "(datetime('now', 'localtime'))";
  }
  return "NULL";
}

// Whether SQLite takes the default in ALTER TABLE ... ADD COLUMN, which wants a constant.
bool isConstantDefault(const JetDefault& value) {
  return value.kind != JetDefault::Kind::kToday && value.kind != JetDefault::Kind::kNow;
}

std::string columnDefinition(const SchemaColumn& column, bool notNull) {
  std::string definition = quoteIdentifier(column.name) + " " + sqliteDeclaredType(column.type);
  if (notNull || column.notNull) definition += " NOT NULL";
  if (column.defaultValue)
    definition += " DEFAULT " + sqliteDefault(*column.defaultValue, column.type.type);
  return definition;
}

std::string indexStatement(const SchemaIndex& index, std::string_view table) {
  std::string keys;
  for (size_t i = 0; i < index.columns.size(); ++i) {
    if (i > 0) keys += ", ";
    keys += quoteIdentifier(index.columns[i]);
    if (i < index.descending.size() && index.descending[i]) keys += " DESC";
  }
  return std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
         quoteIdentifier(index.sqliteName) + " ON " + quoteIdentifier(table) + " (" + keys + ")";
}

}  // namespace

const SchemaColumn* SchemaTable::findColumn(std::string_view column) const {
  for (const auto& candidate : columns) {
    if (equalsIgnoringAsciiCase(candidate.name, column)) return &candidate;
  }
  return nullptr;
}

const SchemaColumn& SchemaTable::column(std::string_view column) const {
  const SchemaColumn* found = findColumn(column);
  if (found == nullptr) {
    throw CDaoException("no column " + bracketed(column) + " in table " + bracketed(name));
  }
  return *found;
}

bool SchemaTable::hasIndexName(std::string_view index) const {
  return (!primaryKeyName.empty() && equalsIgnoringAsciiCase(primaryKeyName, index)) ||
         containsName(indexes, index, [](const SchemaIndex& i) { return i.jetName; });
}

std::string SchemaTable::createStatement(std::string_view sqliteName) const {
  std::string sql = "CREATE TABLE " + quoteIdentifier(sqliteName) + " (";
  // A counter that is the whole key becomes SQLite's own row number, which numbers the rows
  // added without it past the highest the table ever held.
  const SchemaColumn* counterKey =
      primaryKey.size() == 1 ? findColumn(primaryKey.front()) : nullptr;
  if (counterKey != nullptr && counterKey->type.type != JetType::Counter) counterKey = nullptr;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) sql += ", ";
    if (&columns[i] == counterKey) {
      sql += quoteIdentifier(columns[i].name) + " INTEGER NOT NULL CONSTRAINT " +
             quoteIdentifier(primaryKeyName) + " PRIMARY KEY AUTOINCREMENT";
      continue;
    }
    // Jet never keeps a row without its key; SQLite would unless told.
    const bool inKey =
        containsName(primaryKey, columns[i].name, [](const std::string& s) { return s; });
    sql += columnDefinition(columns[i], inKey);
  }
  if (!primaryKey.empty() && counterKey == nullptr) {
    sql += ", CONSTRAINT " + quoteIdentifier(primaryKeyName) + " PRIMARY KEY (" +
           quotedList(primaryKey) + ")";
  }
  for (const auto& key : foreignKeys) {
    sql += ", CONSTRAINT " + quoteIdentifier(key.name) + " FOREIGN KEY (" +
           quotedList(key.foreignColumns) + ") REFERENCES " + quoteIdentifier(key.primaryTable) +
           " (" + quotedList(key.primaryColumns) + ")";
    if (key.updateCascade) sql += " ON UPDATE CASCADE";
    if (key.deleteCascade) sql += " ON DELETE CASCADE";
  }
  return sql + ")";
}

void DestinationSchema::run(const JetDdlStatement& statement) {
  std::visit(
      [this](const auto& s) {
        using Statement = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<Statement, CreateTableStatement>) createTable(s);
        if constexpr (std::is_same_v<Statement, AddColumnStatement>) addColumn(s);
        if constexpr (std::is_same_v<Statement, AddPrimaryKeyStatement>) addPrimaryKey(s);
        if constexpr (std::is_same_v<Statement, CreateIndexStatement>) createIndex(s);
      },
      statement);
}

const SchemaTable* DestinationSchema::findTable(std::string_view name) const {
  const auto found = tables_.find(foldAsciiCase(name));
  return found == tables_.end() ? nullptr : &found->second;
}

SchemaTable& DestinationSchema::table(std::string_view name) {
  const auto found = tables_.find(foldAsciiCase(name));
  if (found == tables_.end()) throw CDaoException("no table " + bracketed(name));
  return found->second;
}

void DestinationSchema::createTable(const CreateTableStatement& statement) {
  if (findTable(statement.table) != nullptr) {
    throw CDaoException("table " + bracketed(statement.table) + " already exists");
  }
  if (isEngineCatalogName(statement.table)) {
    throw CDaoException("the name " + bracketed(statement.table) +
                        " is kept for the engine's own tables");
  }
  SchemaTable created{statement.table, {}, {}, {}, {}, {}};
  for (const auto& column : statement.columns) {
    if (created.findColumn(column.name) != nullptr) {
      throw CDaoException("column " + bracketed(column.name) + " already exists in table " +
                          bracketed(statement.table));
    }
    created.columns.push_back({column.name, column.type, column.defaultValue});
  }
  SqliteSavepoint savepoint(db_);
  const auto moved = vacateObjectName(statement.table);
  try {
    executeSql(db_, created.createStatement(statement.table));
    savepoint.release();
  } catch (const CDaoException&) {
    if (moved) moved->index->sqliteName = moved->formerName;
    throw;
  }
  tables_.emplace(foldAsciiCase(statement.table), std::move(created));
}

void DestinationSchema::addColumn(const AddColumnStatement& statement) {
  SchemaTable& target = table(statement.table);
  if (target.findColumn(statement.column.name) != nullptr) {
    throw CDaoException("column " + bracketed(statement.column.name) + " already exists in table " +
                        bracketed(target.name));
  }
  SchemaColumn column{statement.column.name, statement.column.type, statement.column.defaultValue};
  if (column.defaultValue && !isConstantDefault(*column.defaultValue)) column.defaultValue.reset();
  executeSql(db_, "ALTER TABLE " + quoteIdentifier(target.name) + " ADD COLUMN " +
                      columnDefinition(column, false));
  target.columns.push_back(column);
}

void DestinationSchema::addPrimaryKey(const AddPrimaryKeyStatement& statement) {
  const SchemaTable& target = table(statement.table);
  if (!target.primaryKey.empty()) {
    throw CDaoException("table " + bracketed(target.name) + " already has a primary key");
  }
  const std::string keyName = statement.constraintName.value_or(std::string(kPrimaryKeyIndexName));
  if (target.hasIndexName(keyName)) {
    throw CDaoException("table " + bracketed(target.name) + " already has an index named " +
                        bracketed(keyName));
  }
  SchemaTable changed = target;
  changed.primaryKey = columnsOf(target, statement.columns, "the primary key");
  changed.primaryKeyName = keyName;
  SqliteSavepoint savepoint(db_);
  rebuild(changed);
  catalog_->addIndex(target.name, keyName, std::nullopt);
  savepoint.release();
  tables_[foldAsciiCase(target.name)] = std::move(changed);
}

void DestinationSchema::createIndex(const CreateIndexStatement& statement) {
  SchemaTable& target = table(statement.table);
  if (target.hasIndexName(statement.index)) {
    throw CDaoException("table " + bracketed(target.name) + " already has an index named " +
                        bracketed(statement.index));
  }
  SchemaIndex index{statement.index, unusedObjectName(target.name + "." + statement.index),
                    columnsOf(target, statement.columns, "the index"), statement.unique,
                    statement.descending};
  SqliteSavepoint savepoint(db_);
  executeSql(db_, indexStatement(index, target.name));
  catalog_->addIndex(target.name, index.jetName, index.sqliteName);
  savepoint.release();
  target.indexes.push_back(std::move(index));
}

void DestinationSchema::requireColumns(std::string_view name,
                                       const std::vector<std::string>& columns) {
  SchemaTable changed = table(name);
  bool changes = false;
  for (const std::string& column : columns) {
    for (SchemaColumn& candidate : changed.columns) {
      if (!equalsIgnoringAsciiCase(candidate.name, column) || candidate.notNull) continue;
      candidate.notNull = true;
      changes = true;
    }
  }
  if (!changes) return;
  SqliteSavepoint savepoint(db_);
  rebuild(changed);
  savepoint.release();
  tables_[foldAsciiCase(changed.name)] = std::move(changed);
}

void DestinationSchema::addForeignKey(std::string_view foreignTable, SchemaForeignKey key,
                                      const std::function<void()>& alongside) {
  SchemaTable changed = table(foreignTable);
  changed.foreignKeys.push_back(std::move(key));
  SqliteSavepoint savepoint(db_);
  rebuild(changed);
  alongside();
  savepoint.release();
  tables_[foldAsciiCase(changed.name)] = std::move(changed);
}

void DestinationSchema::rebuild(const SchemaTable& changed) {
  // Made under a spare name, filled, and renamed: renaming the old table away instead would
  // make SQLite rewrite the references other tables' foreign keys hold to it.
  std::string columns;
  for (const auto& column : changed.columns) {
    if (!columns.empty()) columns += ", ";
    columns += quoteIdentifier(column.name);
  }
  const std::string spare = quoteIdentifier(kRebuildTable);
  const std::string name = quoteIdentifier(changed.name);
  if (!SqliteStatement(db_, "SELECT 1 FROM " + name + " LIMIT 1").step()) {
    // A table without rows (one just made) is made again in place: a rename makes SQLite
    // read the whole schema again, which a file of many tables would pay for every table.
    executeSql(db_, "DROP TABLE " + name);
    executeSql(db_, changed.createStatement(changed.name));
    for (const auto& index : changed.indexes)
      executeSql(db_, indexStatement(index, changed.name));
    return;
  }
  executeSql(db_, changed.createStatement(kRebuildTable));
  try {
    executeSql(db_,
               "INSERT INTO " + spare + " (" + columns + ") SELECT " + columns + " FROM " + name);
  } catch (const CDaoException& error) {
    throw CDaoException(
        "the rows of table " + bracketed(changed.name) + " do not fit: " + error.what(),
        error.fault());
  }
  executeSql(db_, "DROP TABLE " + name);
  executeSql(db_, "ALTER TABLE " + spare + " RENAME TO " + name);
  for (const auto& index : changed.indexes)
    executeSql(db_, indexStatement(index, changed.name));
}

std::string DestinationSchema::unusedObjectName(const std::string& base) const {
  SqliteStatement query(db_, "SELECT 1 FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE");
  std::string candidate = base;
  for (int suffix = 2; query.bindText(1, candidate).step(); ++suffix) {
    sqlite3_reset(query.get());
    candidate = base + "#" + std::to_string(suffix);
  }
  return candidate;
}

std::optional<DestinationSchema::MovedIndex> DestinationSchema::vacateObjectName(
    std::string_view name) {
  for (auto& [key, owner] : tables_) {
    for (auto& index : owner.indexes) {
      if (!equalsIgnoringAsciiCase(index.sqliteName, name)) continue;
      SchemaIndex moved = index;
      moved.sqliteName = unusedObjectName(owner.name + "." + index.jetName + "#2");
      executeSql(db_, "DROP INDEX " + quoteIdentifier(index.sqliteName));
      executeSql(db_, indexStatement(moved, owner.name));
      catalog_->renameSqliteIndex(owner.name, moved.jetName, moved.sqliteName);
      MovedIndex undo{&index, index.sqliteName};
      index.sqliteName = moved.sqliteName;
      return undo;
    }
  }
  return std::nullopt;
}

}  // namespace vantrel
