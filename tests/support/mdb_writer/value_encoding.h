#pragma once

#include <span>
#include <string>

#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mdbwriter {

// Turns values into the bytes Jet stores. Every function throws std::invalid_argument when
// the value does not suit the column (wrong alternative, out of range, too long).
class ValueEncoder {
 public:
  ValueEncoder(const JetFormat& format, int codePage) : format_(format), codePage_(codePage) {}

  // A fixed-length value into `out` (its fixed size).
  void encodeFixed(const Value& value, const ColumnSpec& column, std::span<uint8_t> out) const;
  // A text or binary value as stored in the row.
  Bytes encodeVariable(const Value& value, const ColumnSpec& column) const;
  // The data of a memo or OLE value, before it is placed in the row or on long-value pages.
  Bytes encodeLongValue(const Value& value, const ColumnSpec& column) const;
  // Text as a text column or the system tables store it.
  Bytes encodeText(const std::string& text, bool compressed) const;

 private:
  const JetFormat& format_;
  int codePage_;
};

// Jet 4 compresses memo values only up to this many characters.
inline constexpr size_t kMaxCompressedMemoCharacters = 1024;

}  // namespace vantrel::mdbwriter
