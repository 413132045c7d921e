#pragma once

#include <cstdint>
#include <span>

namespace vantrel {

// The two versions of the file format read here. The values are those of the header's
// version field.
enum class JetVersion { kJet3 = 0, kJet4 = 1 };

// What differs between Jet 3 and Jet 4 pages. Offsets are byte offsets within a page, or
// within one column entry of a table-definition page ("tdef").
struct JetFormat {
  JetVersion version;
  int32_t pageSize;
  int32_t rowCountOffset;  // u16 row count of any page holding rows; offsets follow

  // Text: Jet 4 stores UTF-16 (often compressed), Jet 3 single bytes of the file's code page.
  int32_t characterSize;    // bytes of one uncompressed character
  int32_t nameLengthSize;   // bytes of a stored name's length (column and index names)
  int32_t maxNameBytes;     // a longer stored name is damage
  int32_t userTableTypeAt;  // definition page: the table-type byte ('N' a user table)

  // A stored row's column count, variable-field count and variable offsets are this wide.
  int32_t rowFieldSize;

  // Definition page header.
  int32_t tdefRowCountOffset;        // u32 row count of the table
  int32_t tdefColumnCountOffset;     // u16 column count
  int32_t tdefIndexCountOffset;      // u32 logical index count
  int32_t tdefRealIndexCountOffset;  // u32 real index count
  int32_t tdefUsageMapOffset;        // row byte + u24 page of the usage-map row
  int32_t tdefFirstDataPageOffset;   // u16, kept but unused
  int32_t tdefFreeMapOffset;         // row byte + u24 page of the free-space-map row
  int32_t tdefColumnsStartOffset;    // real-index entries, then the column entries
  int32_t realIndexEntrySize;

  // One column entry.
  int32_t columnEntrySize;
  int32_t columnNumberOffset;       // byte column number (null-mask bit)
  int32_t columnVarIndexOffset;     // u16 slot in the variable offset table
  int32_t columnRowNumberOffset;    // u16, kept but unused
  int32_t columnFixedFlagOffset;    // bit 0 marks a fixed-length column
  int32_t columnFixedOffsetOffset;  // u16 offset in the fixed area
  int32_t columnSizeOffset;         // u16 size

  // The largest file the engine of this version writes: pages beyond it are no part of a
  // database (a sparse or padded file), and no walk goes there.
  int64_t largestFileBytes;

  constexpr bool isJet4() const { return version == JetVersion::kJet4; }
  // The header's version value: 0 Jet 3, 1 Jet 4.
  constexpr int versionNumber() const { return static_cast<int>(version); }
};

inline constexpr JetFormat kJet3PageFormat{
    .version = JetVersion::kJet3,
    .pageSize = 2048,
    .rowCountOffset = 8,
    .characterSize = 1,
    .nameLengthSize = 1,
    .maxNameBytes = 255,
    .userTableTypeAt = 20,
    .rowFieldSize = 1,
    .tdefRowCountOffset = 12,
    .tdefColumnCountOffset = 25,
    .tdefIndexCountOffset = 27,
    .tdefRealIndexCountOffset = 31,
    .tdefUsageMapOffset = 35,
    .tdefFirstDataPageOffset = 36,
    .tdefFreeMapOffset = 39,
    .tdefColumnsStartOffset = 43,
    .realIndexEntrySize = 8,
    .columnEntrySize = 18,
    .columnNumberOffset = 1,
    .columnVarIndexOffset = 3,
    .columnRowNumberOffset = 5,
    .columnFixedFlagOffset = 13,
    .columnFixedOffsetOffset = 14,
    .columnSizeOffset = 16,
    .largestFileBytes = int64_t{1} << 30,
};

inline constexpr JetFormat kJet4PageFormat{
    .version = JetVersion::kJet4,
    .pageSize = 4096,
    .rowCountOffset = 12,
    .characterSize = 2,
    .nameLengthSize = 2,
    .maxNameBytes = 512,
    .userTableTypeAt = 40,
    .rowFieldSize = 2,
    .tdefRowCountOffset = 16,
    .tdefColumnCountOffset = 45,
    .tdefIndexCountOffset = 47,
    .tdefRealIndexCountOffset = 51,
    .tdefUsageMapOffset = 55,
    .tdefFirstDataPageOffset = 56,
    .tdefFreeMapOffset = 59,
    .tdefColumnsStartOffset = 63,
    .realIndexEntrySize = 12,
    .columnEntrySize = 25,
    .columnNumberOffset = 5,
    .columnVarIndexOffset = 7,
    .columnRowNumberOffset = 9,
    .columnFixedFlagOffset = 15,
    .columnFixedOffsetOffset = 21,
    .columnSizeOffset = 23,
    .largestFileBytes = int64_t{2} << 30,
};

// The type byte each page begins with. Jet marks dropped definition and long-value pages
// with the two released types.
inline constexpr int kDataPageType = 1;
inline constexpr int kDefinitionPageType = 2;
inline constexpr int kIndexNodePageType = 3;
inline constexpr int kUsageBitmapPageType = 5;
inline constexpr int kReleasedPageType = 8;
inline constexpr int kReleasedDataPageType = 9;

// Whether a type byte names a kind of page the format has (data, definition, index, usage
// bitmap, released): a zeroed or overwritten page has none.
inline constexpr bool isKnownPageType(int type) {
  return (type >= kDataPageType && type <= kUsageBitmapPageType) || type == kReleasedPageType ||
         type == kReleasedDataPageType;
}

// Whether a page begins as every page of the format does: a known type, then the byte 1.
// Decoding a page with a key that is not its own gives no such start but by chance.
inline constexpr bool looksLikePage(std::span<const uint8_t> page) {
  return page.size() >= 2 && isKnownPageType(page[0]) && page[1] == 1;
}

// Page buffers are this large, so that a page of either version fits.
inline constexpr int kPageBufferSize = 4096;

inline constexpr const JetFormat& jetFormatFor(JetVersion version) {
  return version == JetVersion::kJet4 ? kJet4PageFormat : kJet3PageFormat;
}

}  // namespace vantrel
