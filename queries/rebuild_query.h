#pragma once

#include <cstdint>
#include <string>

#include "reader/source_database.h"
#include "run/result_codes.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// Rebuilds one saved query's SQL text from the query catalog (definition on page 4) into
// context.sqlText. While saving, the query is created in the destination under its name, or
// with its name alone when the engine refuses the text; for a preview the text is wrapped
// into lines instead and the database closed. Returns kNothing when the query catalog cannot
// be read, kStopped when the user stopped the run (the query is still built from the rows
// read so far), else kDone.
RunResult rebuildQuery(SourceDatabase& db, int objectType, int64_t queryId,
                       const std::string& queryName, SalvageContext& context);

}  // namespace vantrel
