#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// A date/time value's calendar fields, as the rendered text shows them (rounded to the
// second). `serial` keeps the stored value itself: days since 1899-12-30, the time of day as
// the fraction.
struct SavedDateTime {
  // Which fields the value has: a value from -1 to 1 is a time of day alone, a value whose
  // fraction rounds to nothing is a date alone. The SQLite destination stores them as
  // "hh:mm:ss", "yyyy-mm-dd" and "yyyy-mm-dd hh:mm:ss".
  enum class Parts : uint8_t { DateAndTime, Date, Time };
  Parts parts = Parts::DateAndTime;
  int year = 1899;  // 100 to 9999
  int month = 12;   // 1 to 12
  int day = 30;     // 1 to 31
  int hour = 0;     // 0 to 23
  int minute = 0;
  int second = 0;
  double serial = 0;
};

// One field's value as it is stored, for a destination to save in its own types: no
// destination reads a value back from its rendered text.
struct SavedValue {
  enum class Kind : uint8_t {
    Null,      // nothing stored (or nothing that lies inside the page)
    Boolean,   // `integer`: 1 or 0, as the rendered "1" or "0"
    Integer,   // `integer`: a byte, integer or long
    Double,    // `number`: a double, or a single widened (exactly); finite
    Decimal,   // the field's `text`, its exact digits: currency with its 4 decimals, numeric
               // with its column's scale ("-922337203685477.5808", "0.0050")
    DateTime,  // `dateTime`
    Guid,      // `guid`: the 16 bytes as stored
    Bytes,     // the field's `bytes`: binary and OLE
    Text,      // the field's `text` (UTF-8): text and memo
  };
  Kind kind = Kind::Null;
  int64_t integer = 0;
  double number = 0;
  SavedDateTime dateTime;
  std::array<uint8_t, 16> guid{};
};

// One field of the current row as the reader renders it.
struct FieldValue {
  std::string text;            // the rendered text; empty for a null or empty value
  std::vector<uint8_t> bytes;  // binary and OLE fields: the stored bytes, for saving as they are
  SavedValue value;  // the value itself, for saving; Text and Bytes refer to `text` and `bytes`
};

// The fields of the current row, one per column position of the table being read.
using ColumnTexts = std::vector<FieldValue>;

}  // namespace vantrel
