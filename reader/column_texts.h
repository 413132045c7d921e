#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// One field of the current row as the reader renders it.
struct FieldValue {
  std::string text;            // the rendered text; empty for a null or empty value
  std::vector<uint8_t> bytes;  // binary and OLE fields: the stored bytes, for saving as they are
};

// The fields of the current row, one per column position of the table being read.
using ColumnTexts = std::vector<FieldValue>;

}  // namespace vantrel
