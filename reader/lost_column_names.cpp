#include "reader/lost_column_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "reader/column_types.h"

namespace vantrel {

namespace {

enum class ColumnKind : uint8_t { kText, kYesNo, kOther };
constexpr size_t kKinds = 3;
constexpr int64_t kCheckBoxControl = 106;

ColumnKind kindOf(const ColumnDefinition& column) {
  if (column.type == kTypeText || column.type == kTypeMemo) return ColumnKind::kText;
  return column.type == kTypeBoolean ? ColumnKind::kYesNo : ColumnKind::kOther;
}

ColumnKind kindOf(const PropertyGroup& group) {
  if (group.find("AllowZeroLength") != nullptr || group.find("UnicodeCompression") != nullptr) {
    return ColumnKind::kText;
  }
  const StoredProperty* control = group.find("DisplayControl");
  if (control != nullptr && control->value.value.kind == SavedValue::Kind::Integer &&
      control->value.value.integer == kCheckBoxControl) {
    return ColumnKind::kYesNo;
  }
  return ColumnKind::kOther;
}

}  // namespace

int nameColumnsFromProperties(std::vector<ColumnDefinition>& columns, const PropertyBlock& block) {
  const std::vector<const PropertyGroup*> groups = block.columnGroups();
  if (groups.size() != columns.size()) return 0;
  std::array<std::vector<size_t>, kKinds> columnsOfKind;
  std::array<std::vector<const PropertyGroup*>, kKinds> groupsOfKind;
  for (size_t i = 0; i < columns.size(); ++i)
    columnsOfKind[static_cast<size_t>(kindOf(columns[i]))].push_back(i);
  for (const PropertyGroup* group : groups)
    groupsOfKind[static_cast<size_t>(kindOf(*group))].push_back(group);
  for (size_t kind = 0; kind < kKinds; ++kind) {
    if (columnsOfKind[kind].size() != groupsOfKind[kind].size()) return 0;
  }
  const auto taken = [&columns](const std::string& name) {
    return std::ranges::any_of(columns, [&name](const ColumnDefinition& column) {
      return column.name.size() == name.size() &&
             std::equal(name.begin(), name.end(), column.name.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
             });
    });
  };
  int named = 0;
  for (size_t kind = 0; kind < kKinds; ++kind) {
    // (The counts agree, so a kind of one column has one group.)
    if (columnsOfKind[kind].size() != 1) continue;
    const std::string& name = groupsOfKind[kind].front()->name;
    // A name a stand-in already has ("Field2") would make two columns of one name.
    if (taken(name)) continue;
    columns[columnsOfKind[kind].front()].name = name;
    ++named;
  }
  return named;
}

}  // namespace vantrel
