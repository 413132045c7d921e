#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// One value a crosstab's pivot expression takes in the salvaged rows: as a literal of the
// destination's SQL and as its column heading.
struct PivotValue {
  std::string literal;
  std::string heading;
};

// Runs a SELECT of two text columns (literal, heading) in the destination and returns its
// rows; raises a std::exception that says why when it fails.
using PivotValueReader = std::function<std::vector<PivotValue>(const std::string& select)>;

// A saved query's SQL as a destination's engine runs it: the SELECT of a view, or, when there
// is none, the reason in words ("parameter query", "uses the function DLookup").
struct ViewTranslation {
  std::optional<std::string> sql;
  std::string reason;
};

// Writes the rebuilt Jet SQL of a query as the SELECT of a view in one SQL dialect. Every
// dialect has one; a destination's views are made with the one of the dialect it declares.
using ViewTranslator = ViewTranslation (*)(std::string_view jetSql,
                                           const PivotValueReader& readPivotValues);

}  // namespace vantrel
