#pragma once

#include <string_view>

#include "jetsql/view_translation.h"

namespace vantrel {

// Writes the rebuilt Jet SQL of a select, union or crosstab query as one PostgreSQL SELECT
// with Jet's meaning: texts compare without regard to case (through the destination's
// "nocase" collation), booleans are PostgreSQL's, Jet's functions are written with
// PostgreSQL's built-in ones. A crosstab gets one column per value its pivot takes, read
// through `readPivotValues` (without one, a crosstab gets no translation).
ViewTranslation translateQueryToPostgres(std::string_view jetSql,
                                         const PivotValueReader& readPivotValues = {});

}  // namespace vantrel
