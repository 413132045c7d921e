#pragma once

#include <string>

#include "reader/source_database.h"
#include "run/result_codes.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// Re-creates the relations stored in the relations table (definition on page 5) while
// saving, or lists them in the catalog summary while analysing. The rows of one relation
// over several fields are gathered into one relation. A relation the engine refuses is tried
// once more under its stored name, not enforced. Returns kNothing when the relations table has
// no definition or no rows, kStopped when the user stopped the run, else kDone. The value and the
// name play no part.
RunResult salvageRelations(SourceDatabase& db, int value, const std::string& name,
                           SalvageContext& context);

}  // namespace vantrel
