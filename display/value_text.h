#pragma once

#include <string>

#include "reader/field_value.h"
#include "reader/table_definition.h"

namespace vantrel {

// A field as the preview and the command line show it: numbers in their shown forms, currency
// and numeric with their exact digits, dates as dateText, GUIDs braced, "OLE DATA" for an OLE
// field with a value, nothing for binary fields and nulls.
std::string fieldText(const ColumnDefinition& column, const FieldValue& field);

// The same, with the locale's currency symbol before every currency value ("$0" for a null).
std::string previewText(const ColumnDefinition& column, const FieldValue& field);

// The currency symbol of the user's locale.
const std::string& localeCurrencySymbol();

}  // namespace vantrel
