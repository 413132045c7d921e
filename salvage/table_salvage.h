#pragma once

#include <cstdint>
#include <string>

#include "reader/source_database.h"
#include "run/walk_end.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// Saves one user table: re-creates it in the destination, writes its rows and its totals to
// the saving list and the activity log, and takes note of what the destination did not take.
// Rows whose every value is empty are dropped. A definition that cannot be read leaves no
// trace.
WalkEnd saveTable(SourceDatabase& db, int64_t tdefPage, const std::string& name,
                  SalvageContext& context);

}  // namespace vantrel
