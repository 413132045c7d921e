#pragma once

#include "jetsql/rebuild_query.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// Saves a rebuilt query in the destination under its name, or with its name alone when the
// engine refuses the text or a stop left the text unfinished; what the destination did not
// take is a loss of the file.
void saveRebuiltQuery(const RebuiltQuery& query, SalvageContext& context);

}  // namespace vantrel
