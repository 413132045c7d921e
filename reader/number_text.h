#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vantrel {

// Currency: a signed count of ten-thousandths, written with four decimals ("-1.5000").
std::string currencyText(int64_t tenThousandths);

// Single and double: fixed notation with the precision the magnitude allows (6 significant
// digits for a single, 15 for a double), then trailing zeros and a bare point removed.
std::string singleText(float value);
std::string doubleText(double value);

// The shortest decimal that reads back as the same single or double, bit for bit ("0.15" for
// the single nearest 0.15, "0.30000000000000004" for the double sum of 0.1 and 0.2).
std::string shortestText(float value);
std::string shortestText(double value);

// Numeric: a 17-byte field, a sign byte then a 128-bit magnitude in four little-endian
// 32-bit words, most significant word first; printed with `scale` decimals.
std::string numericText(std::span<const uint8_t> field, int precision, int scale);

// GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from the 16 stored bytes.
std::string guidText(std::span<const uint8_t> field);

}  // namespace vantrel
