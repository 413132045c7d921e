#include "destinations/postgres/postgres_connection.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>

#include "destinations/destination.h"

namespace vantrel {

namespace {

constexpr int kStopCheckMilliseconds = 100;

std::string trimmed(const char* message) {
  std::string text = message != nullptr ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

// The server's primary message where there is one, else libpq's.
[[noreturn]] void throwResultError(const PostgresConnection& connection, const PGresult* result) {
  const char* primary =
      result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string message = primary != nullptr ? trimmed(primary) : connection.lastError();
  if (message.empty()) message = "the server did not answer";
  connection.fail(message, result);
}

// The SQLSTATE classes after which the server takes nothing more from this run.
DestinationFault faultOfState(std::string_view state) {
  if (state == "53100") return DestinationFault::kDiskFull;
  if (state == "25006") return DestinationFault::kReadOnly;
  if (state.starts_with("08") || state.starts_with("57P")) return DestinationFault::kConnectionLost;
  if (state.starts_with("53") || state.starts_with("58")) return DestinationFault::kWriteFailed;
  return DestinationFault::kNone;
}

bool succeeded(const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

using Clock = std::chrono::steady_clock;

// Connects without blocking, looking every tenth of a second whether the run was stopped, and
// giving up once the server has not finished the start-up within the timeout.
PGconn* connectWithin(const std::string& conninfo, int timeoutSeconds,
                      const std::atomic<int>* stop) {
  // The connection string or URI is expanded from "dbname".
  const std::array<const char*, 2> keywords = {"dbname", nullptr};
  const std::array<const char*, 2> values = {conninfo.c_str(), nullptr};
  PGconn* connection = PQconnectStartParams(keywords.data(), values.data(), 1);
  if (connection == nullptr || PQstatus(connection) == CONNECTION_BAD) return connection;
  const auto deadline = Clock::now() + std::chrono::seconds(std::max(timeoutSeconds, 1));
  PostgresPollingStatusType state = PGRES_POLLING_WRITING;
  while (state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
    pollfd socket{PQsocket(connection),
                  state == PGRES_POLLING_READING ? short{POLLIN} : short{POLLOUT}, 0};
    int ready = 0;
    while (ready == 0) {
      const char* givenUp = nullptr;
      if (stop != nullptr && stop->load() != 0) givenUp = "stopped while connecting";
      if (Clock::now() >= deadline) givenUp = "no answer from the server";
      if (givenUp != nullptr) {
        PQfinish(connection);
        throw DestinationError(std::string(givenUp) + " (connect timeout " +
                               std::to_string(std::max(timeoutSeconds, 1)) + " s)");
      }
      ready = ::poll(&socket, 1, kStopCheckMilliseconds);
      if (ready < 0 && errno == EINTR) ready = 0;
    }
    state = PQconnectPoll(connection);
  }
  return connection;
}

}  // namespace

PostgresConnection::PostgresConnection(const std::string& conninfo, int connectTimeoutSeconds,
                                       const std::atomic<int>* stop)
    : connection_(connectWithin(conninfo, connectTimeoutSeconds, stop)) {
  if (!connection_) throw DestinationError("out of memory while connecting to PostgreSQL");
  if (PQstatus(get()) != CONNECTION_OK) throw DestinationError(lastError());  // never connected
  // Identifiers and texts are sent as given, in UTF-8, whatever the server's defaults are.
  if (PQsetClientEncoding(get(), "UTF8") != 0) fail(lastError());
  execute("SET standard_conforming_strings = on; SET client_min_messages = warning");
}

void PostgresConnection::execute(const std::string& sql) const {
  const PgResult result(PQexec(get(), sql.c_str()));
  if (!succeeded(result.get())) throwResultError(*this, result.get());
}

PgResult PostgresConnection::query(
    const std::string& sql, const std::vector<std::optional<std::string>>& parameters) const {
  std::vector<const char*> values;
  values.reserve(parameters.size());
  for (const auto& parameter : parameters)
    values.push_back(parameter ? parameter->c_str() : nullptr);
  PgResult result(PQexecParams(get(), sql.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0));
  if (!succeeded(result.get())) throwResultError(*this, result.get());
  return result;
}

std::optional<std::string> PostgresConnection::queryValue(
    const std::string& sql, const std::vector<std::optional<std::string>>& parameters) const {
  const PgResult result = query(sql, parameters);
  if (PQntuples(result.get()) < 1 || PQnfields(result.get()) < 1 ||
      PQgetisnull(result.get(), 0, 0) != 0) {
    return std::nullopt;
  }
  return std::string(PQgetvalue(result.get(), 0, 0));
}

void PostgresConnection::rollback() const noexcept {
  if (PQstatus(get()) != CONNECTION_OK) return;
  PQclear(PQexec(get(), "ROLLBACK"));
}

std::string PostgresConnection::quoteIdentifier(std::string_view name) const {
  char* quoted = PQescapeIdentifier(get(), name.data(), name.size());
  if (quoted == nullptr) fail(lastError());
  std::string text(quoted);
  PQfreemem(quoted);
  return text;
}

std::string PostgresConnection::quoteLiteral(std::string_view text) const {
  char* quoted = PQescapeLiteral(get(), text.data(), text.size());
  if (quoted == nullptr) fail(lastError());
  std::string literal(quoted);
  PQfreemem(quoted);
  return literal;
}

void PostgresConnection::beginCopy(const std::string& copyStatement) const {
  const PgResult result(PQexec(get(), copyStatement.c_str()));
  if (PQresultStatus(result.get()) != PGRES_COPY_IN) throwResultError(*this, result.get());
}

void PostgresConnection::sendCopyData(std::string_view data) const {
  if (data.empty()) return;
  if (PQputCopyData(get(), data.data(), static_cast<int>(data.size())) != 1) fail(lastError());
}

void PostgresConnection::endCopy() const {
  if (PQputCopyEnd(get(), nullptr) != 1) fail(lastError());
  // The COPY's own result, then the end of the command; every result is read so that the
  // connection is ready for the next statement.
  std::optional<std::string> failure;
  std::string state;
  while (PGresult* raw = PQgetResult(get())) {
    const PgResult result(raw);
    if (!failure && PQresultStatus(raw) != PGRES_COMMAND_OK) {
      const char* primary = PQresultErrorField(raw, PG_DIAG_MESSAGE_PRIMARY);
      failure = primary != nullptr ? trimmed(primary) : lastError();
      state = sqlState(raw);
    }
    if (PQstatus(get()) == CONNECTION_BAD) break;
  }
  if (!failure && PQstatus(get()) == CONNECTION_BAD) failure = lastError();
  if (!failure) return;
  const std::string message = failure->empty() ? "the server did not answer" : *failure;
  DestinationFault fault = faultOfState(state);
  if (PQstatus(get()) == CONNECTION_BAD) fault = DestinationFault::kConnectionLost;
  throw DestinationError(message, fault);
}

void PostgresConnection::fail(const std::string& message, const PGresult* result) const {
  DestinationFault fault = faultOfState(sqlState(result));
  if (PQstatus(get()) == CONNECTION_BAD) fault = DestinationFault::kConnectionLost;
  throw DestinationError(message, fault);
}

void PostgresConnection::abortCopy(std::string_view reason) const {
  const std::string text(reason);
  if (PQputCopyEnd(get(), text.c_str()) == 1) {
    while (PGresult* raw = PQgetResult(get())) {
      PQclear(raw);
      if (PQstatus(get()) == CONNECTION_BAD) break;
    }
  }
}

std::string PostgresConnection::lastError() const {
  return trimmed(PQerrorMessage(get()));
}

std::string sqlState(const PGresult* result) {
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  return state != nullptr ? state : "";
}

}  // namespace vantrel
