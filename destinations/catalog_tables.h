#pragma once

#include <string_view>

namespace vantrel {

// The catalog tables every destination database holds beside the user's. Their names start with
// "MSys", which the salvage never gives to a user table, and the engine refuses user tables whose
// names start with kEngineCatalogPrefix.
inline constexpr std::string_view kEngineCatalogPrefix = "MSysVantrel";
inline constexpr std::string_view kPropertiesTable = "MSysVantrelProperties";
inline constexpr std::string_view kQueriesTable = "MSysVantrelQueries";
inline constexpr std::string_view kRelationsTable = "MSysVantrelRelations";
inline constexpr std::string_view kIndexesTable = "MSysVantrelIndexes";
// What the file's property blocks say of each table and column (Description, Format, Caption,
// ValidationRule...): table_name, column_name (null for the table's own), property, value.
inline constexpr std::string_view kTablePropertiesTable = "MSysVantrelTableProperties";

bool isEngineCatalogName(std::string_view name);

}  // namespace vantrel
