#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// One value a crosstab's pivot expression takes in the salvaged rows: as an SQLite literal
// (quote()) and as its column heading.
struct PivotValue {
  std::string literal;
  std::string heading;
};

// Runs an SQLite SELECT of two text columns (literal, heading) in the destination and returns
// its rows; raises a std::exception that says why when it fails.
using PivotValueReader = std::function<std::vector<PivotValue>(const std::string& select)>;

// A saved query's SQL as SQLite runs it: the SELECT of a view, or, when there is none, the
// reason in words ("parameter query", "uses the function DLookup").
struct SqliteTranslation {
  std::optional<std::string> sql;
  std::string reason;
};

// Writes the rebuilt Jet SQL of a select, union or crosstab query as one SQLite SELECT that
// uses only SQLite's built-in functions, so that any program that opens the destination can
// run it. A crosstab gets one column per value its pivot takes, read through
// `readPivotValues` (without one, a crosstab gets no translation).
SqliteTranslation translateQueryToSqlite(std::string_view jetSql,
                                         const PivotValueReader& readPivotValues = {});

// The names a statement mentions (words and [names]), to find the queries it reads.
std::vector<std::string> namesInJetSql(std::string_view jetSql);

}  // namespace vantrel
