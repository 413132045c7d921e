#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "reader/field_value.h"

namespace vantrel {

// The calendar fields of a date/time value (days since 1899-12-30; for a negative value the
// integer part is the day and the absolute fraction the time of day), rounded to the second.
// Values from -1 to 1 are a time alone; a value whose fraction shows nothing at six decimals
// is a date alone. None for a value outside 0100-01-01 to 9999-12-31.
std::optional<SavedDateTime> dateFields(double value);

// The calendar fields of a Date/Time Extended value: 19 digits of days since 0001-01-01, ':',
// 19 digits of the time of day in steps of 100 ns, ':', then a digit of precision. None when
// the bytes are not so, or name a day beyond 9999-12-31 or a time beyond the day.
std::optional<SavedDateTime> extendedDateFields(std::span<const uint8_t> stored);

}  // namespace vantrel
