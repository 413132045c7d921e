#pragma once

#include <optional>

#include "reader/field_value.h"

namespace vantrel {

// The calendar fields of a date/time value (days since 1899-12-30; for a negative value the
// integer part is the day and the absolute fraction the time of day), rounded to the second.
// Values from -1 to 1 are a time alone; a value whose fraction shows nothing at six decimals
// is a date alone. None for a value outside 0100-01-01 to 9999-12-31.
std::optional<SavedDateTime> dateFields(double value);

}  // namespace vantrel
