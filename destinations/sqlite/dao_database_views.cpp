// The destination's saved queries as SQLite views: the calls the view step makes on the
// database besides Jet's own.

#include <algorithm>
#include <chrono>

#include "destinations/sqlite/dao_database.h"
#include "destinations/sqlite/engine_catalog.h"

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

struct ViewCheck {
  Clock::time_point deadline;
  const Destination* destination;
};

// Interrupts a statement once its time is up or the run is asked to stop (SQLite calls this
// every few thousand steps).
int interruptAfterDeadline(void* check) {
  const auto* view = static_cast<const ViewCheck*>(check);
  return Clock::now() >= view->deadline || view->destination->stopRequested() ? 1 : 0;
}

// Steps a view's rows to the end, or until the check's time is up; the time it took comes off
// `timeLeft`.
void runView(sqlite3* db, std::string_view name, std::chrono::milliseconds& timeLeft,
             const Destination& destination) {
  const Clock::time_point start = Clock::now();
  const auto allowed = std::min(timeLeft, std::chrono::milliseconds(kViewCheckMilliseconds));
  if (allowed <= std::chrono::milliseconds(0)) return;
  ViewCheck check{start + allowed, &destination};
  struct Charge {
    Clock::time_point start;
    std::chrono::milliseconds& timeLeft;
    ~Charge() {
      timeLeft -= std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }
  } charge{start, timeLeft};
  sqlite3_progress_handler(db, 10000, interruptAfterDeadline, &check);
  try {
    SqliteStatement select(db, "SELECT * FROM " + quoteIdentifier(name));
    for (;;) {
      const int stepped = sqlite3_step(select.get());
      if (stepped == SQLITE_ROW) continue;
      if (stepped == SQLITE_DONE || stepped == SQLITE_INTERRUPT) break;
      throwSqliteError(db, "");
    }
  } catch (...) {
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    throw;
  }
  sqlite3_progress_handler(db, 0, nullptr, nullptr);
}

// Turns off double-quoted strings for as long as it lives.
class StrictNames {
 public:
  explicit StrictNames(sqlite3* db) : db_(db) { set(0); }
  ~StrictNames() { set(1); }
  StrictNames(const StrictNames&) = delete;
  StrictNames& operator=(const StrictNames&) = delete;

 private:
  void set(int allowed) {
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, allowed, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, allowed, nullptr);
  }
  sqlite3* db_;
};

}  // namespace

std::vector<QueryRecord> CDaoDatabase::QueryDefs() const {
  return catalog().queries();
}

void CDaoDatabase::CreateView(std::string_view name, std::string_view select) {
  EngineCatalog& queries = catalog();
  if (!queries.hasQuery(name)) throw CDaoException("no saved query [" + std::string(name) + "]");
  // SQLite would read a "name" that matches no column as a string; the view is checked with
  // that turned off, so that every name in it is known to be a column or a table.
  const StrictNames strict(handle());
  SqliteSavepoint savepoint(handle());
  executeSql(handle(), "CREATE VIEW " + quoteIdentifier(name) + " AS " + std::string(select));
  runView(handle(), name, viewCheckTimeLeft_, *this);
  queries.setQueryView(name, select, std::nullopt);
  savepoint.release();
}

void CDaoDatabase::SetNoViewReason(std::string_view name, std::string_view reason) {
  catalog().setQueryView(name, std::nullopt, reason);
}

std::vector<std::pair<std::string, std::string>> CDaoDatabase::SelectTextPairs(
    std::string_view select, size_t maxRows) const {
  SqliteStatement statement(handle(), select);
  if (sqlite3_column_count(statement.get()) != 2) {
    throw CDaoException("a statement of two columns was expected");
  }
  std::vector<std::pair<std::string, std::string>> rows;
  while (rows.size() < maxRows && statement.step()) {
    rows.emplace_back(statement.columnText(0), statement.columnText(1));
  }
  return rows;
}

}  // namespace vantrel
