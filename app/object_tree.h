#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/catalog_summary.h"

namespace vantrel {

inline constexpr std::string_view kTableGroup = "Table";
inline constexpr std::string_view kQueryGroup = "Query";
inline constexpr std::string_view kRelationGroup = "Relation";
inline constexpr std::string_view kDamageGroup = "Damage";

// The preview's tree as data: the file's path at the root, under it always the three groups
// "Table", "Query" and "Relation", and under each group its entries' names in list order;
// after them, when the reader passed over damage, the group "Damage" with a line for each
// piece listed.
struct ObjectTree {
  std::string root;
  std::vector<std::string> tables;
  std::vector<std::string> queries;
  std::vector<std::string> relations;
  std::vector<std::string> damage;
};

// The tree of an analysed file; the root is the path as shown to the user.
ObjectTree objectTreeOf(const std::string& sourcePath, const CatalogSummary& summary);

// The first entry of that name (names compare exactly), or null.
const CatalogSummary::TableEntry* findTableEntry(const CatalogSummary& summary,
                                                 std::string_view name);
const CatalogSummary::QueryEntry* findQueryEntry(const CatalogSummary& summary,
                                                 std::string_view name);
const CatalogSummary::RelationEntry* findRelationEntry(const CatalogSummary& summary,
                                                       std::string_view name);

// What the preview shows for a selected tree item, in the order it acts. Every rule that
// matches acts, so a table named "Table" shows the table list and its own rows.
enum class PreviewAction {
  TablesReport,
  QueriesReport,
  RelationsReport,
  TableRows,
  QueryReport,
  RelationReport,
  SummaryReport,
  DamageReport
};
std::vector<PreviewAction> previewActions(std::string_view selected, std::string_view parent,
                                          std::string_view root);

}  // namespace vantrel
