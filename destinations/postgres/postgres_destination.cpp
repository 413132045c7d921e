#include "destinations/postgres/postgres_destination.h"

#include "destinations/catalog_tables.h"
#include "destinations/postgres/postgres_connection.h"
#include "destinations/postgres/postgres_database.h"
#include "jetsql/identifier_text.h"

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

std::string postgresSchemaName(const DestinationPlace& place, bool schemaPerFile) {
  if (schemaPerFile) return shortenedName(place.name);
  // "Repair_9-5-7" becomes "repair_9_5_7", a name that needs no quotes in SQL.
  std::string name = place.run;
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
  saving_.savedTables = std::make_shared<PostgresSavedTables>();
}

DestinationCapabilities PostgresDestinations::capabilities() const {
  return {.takesViews = true, .viewDialect = ViewDialect::PostgreSQL, .filePerSource = false};
}

std::string PostgresDestinations::runLocation(std::string_view /*run*/) const {
  return saving_.target.display;
}

std::unique_ptr<Destination> PostgresDestinations::create(const DestinationPlace& place) const {
  PostgresConnection connection(saving_.target.conninfo, saving_.target.connectTimeoutSeconds,
                                saving_.stop);
  return std::make_unique<PostgresDatabase>(
      std::move(connection), postgresSchemaName(place, saving_.schemaPerFile), saving_);
}

std::string PostgresDestinations::location(const DestinationPlace& place) const {
  const std::string schema = postgresSchemaName(place, saving_.schemaPerFile);
  std::string location = saving_.target.display + " schema " + schema;
  std::lock_guard lock(mutex_);
  schemas_[location] = schema;
  return location;
}

std::string PostgresDestinations::summary(const std::vector<std::string>& locations) const {
  std::set<std::string> schemas;
  {
    std::lock_guard lock(mutex_);
    for (const std::string& location : locations) {
      if (const auto found = schemas_.find(location); found != schemas_.end())
        schemas.insert(found->second);
    }
  }
  if (schemas.empty()) return "";
  std::string text = saving_.target.display;
  const char* separator = schemas.size() == 1 ? ", schema " : ", schemas ";
  for (const std::string& schema : schemas) {
    text += separator + schema;
    separator = ", ";
  }
  return text;
}

std::vector<SavedTable> PostgresDestinations::savedTables(const std::string& location) const {
  std::vector<SavedTable> tables;
  std::string schema;
  {
    std::lock_guard lock(mutex_);
    const auto found = schemas_.find(location);
    if (found == schemas_.end()) return tables;
    schema = found->second;
  }
  {
    std::lock_guard lock(saving_.savedTables->mutex);
    const auto found = saving_.savedTables->byLocation.find(location);
    if (found == saving_.savedTables->byLocation.end()) return tables;
    for (const std::string& name : found->second)
      tables.push_back({name, 0});
  }
  try {
    const PostgresConnection db(saving_.target.conninfo, saving_.target.connectTimeoutSeconds,
                                saving_.stop);
    for (SavedTable& table : tables) {
      const auto rows = db.queryValue("SELECT count(*) FROM " + db.quoteIdentifier(schema) + "." +
                                      db.quoteIdentifier(table.name));
      table.rows = rows ? std::stoll(*rows) : 0;
    }
  } catch (const DestinationError&) {
    // A server that cannot be read back reports the tables with what was counted.
  }
  return tables;
}

std::optional<DestinationProbe> PostgresDestinations::probe() const {
  const PostgresConnection db(saving_.target.conninfo, saving_.target.connectTimeoutSeconds,
                              saving_.stop);
  DestinationProbe found{.engine = "PostgreSQL"};
  found.version = db.queryValue("SHOW server_version").value_or("");
  found.database = db.queryValue("SELECT current_database()").value_or("");
  found.user = db.queryValue("SELECT current_user").value_or("");
  const auto schemas = db.queryValue(
      "SELECT count(*) FROM pg_namespace WHERE nspname NOT LIKE 'pg\\_%' AND "
      "nspname <> 'information_schema'");
  found.schemas = schemas ? std::stoll(*schemas) : 0;
  return found;
}

bool isPostgresAddress(std::string_view address) {
  const auto startsWith = [&](std::string_view scheme) {
    return address.size() >= scheme.size() &&
           equalsIgnoringAsciiCase(address.substr(0, scheme.size()), scheme);
  };
  if (startsWith("postgresql://") || startsWith("postgres://")) return true;
  // "host=db dbname=archive": a word and "=" before any blank, slash or dot of a path.
  const size_t equals = address.find('=');
  return equals != std::string_view::npos && equals > 0 &&
         address.substr(0, equals).find_first_of(" /.\t") == std::string_view::npos;
}

void registerPostgresDestination(DestinationRegistry& registry) {
  registry.add("postgresql", isPostgresAddress,
               [](std::string_view address, const DestinationOptions& options)
                   -> Expected<std::unique_ptr<DestinationKind>, std::string> {
                 std::string problem;
                 auto target = parsePostgresTarget(address, problem);
                 if (!target) return Unexpected(std::move(problem));
                 target->connectTimeoutSeconds = options.connectTimeoutSeconds;
                 return std::unique_ptr<DestinationKind>(std::make_unique<PostgresDestinations>(
                     PostgresSaving{.target = *std::move(target),
                                    .schemaPerFile = options.schemaPerFile,
                                    .replaceExisting = options.replaceExisting,
                                    .log = options.log,
                                    .stop = options.stop}));
               });
}

}  // namespace vantrel
