#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// A date/time value's calendar fields, rounded to the second. `serial` keeps the stored value
// itself: days since 1899-12-30, the time of day as the fraction.
struct SavedDateTime {
  // Which fields the value has: a value from -1 to 1 is a time of day alone, a value whose
  // fraction rounds to nothing is a date alone. The SQLite destination stores each of them
  // as "yyyy-mm-dd hh:mm:ss".
  enum class Parts : uint8_t { DateAndTime, Date, Time };
  Parts parts = Parts::DateAndTime;
  int year = 1899;  // 100 to 9999 (Date/Time Extended: 1 to 9999)
  int month = 12;   // 1 to 12
  int day = 30;     // 1 to 31
  int hour = 0;     // 0 to 23
  int minute = 0;
  int second = 0;
  // Below the second, in nanoseconds (steps of 100): only a Date/Time Extended value has it.
  int nanosecond = 0;
  double serial = 0;
};

// An exact decimal: magnitude / 10^scale, negative when `negative` (never for zero). Currency
// has the scale 4, numeric its column's scale (a scale of 0 or below means a whole number).
struct SavedDecimal {
  std::array<uint32_t, 4> magnitude{};  // 128 bits, the most significant word first
  bool negative = false;
  int scale = 0;
};

// One field's value as it is stored, for a destination to save in its own types and for the
// display to show in its own forms.
struct SavedValue {
  enum class Kind : uint8_t {
    Null,      // nothing stored (or nothing that lies inside the page)
    Boolean,   // `integer`: 1 or 0
    Integer,   // `integer`: a byte, integer or long
    Double,    // `number`: a double, or a single widened (exactly); may be an infinity or NaN
    Decimal,   // `decimal`: currency and numeric
    DateTime,  // `dateTime`
    Guid,      // `guid`: the 16 bytes as stored
    Bytes,     // the field's `bytes`: binary, and every OLE field that has a value at all
               // (its bytes are empty when its long value cannot be read)
    Text,      // the field's `text` (UTF-8), never empty: text and memo
  };
  Kind kind = Kind::Null;
  int64_t integer = 0;
  double number = 0;
  SavedDecimal decimal;
  SavedDateTime dateTime;
  std::array<uint8_t, 16> guid{};
};

// One field of the current row.
struct FieldValue {
  SavedValue value;
  std::string text;            // Text: the value itself
  std::vector<uint8_t> bytes;  // Bytes: the stored bytes
};

// The fields of the current row, one per column position of the table being read.
using RowFields = std::vector<FieldValue>;

// Whether every field of a row is null: such rows are passed over.
bool holdsNothing(std::span<const FieldValue> fields);

// The decimal's exact digits: "-922337203685477.5808", "0.0050", "12".
std::string decimalText(const SavedDecimal& decimal);

// The part of a second of a date/time value as ".1234567" (no trailing zeros); empty when it
// has none.
std::string secondFractionText(const SavedDateTime& dateTime);

// A GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": the first three groups are
// little-endian numbers, the last eight bytes stand as stored. Empty for fewer than 16 bytes.
std::string guidText(std::span<const uint8_t> guid);

// Decimal text to integer the way the C library's atol reads it: leading blanks, a sign, then
// digits; no digits give 0. Values beyond 64 bits saturate.
int64_t parseLeadingInteger(std::string_view text);

// A field of a system table read as a whole number, whichever type its column has: an
// integer or boolean as it is, a text the way the C library's atol reads it (a damaged
// definition may declare any type), a decimal or double truncated; 0 for anything else.
int64_t wholeNumber(const FieldValue& field);

// A field of a system table read as a name: the text of a text field, else empty.
const std::string& textOf(const FieldValue& field);

}  // namespace vantrel
