#include "reader/usage_map.h"

#include <algorithm>

#include "reader/page_bytes.h"

namespace vantrel {

namespace {

constexpr uint8_t kInlineMap = 0;
constexpr uint8_t kReferenceMap = 1;
constexpr size_t kInlineMapHeader = 5;  // kind byte, then the first page as a u32

// The first set bit of `bits` at or after `from`, below `count`.
std::optional<int64_t> firstSetBit(std::span<const uint8_t> bits, int64_t from, int64_t count) {
  count = std::min(count, static_cast<int64_t>(bits.size()) * 8);
  for (int64_t i = std::max<int64_t>(from, 0); i < count;) {
    const uint8_t byte = bits[static_cast<size_t>(i / 8)];
    if (byte == 0 && i % 8 == 0) {
      i += 8;
      continue;
    }
    if ((byte >> (i % 8)) & 1) return i;
    ++i;
  }
  return std::nullopt;
}

bool bitIsSet(std::span<const uint8_t> bits, int64_t bit) {
  const int64_t byte = bit / 8;
  return bit >= 0 && byte < static_cast<int64_t>(bits.size()) &&
         ((bits[static_cast<size_t>(byte)] >> (bit % 8)) & 1) != 0;
}

}  // namespace

std::optional<int64_t> UsageMap::nextInlinePage(int64_t page) const {
  if (bytes_.size() <= kInlineMapHeader) return std::nullopt;
  const int64_t firstPage = u32Of(bytes_, 1);
  const auto bits = std::span(bytes_).subspan(kInlineMapHeader);
  const int64_t from = page < firstPage ? 0 : page - firstPage + 1;
  const auto bit = firstSetBit(bits, from, static_cast<int64_t>(bits.size()) * 8);
  if (!bit) return std::nullopt;
  return firstPage + *bit;
}

std::optional<int64_t> UsageMap::nextReferencedPage(int64_t page,
                                                    const UsageBitmapReader& bitmaps) const {
  const int64_t perBitmap = pagesPerBitmap();
  const int64_t next = page + 1;
  const auto entries = static_cast<int64_t>((bytes_.size() - 1) / 4);
  int64_t firstBit = next % perBitmap;
  for (int64_t k = next / perBitmap; k < entries; ++k, firstBit = 0) {
    const int64_t bitmap = u32Of(bytes_, 1 + 4 * k);
    if (bitmap <= 0) continue;  // no pages of the table in this stretch
    // An unreadable bitmap page costs only the pages it covers.
    const auto bits = bitmaps(bitmap);
    if (!bits) continue;
    if (const auto bit = firstSetBit(*bits, firstBit, perBitmap)) return k * perBitmap + *bit;
  }
  return std::nullopt;
}

std::optional<int64_t> UsageMap::nextPageAfter(int64_t page,
                                               const UsageBitmapReader& bitmaps) const {
  if (bytes_.empty()) return std::nullopt;
  switch (bytes_[0]) {
    case kInlineMap:
      return nextInlinePage(page);
    case kReferenceMap:
      return nextReferencedPage(page, bitmaps);
    default:
      return std::nullopt;
  }
}

bool UsageMap::names(int64_t page, const UsageBitmapReader& bitmaps) const {
  if (bytes_.empty()) return false;
  if (bytes_[0] == kInlineMap) {
    if (bytes_.size() <= kInlineMapHeader) return false;
    return bitIsSet(std::span(bytes_).subspan(kInlineMapHeader), page - u32Of(bytes_, 1));
  }
  if (bytes_[0] != kReferenceMap || page < 0) return false;
  const int64_t k = page / pagesPerBitmap();
  const int64_t bitmap = u32Of(bytes_, 1 + 4 * k);
  if (bitmap <= 0) return false;
  const auto bits = bitmaps(bitmap);
  return bits && bitIsSet(*bits, page % pagesPerBitmap());
}

void UsageMap::forEachPage(int64_t pageCount, const UsageBitmapReader& bitmaps,
                           const std::function<void(int64_t)>& visit) const {
  for (auto page = nextPageAfter(-1, bitmaps); page && *page < pageCount;
       page = nextPageAfter(*page, bitmaps)) {
    if (*page >= 0) visit(*page);
  }
}

}  // namespace vantrel
