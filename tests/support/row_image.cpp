#include "tests/support/row_image.h"

namespace vantrel::test {

namespace {

void append16(std::vector<uint8_t>& out, size_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

std::vector<uint8_t> nullMask(const RowImage& row) {
  std::vector<uint8_t> mask(static_cast<size_t>((row.columnCount + 7) / 8), 0);
  for (int number : row.presentColumns)
    mask[static_cast<size_t>(number / 8)] |= static_cast<uint8_t>(1u << (number % 8));
  return mask;
}

}  // namespace

std::vector<uint8_t> encodeRow(int formatVersion, const RowImage& row) {
  const bool jet4 = formatVersion == 1;
  std::vector<uint8_t> out;
  if (jet4) {
    append16(out, static_cast<size_t>(row.columnCount));
  } else {
    out.push_back(static_cast<uint8_t>(row.columnCount));
  }
  out.insert(out.end(), row.fixedArea.begin(), row.fixedArea.end());
  std::vector<size_t> offsets;  // from the row start; the last one ends the variable data
  for (const auto& field : row.variableFields) {
    offsets.push_back(out.size());
    out.insert(out.end(), field.begin(), field.end());
  }
  offsets.push_back(out.size());
  const size_t varCount = row.variableFields.size();
  const auto mask = nullMask(row);

  if (jet4) {
    for (size_t i = offsets.size(); i-- > 0;)
      append16(out, offsets[i]);
    append16(out, varCount);
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
  }
  // Jet 3: offsets are single bytes; a jump byte marks, for each 256-byte boundary the row
  // passes, the first offset at or beyond it. The jump count depends on the row's length.
  const size_t tail = offsets.size() + 1 + mask.size();
  size_t jumps = 0;
  while ((out.size() + jumps + tail - 1) / 256 != jumps)
    jumps = (out.size() + jumps + tail - 1) / 256;
  std::vector<uint8_t> jumpBytes;
  for (size_t k = 1; k <= jumps; ++k) {
    size_t first = offsets.size();  // past every offset: a jump the reader ignores
    for (size_t i = 0; i < offsets.size(); ++i) {
      if (offsets[i] >= 256 * k) {
        first = i;
        break;
      }
    }
    jumpBytes.push_back(static_cast<uint8_t>(first));
  }
  for (size_t i = offsets.size(); i-- > 0;)
    out.push_back(static_cast<uint8_t>(offsets[i]));
  for (size_t k = jumpBytes.size(); k-- > 0;)
    out.push_back(jumpBytes[k]);
  out.push_back(static_cast<uint8_t>(varCount));
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

}  // namespace vantrel::test
