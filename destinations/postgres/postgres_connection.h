#pragma once

#include <libpq-fe.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Thin RAII over libpq. Every failure becomes a DestinationError with the server's or libpq's
// own message, so that the salvage catches PostgreSQL's refusals where it catches SQLite's.

struct PgResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultClearer>;

class PostgresConnection {
 public:
  // Connects with a libpq connection string or URI; the password comes from libpq's own
  // sources (PGPASSWORD, the password file, a service file). Raises when it cannot connect,
  // also when the server has not answered within `connectTimeoutSeconds` (a server that
  // takes the connection and never speaks would hold the run for ever), and when `stop`
  // (the run's stop request, when given) is set while it waits.
  explicit PostgresConnection(const std::string& conninfo,
                              int connectTimeoutSeconds = kDefaultConnectTimeoutSeconds,
                              const std::atomic<int>* stop = nullptr);
  static constexpr int kDefaultConnectTimeoutSeconds = 10;
  PostgresConnection(PostgresConnection&&) noexcept = default;
  PostgresConnection& operator=(PostgresConnection&&) noexcept = default;
  PostgresConnection(const PostgresConnection&) = delete;
  PostgresConnection& operator=(const PostgresConnection&) = delete;
  ~PostgresConnection() = default;

  PGconn* get() const { return connection_.get(); }
  // Whether the server is still there as far as libpq knows.
  bool alive() const { return PQstatus(get()) == CONNECTION_OK; }
  // The backend's process id (for the server's own views of it).
  int backendPid() const { return PQbackendPID(get()); }

  // Runs statements that return no rows or whose rows are not needed.
  void execute(const std::string& sql) const;
  // Runs one statement with text parameters (none: NULL) and returns its result.
  PgResult query(const std::string& sql,
                 const std::vector<std::optional<std::string>>& parameters = {}) const;
  // The first column of the first row of a query, or none for no row or a NULL.
  std::optional<std::string> queryValue(
      const std::string& sql, const std::vector<std::optional<std::string>>& parameters = {}) const;

  // Ends the open transaction, if any, with ROLLBACK; raises nothing (a connection that went
  // away has no transaction left).
  void rollback() const noexcept;

  // The name quoted as a PostgreSQL identifier (any text becomes one this way).
  std::string quoteIdentifier(std::string_view name) const;
  // The text as a PostgreSQL string literal.
  std::string quoteLiteral(std::string_view text) const;

  // The COPY ... FROM STDIN protocol: begin, send whole rows in any chunks, end. end()
  // raises with the server's reason when the rows were refused; abort() gives up on them.
  void beginCopy(const std::string& copyStatement) const;
  void sendCopyData(std::string_view data) const;
  void endCopy() const;
  void abortCopy(std::string_view reason) const;

  // libpq's last message, without its trailing line break.
  std::string lastError() const;
  // A failure of this connection, with its fault: the server's state for `result` (a full
  // disk, a shutdown...), or a connection that is gone.
  [[noreturn]] void fail(const std::string& message, const PGresult* result = nullptr) const;

 private:
  struct Closer {
    void operator()(PGconn* connection) const { PQfinish(connection); }
  };
  std::unique_ptr<PGconn, Closer> connection_;
};

// The SQLSTATE of a failed result ("" when there is none, as when the server went away).
std::string sqlState(const PGresult* result);

}  // namespace vantrel
