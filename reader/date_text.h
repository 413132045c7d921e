#pragma once

#include <optional>
#include <string>

#include "reader/column_texts.h"

namespace vantrel {

// A date/time value (days since 1899-12-30; for a negative value the integer part is the day
// and the absolute fraction the time of day) as text: "%m/%d/%Y", a blank, then
// "%I:%M:%S %p" when the value has a time of day. Values from -1 to 1 give the time alone. A
// value outside 0100-01-01 to 9999-12-31 gives the empty text.
std::string dateText(double value);

// The calendar fields of a date/time value as dateText shows them; none where it shows nothing.
std::optional<SavedDateTime> dateFields(double value);
// The text of those fields, as dateText gives it.
std::string dateText(const SavedDateTime& fields);

}  // namespace vantrel
