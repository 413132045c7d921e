#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace vantrel {

// Reads the bits of a reference map's bitmap page (the page's bytes after its 4-byte header);
// none when the page cannot be read.
using UsageBitmapReader = std::function<std::optional<std::span<const uint8_t>>(int64_t page)>;

// A usage map: the pages that belong to a table, or, for the database's own map on page 1,
// the free pages. Its first byte tells its kind: 0 an inline bitmap of pages from a first
// page on, 1 a list of bitmap pages, the k-th covering pages k*B to k*B + B - 1. A map of any
// other kind, or too short for its kind, names no pages.
class UsageMap {
 public:
  UsageMap() = default;
  UsageMap(std::vector<uint8_t> bytes, int pageSize)
      : bytes_(std::move(bytes)), pageSize_(pageSize) {}

  bool empty() const { return bytes_.empty(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

  // The first page after `page` that the map names. Pages come in rising order, so a walk that
  // asks again from each answer ends.
  std::optional<int64_t> nextPageAfter(int64_t page, const UsageBitmapReader& bitmaps) const;
  // Whether the map names `page`.
  bool names(int64_t page, const UsageBitmapReader& bitmaps) const;
  // Calls `visit` for every page below `pageCount` that the map names, in rising order.
  void forEachPage(int64_t pageCount, const UsageBitmapReader& bitmaps,
                   const std::function<void(int64_t)>& visit) const;

  static constexpr int kBitmapHeader = 4;  // a bitmap page's bits start here

 private:
  std::optional<int64_t> nextInlinePage(int64_t page) const;
  std::optional<int64_t> nextReferencedPage(int64_t page, const UsageBitmapReader& bitmaps) const;
  int64_t pagesPerBitmap() const { return (pageSize_ - kBitmapHeader) * int64_t{8}; }

  std::vector<uint8_t> bytes_;
  int pageSize_ = 0;
};

}  // namespace vantrel
