#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "destinations/destination.h"
#include "reader/property_block.h"

namespace vantrel {

// A Default Value as a column default: a number, a quoted text, a #date#, True/False (Yes/No,
// On/Off), Date() or Now(), with or without Access's leading "=". None for anything else (an
// expression), which stays among the table's properties only.
std::optional<JetDefault> columnDefault(std::string_view jetExpression);

// The property's value as the catalog table keeps it; none for a value that is no text,
// number, Yes/No or date (a binary one).
std::optional<std::string> propertyValueText(const StoredProperty& property);

// Adds what the file's property block says of the table and its columns: Required and the
// defaults to the columns, and every property with a value that reads as text to the table's
// properties (the table's own first, then the columns' in column order).
void describeProperties(TableDescription& table, const PropertyBlock& block);

}  // namespace vantrel
