#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/field_value.h"

namespace vantrel {

class SourceDatabase;

// One property that Access stored for an object or one of its columns: "Required",
// "DefaultValue", "Description", ... with its value typed as a field of its Jet type.
struct StoredProperty {
  std::string name;  // UTF-8
  int dataType = 0;  // Jet column type code of the value
  FieldValue value;  // Null when the value's bytes do not fit its type
};

// The properties of the object itself (an empty `name`) or of one of its columns.
struct PropertyGroup {
  std::string name;  // the column's name (UTF-8); empty for the object's own group
  std::vector<StoredProperty> properties;

  const StoredProperty* find(std::string_view propertyName) const;
};

// The property block of one catalog row (its LvProp field), as far as it could be read:
// a damaged block gives the groups that precede the damage.
struct PropertyBlock {
  std::vector<PropertyGroup> groups;  // in stored order
  bool damaged = false;               // some bytes could not be read as a block

  const PropertyGroup* objectGroup() const;  // none when the block has none
  const PropertyGroup* column(std::string_view columnName) const;
  // The columns' groups in stored order: the columns' names when the definition is lost.
  std::vector<const PropertyGroup*> columnGroups() const;
};

// Reads a property block of the database's version. None when the bytes do not start as one
// (empty, or an unknown signature).
std::optional<PropertyBlock> parsePropertyBlock(std::span<const uint8_t> bytes, SourceDatabase& db);

// The properties of a column that have a meaning in a destination's schema; the others are
// kept as they are stored.
struct ColumnProperties {
  bool required = false;
  std::optional<std::string> defaultValue;  // the Jet expression, as Access shows it
};

ColumnProperties columnPropertiesOf(const PropertyGroup& group);

// A text property's text; none when it is missing or not a text.
std::optional<std::string> textProperty(const PropertyGroup& group, std::string_view name);

}  // namespace vantrel
