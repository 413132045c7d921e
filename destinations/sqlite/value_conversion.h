#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "jetsql/jet_type.h"
#include "reader/field_value.h"

namespace vantrel {

// One field's value as it is bound into SQLite.
struct DestinationValue {
  enum class Kind { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  long long integer = 0;
  double real = 0;
  std::string bytes;  // Text (UTF-8) or Blob
  // Text or Blob held by the caller instead of `bytes`, valid until the row is inserted.
  std::optional<std::string_view> borrowed;

  std::string_view data() const { return borrowed ? *borrowed : std::string_view(bytes); }
};

// Converts a value text of the reader into what a column of `type` stores:
//   BIT            "1"/"0" (any whole number, True/False, Yes/No, On/Off) -> 1 or 0
//   BYTE/INT/LONG  a whole decimal number in the type's range -> integer
//   CURRENCY, SINGLE, DOUBLE  a decimal number, read exactly as written -> real
//   DATE           "mm/dd/yyyy hh:mm:ss AM", "mm/dd/yyyy" or "hh:mm:ss AM" -> always
//                  "yyyy-mm-dd hh:mm:ss" (midnight; the day 1899-12-30), one form a column
//   GUID           {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} (braces optional) -> that text, upper
//   case TEXT, MEMO     the text as it stands OLEOBJECT, BINARY  the text's bytes as a BLOB
// An empty text is Null; so is a text of blanks for a number, date or GUID column. A text
// that does not convert raises a CDaoException saying why; `out` is then left as it was.
void convertValueText(JetType type, std::string_view text, DestinationValue& out);

// Bytes for a BINARY or OLEOBJECT column become a BLOB (none: Null). Other types raise.
void convertValueBytes(JetType type, std::span<const uint8_t> bytes, DestinationValue& out);

// A stored value of the reader into what a column of `type` stores, as its text would be
// converted, without making that text: a single is stored as the double of its shortest
// decimal (near the end of its range, as its widened self), a decimal as the double nearest
// its digits, a date as its ISO text, a GUID as its braced upper-case text; an infinity or
// NaN is Null. Text and bytes are borrowed from `field`. Raises as convertValueText does;
// `out` is then left as it was.
void convertSavedValue(JetType type, const FieldValue& field, DestinationValue& out);

}  // namespace vantrel
