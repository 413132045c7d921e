#include "salvage/postgres_destination.h"

#include "salvage/engine_catalog.h"
#include "salvage/postgres_database.h"

namespace vantrel {

namespace {

// PostgreSQL keeps the first 63 bytes of a name; a UTF-8 character is not cut in two.
constexpr size_t kMaxNameBytes = 63;

std::string shortenedName(const std::string& name) {
  return cutWithHash(name, kMaxNameBytes);
}

}  // namespace

NameRules postgresNameRules() {
  return {.destination = "PostgreSQL",
          .maxBytes = kMaxNameBytes,
          .reservedTablePrefixes = {std::string(kEngineCatalogPrefix)},
          .reservedColumnNames = {"tableoid", "xmin", "cmin", "xmax", "cmax", "ctid", "oid"}};
}

std::string postgresSchemaName(const std::filesystem::path& file, bool schemaPerFile) {
  if (schemaPerFile) return shortenedName(file.stem().string());
  // "Repair_9-5-7" becomes "repair_9_5_7", a name that needs no quotes in SQL.
  std::string name = file.parent_path().filename().string();
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '-' || c == ' ') c = '_';
  }
  return shortenedName(name.empty() ? "repair" : name);
}

bool PostgresRunNames::taken(std::set<std::string>& names, const std::string& name, bool claim) {
  std::lock_guard lock(mutex);
  if (names.contains(name)) return true;
  if (claim) names.insert(name);
  return false;
}

PostgresDestinations::PostgresDestinations(PostgresSaving saving) : saving_(std::move(saving)) {
  if (!saving_.schemaPerFile) saving_.runNames = std::make_shared<PostgresRunNames>();
}

std::unique_ptr<Destination> PostgresDestinations::create(const std::filesystem::path& file) const {
  PostgresConnection connection(saving_.target.conninfo, saving_.target.connectTimeoutSeconds,
                                saving_.stop);
  return std::make_unique<PostgresDatabase>(
      std::move(connection), postgresSchemaName(file, saving_.schemaPerFile), saving_);
}

std::string PostgresDestinations::location(const std::filesystem::path& file) const {
  return saving_.target.display + " schema " + postgresSchemaName(file, saving_.schemaPerFile);
}

}  // namespace vantrel
