#include "destinations/postgres/postgres_url.h"

#include <libpq-fe.h>

#include <map>
#include <memory>

namespace vantrel {

namespace {

struct OptionsFreer {
  void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};

}  // namespace

std::optional<PostgresTarget> parsePostgresTarget(std::string_view text, std::string& problem) {
  const std::string conninfo(text);
  char* error = nullptr;
  const std::unique_ptr<PQconninfoOption, OptionsFreer> options(
      PQconninfoParse(conninfo.c_str(), &error));
  if (!options) {
    // libpq's message quotes the text, password and all: only its words before the first
    // quotation go on.
    std::string reason = error != nullptr ? error : "";
    PQfreemem(error);
    reason = reason.substr(0, reason.find_first_of("\"\n"));
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == ':'))
      reason.pop_back();
    problem = "the destination is no PostgreSQL URL or connection string";
    if (!reason.empty()) problem += " (" + reason + ")";
    return std::nullopt;
  }
  std::map<std::string, std::string> given;
  for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
    if (option->val != nullptr && *option->val != '\0') given[option->keyword] = option->val;
  }
  if (given.contains("password")) {
    problem =
        "a password does not belong in the destination: give it in PGPASSWORD, ~/.pgpass or a "
        "service file";
    return std::nullopt;
  }
  const auto part = [&](const char* key) {
    const auto found = given.find(key);
    return found != given.end() ? found->second : std::string();
  };
  std::string display = "postgresql://";
  if (!part("user").empty()) display += part("user") + "@";
  display += part("host").empty() ? part("hostaddr") : part("host");
  if (!part("port").empty()) display += ":" + part("port");
  display += "/" + part("dbname");
  if (!part("service").empty()) display += "?service=" + part("service");
  return PostgresTarget{conninfo, display};
}

}  // namespace vantrel
