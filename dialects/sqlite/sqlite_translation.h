#pragma once

#include <string_view>

#include "jetsql/view_translation.h"

namespace vantrel {

// Writes the rebuilt Jet SQL of a select, union or crosstab query as one SQLite SELECT that
// uses only SQLite's built-in functions, so that any program that opens the destination can
// run it. A crosstab gets one column per value its pivot takes, read through
// `readPivotValues` (without one, a crosstab gets no translation).
ViewTranslation translateQueryToSqlite(std::string_view jetSql,
                                       const PivotValueReader& readPivotValues = {});

}  // namespace vantrel
