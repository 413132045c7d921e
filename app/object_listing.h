#pragma once

#include <optional>
#include <string>

#include "run/catalog_summary.h"
#include "run/run_state.h"

namespace vantrel {

// The file's tables, queries and relations as the analysis lists them, without reading any
// table's rows (column and record counts stay 0): enough to find an object by name. None
// when the file cannot be opened.
std::optional<CatalogSummary> listCatalogObjects(const std::string& sourcePath, RunState& run);

}  // namespace vantrel
