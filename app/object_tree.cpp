#include "app/object_tree.h"

#include <algorithm>

#include "reader/catalog_walk.h"

namespace vantrel {
namespace {

template <typename Entry>
const Entry* findByName(const std::vector<Entry>& entries, std::string_view name) {
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const Entry& entry) { return entry.name == name; });
  return found == entries.end() ? nullptr : &*found;
}

template <typename Entry>
std::vector<std::string> namesOf(const std::vector<Entry>& entries) {
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const Entry& entry : entries)
    names.push_back(entry.name);
  return names;
}

}  // namespace

ObjectTree objectTreeOf(const std::string& sourcePath, const CatalogSummary& summary) {
  return {displayPath(sourcePath), namesOf(summary.tables), namesOf(summary.queryList),
          namesOf(summary.relations)};
}

const CatalogSummary::TableEntry* findTableEntry(const CatalogSummary& summary,
                                                 std::string_view name) {
  return findByName(summary.tables, name);
}

const CatalogSummary::QueryEntry* findQueryEntry(const CatalogSummary& summary,
                                                 std::string_view name) {
  return findByName(summary.queryList, name);
}

const CatalogSummary::RelationEntry* findRelationEntry(const CatalogSummary& summary,
                                                       std::string_view name) {
  return findByName(summary.relations, name);
}

std::vector<PreviewAction> previewActions(std::string_view selected, std::string_view parent,
                                          std::string_view root) {
  std::vector<PreviewAction> actions;
  if (selected == kTableGroup) actions.push_back(PreviewAction::TablesReport);
  if (selected == kQueryGroup) actions.push_back(PreviewAction::QueriesReport);
  if (selected == kRelationGroup) actions.push_back(PreviewAction::RelationsReport);
  if (parent == kTableGroup) actions.push_back(PreviewAction::TableRows);
  if (parent == kQueryGroup) actions.push_back(PreviewAction::QueryReport);
  if (parent == kRelationGroup) actions.push_back(PreviewAction::RelationReport);
  if (selected == root) actions.push_back(PreviewAction::SummaryReport);
  // The group sits under the root; a table named "Damage" sits under "Table".
  if ((selected == kDamageGroup && parent == root) || parent == kDamageGroup) {
    actions.push_back(PreviewAction::DamageReport);
  }
  return actions;
}

}  // namespace vantrel
