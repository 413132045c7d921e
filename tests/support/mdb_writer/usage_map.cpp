#include "tests/support/mdb_writer/usage_map.h"

#include <stdexcept>
#include <string>

#include "tests/support/mdb_writer/byte_order.h"
#include "tests/support/page_image.h"

namespace vantrel::mdbwriter {

namespace {

// The first page an inline map starts from, or -1 when the pages do not fit one.
int64_t inlineStart(const PageSet& pages, const JetFormat& format) {
  if (pages.empty()) return 0;
  const int64_t span = format.pagesPerInlineMap();
  if (pages.last() < span) return 0;  // as Access does for small files
  const int64_t start = pages.first() / 8 * 8;
  return pages.last() - start < span ? start : -1;
}

UsageMap inlineMap(const PageSet& pages, int64_t start, const JetFormat& format) {
  UsageMap map;
  map.row.assign(static_cast<size_t>(format.usageMapRowSize), 0);
  map.row[0] = 0;
  putLe(std::span(map.row).subspan(1), static_cast<uint64_t>(start), 4);
  pages.forEach([&](int64_t page) {
    const int64_t bit = page - start;
    map.row[5 + static_cast<size_t>(bit / 8)] |= static_cast<uint8_t>(1u << (bit % 8));
  });
  return map;
}

UsageMap pageListMap(const PageSet& pages, const JetFormat& format, PageFile& file) {
  UsageMap map;
  map.type = 1;
  map.row.assign(static_cast<size_t>(format.usageMapRowSize), 0);
  map.row[0] = 1;
  if (pages.empty()) return map;
  const int64_t perBitmap = format.pagesPerBitmapPage();
  if (pages.last() / perBitmap + 1 > format.bitmapPagesPerMap()) {
    throw std::invalid_argument("pages beyond what a usage map can name");
  }
  // One bitmap page for each stretch of pages that holds any of them; the others stay 0.
  std::vector<test::PageImage> bitmaps;
  std::vector<int64_t> stretchOf;
  pages.forEach([&](int64_t page) {
    const int64_t k = page / perBitmap;
    if (stretchOf.empty() || stretchOf.back() != k) {
      stretchOf.push_back(k);
      bitmaps.emplace_back(format.pageSize);
      bitmaps.back().put8(0, kBitmapPage).put8(1, 1);
    }
    const int64_t bit = page - k * perBitmap;
    bitmaps.back().bytes()[4 + static_cast<size_t>(bit / 8)] |=
        static_cast<uint8_t>(1u << (bit % 8));
  });
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    const int64_t page = file.allocate();
    file.write(page, bitmaps[i].bytes());
    map.bitmapPages.push_back(page);
    putLe(std::span(map.row).subspan(1 + 4 * static_cast<size_t>(stretchOf[i])),
          static_cast<uint64_t>(page), 4);
  }
  return map;
}

}  // namespace

UsageMap buildUsageMap(const PageSet& pages, UsageMapKind kind, const JetFormat& format,
                       PageFile& file) {
  if (kind == UsageMapKind::kPageList) return pageListMap(pages, format, file);
  const int64_t start = inlineStart(pages, format);
  if (start >= 0) return inlineMap(pages, start, format);
  if (kind == UsageMapKind::kInline) {
    throw std::invalid_argument("pages " + std::to_string(pages.first()) + " to " +
                                std::to_string(pages.last()) + " do not fit an inline map");
  }
  return pageListMap(pages, format, file);
}

}  // namespace vantrel::mdbwriter
