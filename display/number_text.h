#pragma once

#include <string>

namespace vantrel {

// Single and double as shown: fixed notation with the precision the magnitude allows (6
// significant digits for a single, 15 for a double), then trailing zeros and a bare point
// removed.
std::string singleText(float value);
std::string doubleText(double value);

// The shortest decimal that reads back as the same single or double, bit for bit ("0.15" for
// the single nearest 0.15, "0.30000000000000004" for the double sum of 0.1 and 0.2).
std::string shortestText(float value);
std::string shortestText(double value);

}  // namespace vantrel
