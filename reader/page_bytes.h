#pragma once

#include <cstdint>
#include <span>

namespace vantrel {

// Little-endian readers on any page image or part of one, bounded by `bytes`: a read that
// does not lie wholly inside gives -1. The masked form first maps a negative position to
// pos AND 0xFFF.
int byteOf(std::span<const uint8_t> bytes, int64_t pos);
int u16Of(std::span<const uint8_t> bytes, int64_t pos);
int u16AtMasked(std::span<const uint8_t> bytes, int64_t pos);
int u24Of(std::span<const uint8_t> bytes, int64_t pos);  // needs four bytes, like u32Of
int64_t u32Of(std::span<const uint8_t> bytes, int64_t pos);

}  // namespace vantrel
