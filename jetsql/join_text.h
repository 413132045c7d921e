#pragma once

#include <span>
#include <string>

#include "jetsql/query_build_state.h"

namespace vantrel {

// The FROM text that joins produce, built after the last row. A join row names its tables
// by the names the query uses, so a table used under an alias is written as
// "[table] AS [alias]" wherever the join names it.

// The nested join text of all join rows, each condition in parentheses. Join rows that share
// no table with the ones before them start a text of their own; separate texts are listed
// one after the other, separated by ", ".
std::u16string buildJoinText(std::span<const JoinRow> joinRows, std::span<const TableName> tables);

// The join text of a query with exactly one join row: its condition as stored, without
// parentheses. Empty when the row has no condition.
std::u16string buildSingleJoinText(const JoinRow& join, std::span<const TableName> tables);

// The input tables that take part in no join, each followed by ", ", in row order.
std::u16string tablesOutsideJoins(std::span<const TableName> tables,
                                  std::span<const JoinRow> joinRows);

}  // namespace vantrel
