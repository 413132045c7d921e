#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "destinations/destination.h"

namespace vantrel {

// Thin RAII over the SQLite C interface. Every failure becomes a CDaoException with
// SQLite's own message.

struct SqliteConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteConnection = std::unique_ptr<sqlite3, SqliteConnectionCloser>;

[[noreturn]] void throwSqliteError(sqlite3* db, std::string_view context);

// Whether an SQLite result code leaves the database unable to take more writes.
DestinationFault sqliteFault(int extendedCode);

// Runs one or more statements that return no rows.
void executeSql(sqlite3* db, const std::string& sql);

// "name" with inner quotes doubled: any text is a valid SQLite identifier this way.
std::string quoteIdentifier(std::string_view name);

class SqliteStatement {
 public:
  SqliteStatement() = default;
  SqliteStatement(sqlite3* db, std::string_view sql);
  SqliteStatement(SqliteStatement&& other) noexcept : statement_(other.statement_) {
    other.statement_ = nullptr;
  }
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  ~SqliteStatement() { sqlite3_finalize(statement_); }

  sqlite3_stmt* get() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }

  // Binds texts by position (1-based) for the catalog statements.
  SqliteStatement& bindText(int position, std::string_view text);
  SqliteStatement& bindInt(int position, long long value);
  SqliteStatement& bindNull(int position);

  // True while rows come; false when the statement is done. Errors raise after a reset.
  bool step();
  std::string columnText(int column) const;
  long long columnInt(int column) const { return sqlite3_column_int64(statement_, column); }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// A named savepoint that is rolled back unless released: groups the steps of one engine call
// so that a failure leaves no half-done change, inside or outside a running transaction.
class SqliteSavepoint {
 public:
  explicit SqliteSavepoint(sqlite3* db);
  ~SqliteSavepoint();
  SqliteSavepoint(const SqliteSavepoint&) = delete;
  SqliteSavepoint& operator=(const SqliteSavepoint&) = delete;

  void release();

 private:
  sqlite3* db_;
  bool open_ = true;
};

}  // namespace vantrel
