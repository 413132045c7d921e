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

bool isEngineCatalogName(std::string_view name);

}  // namespace vantrel
