#pragma once

#include "destinations/destination.h"
#include "salvage/salvage_context.h"

namespace vantrel {

struct QueryViewCount {
  int made = 0;          // views created
  int queries = 0;       // saved queries in the destination
  bool stopped = false;  // the user stopped the run before every view was made
};

// Makes every saved query of the destination a view of its name where its Jet SQL translates
// into `dialect`, the one the destination's kind takes, and the engine runs it, once all tables and
// relations are saved: a query that reads another one comes after it. A query that gets no view
// keeps the reason in the engine's queries table. The saving list and the activity log get the
// count (no line for a file without queries). A stop takes effect between two views; a destination
// that fails for good ends the views and is noted in its losses.
QueryViewCount createQueryViews(SalvageContext& context, ViewDialect dialect);

}  // namespace vantrel
