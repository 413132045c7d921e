#include "reader/page_bytes.h"

namespace vantrel {

int byteOf(std::span<const uint8_t> bytes, int64_t pos) {
  if (pos < 0 || pos >= static_cast<int64_t>(bytes.size())) return -1;
  return bytes[static_cast<size_t>(pos)];
}

int u16Of(std::span<const uint8_t> bytes, int64_t pos) {
  if (pos < 0 || pos + 2 > static_cast<int64_t>(bytes.size())) return -1;
  const auto at = static_cast<size_t>(pos);
  return bytes[at] | bytes[at + 1] << 8;
}

int u16AtMasked(std::span<const uint8_t> bytes, int64_t pos) {
  if (pos < 0) pos &= 0xFFF;
  return u16Of(bytes, pos);
}

int u24Of(std::span<const uint8_t> bytes, int64_t pos) {
  const int64_t value = u32Of(bytes, pos);
  return value < 0 ? -1 : static_cast<int>(value & 0xFFFFFF);
}

int64_t u32Of(std::span<const uint8_t> bytes, int64_t pos) {
  if (pos < 0 || pos + 4 > static_cast<int64_t>(bytes.size())) return -1;
  const auto at = static_cast<size_t>(pos);
  return static_cast<int64_t>(bytes[at]) | static_cast<int64_t>(bytes[at + 1]) << 8 |
         static_cast<int64_t>(bytes[at + 2]) << 16 | static_cast<int64_t>(bytes[at + 3]) << 24;
}

}  // namespace vantrel
