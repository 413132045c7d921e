#pragma once

#include <string>

#include "reader/source_database.h"
#include "run/catalog_summary.h"
#include "run/expected.h"
#include "run/run_state.h"

namespace vantrel {

// The file's tables, queries and relations as the analysis lists them, without reading any
// table's rows (column and record counts stay 0): enough to find an object by name. When
// the file cannot be opened, why.
Expected<CatalogSummary, OpenFailure> listCatalogObjects(const std::string& sourcePath,
                                                         RunState& run);

}  // namespace vantrel
