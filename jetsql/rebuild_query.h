#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "reader/source_database.h"
#include "run/expected.h"

namespace vantrel {

// One saved query as rebuilt from the query catalog.
struct RebuiltQuery {
  std::string name;
  // The Jet SQL text as composed from the query's catalog rows; a query without rows
  // composes as the empty text or a bare ";", which the destinations take as no statement.
  std::string jetSql;
  std::optional<std::string> connect;  // a pass-through query's connect string
  // The run was stopped part-way through the catalog: the text is built from the rows read.
  bool stopped = false;
};

// Why a query could not be rebuilt.
enum class RebuildFailure {
  kCatalogUnreadable,  // the query catalog (definition on page 4) cannot be opened
};

// Rebuilds the saved query with `queryId` (the catalog's object id of the query) from the
// query catalog. Reads the file only; a stop request of the database's run ends the reading
// early, and the query is then built from the rows read so far.
Expected<RebuiltQuery, RebuildFailure> rebuildQuery(SourceDatabase& db, int64_t queryId,
                                                    std::string name);

}  // namespace vantrel
