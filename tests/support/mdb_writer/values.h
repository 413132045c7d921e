#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantrel::mdbwriter {

// Jet column type codes the writer knows.
enum class ColumnType : uint8_t {
  kBoolean = 1,
  kByte = 2,
  kInteger = 3,
  kLong = 4,
  kCurrency = 5,
  kSingle = 6,
  kDouble = 7,
  kDateTime = 8,
  kBinary = 9,
  kText = 10,
  kOle = 11,
  kMemo = 12,
  kGuid = 15,
  kNumeric = 16,
};

using Bytes = std::vector<uint8_t>;

// Currency: a count of ten-thousandths.
struct Currency {
  int64_t tenThousandths = 0;
  bool operator==(const Currency&) const = default;
};

// Numeric (decimal): the unscaled value; the column's scale places the decimal point.
struct Decimal {
  int64_t unscaled = 0;
  bool operator==(const Decimal&) const = default;
};

// Date/time: days since 1899-12-30, the fraction being the time of day.
struct DateTime {
  double days = 0;
  bool operator==(const DateTime&) const = default;
};

// A GUID in the order Jet stores it: the first three groups little-endian.
struct Guid {
  std::array<uint8_t, 16> bytes{};
  bool operator==(const Guid&) const = default;
};

// One value of a row. Which alternative a column takes follows its type: boolean - bool;
// byte, integer, long - int64_t; single, double - double; date/time - DateTime; text, memo -
// std::string (UTF-8); binary, OLE - Bytes; currency - Currency; numeric - Decimal; GUID -
// Guid. std::monostate is a null.
using Value = std::variant<std::monostate, bool, int64_t, double, std::string, Bytes, Currency,
                           Decimal, DateTime, Guid>;

inline bool isNull(const Value& value) {
  return std::holds_alternative<std::monostate>(value);
}

// Day count of a calendar date and time (proleptic Gregorian). As Jet stores them, days
// before 1899-12-30 are negative and their time of day is subtracted (-1.25 is 1899-12-29
// 06:00).
DateTime dateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// "{0A1B2C3D-...}" or without braces; throws std::invalid_argument on anything else.
Guid parseGuid(std::string_view text);
// The braced upper-case text form.
std::string guidText(const Guid& guid);

const char* columnTypeName(ColumnType type);

}  // namespace vantrel::mdbwriter
