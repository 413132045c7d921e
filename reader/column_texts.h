#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// One field of the current row as the reader renders it.
struct FieldValue {
  std::string text;            // the rendered text; empty for a null or empty value
  std::vector<uint8_t> bytes;  // binary and OLE fields: the stored bytes, for saving as they are
  // Single and double fields: the stored value (a single widened, which is exact), for saving
  // every bit rather than the rounded text.
  std::optional<double> number;
};

// The fields of the current row, one per column position of the table being read.
using ColumnTexts = std::vector<FieldValue>;

}  // namespace vantrel
