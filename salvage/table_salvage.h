#pragma once

#include <cstdint>
#include <string>

#include "reader/source_database.h"
#include "run/result_codes.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// Salvages one user table. Saving: re-creates it in the destination, writes its rows and its
// totals to the saving list and the activity log. Analysis: counts its rows into the catalog
// summary. Rows whose every value is
// empty are dropped. Returns kStopped when the user stopped the run, else kDone (also when the
// table's definition cannot be read, which leaves no trace).
RunResult salvageTable(SourceDatabase& db, int typeValue, int64_t tdefPage, const std::string& name,
                       SalvageContext& context);

}  // namespace vantrel
