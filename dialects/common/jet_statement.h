#pragma once

#include <string_view>

#include "dialects/common/sql_dialect.h"
#include "jetsql/view_translation.h"

namespace vantrel {

// Writes the rebuilt Jet SQL of a select, union or crosstab query as one SELECT of `dialect`.
// A crosstab gets one column per value its pivot takes, read through `readPivotValues`
// (without one, a crosstab gets no translation).
ViewTranslation translateJetStatement(std::string_view jetSql, const SqlDialect& dialect,
                                      const PivotValueReader& readPivotValues);

}  // namespace vantrel
