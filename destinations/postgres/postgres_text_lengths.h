#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/destination.h"

namespace vantrel {

// A text column of a declared length is made varchar(n), which PostgreSQL can widen to text
// in place (without rewriting the table) should a salvaged value be longer.
class TextLengths {
 public:
  TextLengths() = default;
  // Per column of the table: its length, for the created text columns that declare one.
  TextLengths(const TableDescription& table, const std::vector<bool>& created);

  // The column's type as it is created: varchar(n), or `type` for a column without a length.
  std::string createdType(size_t column, const std::string& type) const;
  // The first column whose limit the row's value passes, and that value's length; none when
  // every value fits.
  struct Overflow {
    size_t column = 0;
    size_t characters = 0;
  };
  std::optional<Overflow> overflow(std::span<const FieldValue> row) const;
  // The column is text from now on: every value fits.
  void widen(size_t column);
  int limit(size_t column) const;

 private:
  std::vector<int> limits_;  // 0: no limit
};

// The characters (Unicode code points) of a UTF-8 text, as varchar(n) counts them.
size_t characterCount(std::string_view utf8);

}  // namespace vantrel
