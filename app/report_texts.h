#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "run/catalog_summary.h"

namespace vantrel {

// The plain texts the preview shows beside its tree, with "\r\n" line ends.

// The name of a file format by RunState::sourceFormatVersion's value ("Access 95/97",
// "Access 2000", "Access 2007"...); none for a value no format has.
std::optional<std::string_view> accessFormatName(int formatVersion);

// The file's summary: its totals under a heading with the format's name, if any.
std::string summaryReportText(const CatalogSummary& summary, int formatVersion, int queryCount,
                              int relationCount);

// The "Table", "Query" and "Relation" groups: totals and one numbered line per entry.
std::string tablesReportText(const CatalogSummary& summary);
std::string queriesReportText(const CatalogSummary& summary, int queryCount);
std::string relationsReportText(const CatalogSummary& summary, int relationCount);

// One query with its SQL text; one relation with its tables and fields.
std::string queryReportText(std::string_view name, std::string_view sqlText,
                            std::optional<std::string_view> connect = std::nullopt);
std::string relationReportText(const CatalogSummary::RelationEntry& relation);

// The sum of the record counts of all table entries.
long long totalRecords(const CatalogSummary& summary);

}  // namespace vantrel
