#pragma once

#include <cstdint>

namespace vantrel {

// The page-format constants of one Jet version. Offsets are byte offsets within a page, or
// within one column entry of a table-definition page ("tdef").
struct PageLayout {
  int32_t pageSize;
  int32_t rowCountOffset;            // u16 row count of any page holding rows; offsets follow
  int32_t tdefRowCountOffset;        // u32 row count of the table
  int32_t tdefColumnCountOffset;     // u16 column count
  int32_t tdefIndexCountOffset;      // u32 logical index count
  int32_t tdefRealIndexCountOffset;  // u32 real index count
  int32_t tdefUsageMapOffset;        // row byte + u24 page of the usage-map row
  int32_t tdefFirstDataPageOffset;   // u16, kept but unused
  int32_t tdefColumnsStartOffset;    // real-index entries, then the column entries
  int32_t realIndexEntrySize;
  int32_t columnFixedFlagOffset;  // column entry: bit 0 marks a fixed-length column
  int32_t columnSizeOffset;       // column entry: u16 size
  int32_t columnNumberOffset;     // column entry: byte column number (null-mask bit)
  int32_t columnEntrySize;
  int32_t tdefFreeMapOffset;        // row byte + u24 page of the free-space-map row
  int32_t columnVarIndexOffset;     // column entry: u16 slot in the variable offset table
  int32_t columnFixedOffsetOffset;  // column entry: u16 offset in the fixed area
  int32_t columnRowNumberOffset;    // column entry: u16, kept but unused
};

// clang-format off
inline constexpr PageLayout kJet4Layout{4096, 12, 16, 45, 47, 51, 55, 56, 63,
                                        12,   15, 23, 5,  25, 59, 7,  21, 9};
inline constexpr PageLayout kJet3Layout{2048, 8,  12, 25, 27, 31, 35, 36, 43,
                                        8,    13, 16, 1,  18, 39, 3,  14, 5};
// clang-format on

// The buffers are always this large, so that a page of either version fits.
inline constexpr int kPageBufferSize = 4096;

inline const PageLayout& pageLayoutFor(int formatVersion) {
  return formatVersion == 1 ? kJet4Layout : kJet3Layout;
}

}  // namespace vantrel
