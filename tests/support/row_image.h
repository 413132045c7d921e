#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel::test {

// The parts of one stored row: the column count it was written with, its fixed area, its
// variable fields in the order of their variable index, and the column numbers whose
// null-mask bit is set (a value is present, or a boolean is true).
struct RowImage {
  int columnCount = 0;
  std::vector<uint8_t> fixedArea;
  std::vector<std::vector<uint8_t>> variableFields;
  std::vector<int> presentColumns;
};

// Lays a row out as Jet 4 (u16 counts and offsets) or Jet 3 (byte counts and offsets, with
// jump bytes for rows longer than 256 bytes) stores it.
std::vector<uint8_t> encodeRow(int formatVersion, const RowImage& row);

}  // namespace vantrel::test
