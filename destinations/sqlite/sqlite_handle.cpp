#include "destinations/sqlite/sqlite_handle.h"

#include <climits>

#include "destinations/sqlite/dao_exception.h"

namespace vantrel {

DestinationFault sqliteFault(int extendedCode) {
  switch (extendedCode & 0xff) {
    case SQLITE_FULL:
      return DestinationFault::kDiskFull;
    case SQLITE_READONLY:
      return DestinationFault::kReadOnly;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_NOMEM:
      return DestinationFault::kWriteFailed;
    default:
      return DestinationFault::kNone;
  }
}

void throwSqliteError(sqlite3* db, std::string_view context) {
  std::string message(context);
  if (!message.empty()) message += ": ";
  message += db != nullptr ? sqlite3_errmsg(db) : "out of memory";
  throw CDaoException(message, db != nullptr ? sqliteFault(sqlite3_extended_errcode(db))
                                             : DestinationFault::kWriteFailed);
}

void executeSql(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  if (result == SQLITE_OK) return;
  const std::string message = error != nullptr ? error : sqlite3_errmsg(db);
  sqlite3_free(error);
  throw CDaoException(message, sqliteFault(sqlite3_extended_errcode(db)));
}

std::string quoteIdentifier(std::string_view name) {
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted += '"';
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) {
  if (sql.size() > INT_MAX) throw CDaoException("statement too long");
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    throwSqliteError(db, "");
  }
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(statement_);
    statement_ = other.statement_;
    other.statement_ = nullptr;
  }
  return *this;
}

SqliteStatement& SqliteStatement::bindText(int position, std::string_view text) {
  sqlite3_bind_text64(statement_, position, text.data(), text.size(), SQLITE_TRANSIENT,
                      SQLITE_UTF8);
  return *this;
}

SqliteStatement& SqliteStatement::bindInt(int position, long long value) {
  sqlite3_bind_int64(statement_, position, value);
  return *this;
}

SqliteStatement& SqliteStatement::bindNull(int position) {
  sqlite3_bind_null(statement_, position);
  return *this;
}

bool SqliteStatement::step() {
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) {
    sqlite3_reset(statement_);
    return false;
  }
  sqlite3* db = sqlite3_db_handle(statement_);
  const std::string message = sqlite3_errmsg(db);
  const DestinationFault fault = sqliteFault(sqlite3_extended_errcode(db));
  sqlite3_reset(statement_);
  throw CDaoException(message, fault);
}

std::string SqliteStatement::columnText(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

SqliteSavepoint::SqliteSavepoint(sqlite3* db) : db_(db) {
  executeSql(db_, "SAVEPOINT engine_call");
}

SqliteSavepoint::~SqliteSavepoint() {
  if (!open_) return;
  // Undo everything since the savepoint; a failure here leaves nothing better to do.
  sqlite3_exec(db_, "ROLLBACK TO engine_call; RELEASE engine_call", nullptr, nullptr, nullptr);
}

void SqliteSavepoint::release() {
  executeSql(db_, "RELEASE engine_call");
  open_ = false;
}

}  // namespace vantrel
