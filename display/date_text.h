#pragma once

#include <string>

#include "reader/field_value.h"

namespace vantrel {

// A date/time value as shown: "%m/%d/%Y", a blank, then "%I:%M:%S %p" when it has a time of
// day; a time alone gives the time alone.
std::string dateText(const SavedDateTime& fields);

// The same of a stored value (days since 1899-12-30); the empty text for a value outside
// 0100-01-01 to 9999-12-31.
std::string dateText(double value);

}  // namespace vantrel
