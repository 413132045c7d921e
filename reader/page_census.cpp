#include "reader/page_census.h"

#include <algorithm>
#include <array>

#include "reader/source_database.h"

namespace vantrel {

namespace {

constexpr uint8_t kDataPage = 1;
constexpr uint8_t kDefinitionPage = 2;
constexpr uint8_t kUserTable = 'N';
constexpr size_t kHeaderBytes = 44;
constexpr int kJet4TableTypeOffset = 40;
constexpr int kJet3TableTypeOffset = 20;

uint32_t u32(const std::array<uint8_t, kHeaderBytes>& bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

constexpr int64_t kGlobalMapPage = 1;
constexpr int kOffsetMask = 0x1FFF;
constexpr size_t kInlineMapHeader = 5;  // type byte, then the first page as a u32
constexpr size_t kBitmapHeader = 4;     // a bitmap page's bits start here

// Reads the database's own usage map straight from the file (the page buffers are left as
// they are): an inline bitmap, or a list of bitmap pages.
std::vector<bool> readFreePages(const SourceDatabase& db) {
  const auto pageSize = static_cast<size_t>(db.pageSize());
  const int64_t pageCount = std::max<int64_t>(db.pageCount(), 0);
  std::vector<bool> free(static_cast<size_t>(pageCount), false);
  std::vector<uint8_t> page(pageSize);
  if (db.file().readAt(kGlobalMapPage * pageSize, page) < pageSize || page[0] != kDataPage) {
    return free;
  }
  const auto entryAt = static_cast<size_t>(db.layout().rowCountOffset) + 2;
  const size_t start = (page[entryAt] | page[entryAt + 1] << 8) & kOffsetMask;
  if (start == 0 || start + kInlineMapHeader >= pageSize) return free;
  // Row 0 runs to the end of the page.
  const std::vector<uint8_t> row(page.begin() + static_cast<ptrdiff_t>(start), page.end());
  const auto mark = [&free, pageCount](int64_t n) {
    if (n >= 0 && n < pageCount) free[static_cast<size_t>(n)] = true;
  };
  if (row[0] == 0) {
    const int64_t first = u32Of(row, 1);
    for (size_t bit = 0; bit < (row.size() - kInlineMapHeader) * 8; ++bit) {
      if ((row[kInlineMapHeader + bit / 8] >> (bit % 8)) & 1) {
        mark(first + static_cast<int64_t>(bit));
      }
    }
  } else if (row[0] == 1) {
    const auto pagesPerBitmap = static_cast<int64_t>((pageSize - kBitmapHeader) * 8);
    for (size_t k = 0; 1 + 4 * k + 4 <= row.size(); ++k) {
      const int64_t bitmap = u32Of(row, static_cast<int64_t>(1 + 4 * k));
      const int64_t base = static_cast<int64_t>(k) * pagesPerBitmap;
      if (base >= pageCount) break;
      if (bitmap <= 0 || bitmap >= pageCount ||
          db.file().readAt(static_cast<uint64_t>(bitmap) * pageSize, page) < pageSize) {
        continue;
      }
      for (int64_t bit = 0; bit < pagesPerBitmap && base + bit < pageCount; ++bit) {
        const auto byte = kBitmapHeader + static_cast<size_t>(bit / 8);
        if ((page[byte] >> (bit % 8)) & 1) mark(base + bit);
      }
    }
  }
  return free;
}

PageCensus takeCensus(const SourceDatabase& db) {
  PageCensus census;
  std::unordered_set<int64_t> continuations;
  std::vector<int64_t> definitions;
  const auto pageSize = static_cast<uint64_t>(db.pageSize());
  const size_t typeOffset = db.isJet4() ? kJet4TableTypeOffset : kJet3TableTypeOffset;
  std::array<uint8_t, kHeaderBytes> header{};
  for (int64_t page = 1; page < db.pageCount(); ++page) {
    if (db.file().readAt(static_cast<uint64_t>(page) * pageSize, header) == 0) break;
    if (header[1] != 1) continue;
    if (header[0] == kDataPage &&
        !(header[4] == 'L' && header[5] == 'V' && header[6] == 'A' && header[7] == 'L')) {
      census.dataPagesByOwner[u32(header, 4)].push_back(page);
    } else if (header[0] == kDefinitionPage &&
               (db.isJet4() || (header[2] == 'V' && header[3] == 'C'))) {
      if (const uint32_t next = u32(header, 4); next != 0) continuations.insert(next);
      if (header[typeOffset] == kUserTable) definitions.push_back(page);
    }
  }
  for (int64_t page : definitions) {
    if (!continuations.contains(page)) census.userTableDefinitions.push_back(page);
  }
  census.freePages = readFreePages(db);
  return census;
}

}  // namespace

const std::vector<int64_t>& PageCensus::dataPagesOf(int64_t tdefPage) const {
  static const std::vector<int64_t> kNone;
  const auto it = dataPagesByOwner.find(tdefPage);
  return it == dataPagesByOwner.end() ? kNone : it->second;
}

bool PageCensus::isFree(int64_t page) const {
  return page >= 0 && page < static_cast<int64_t>(freePages.size()) &&
         freePages[static_cast<size_t>(page)];
}

const PageCensus& pageCensus(SourceDatabase& db) {
  if (!db.census_) db.census_ = std::make_shared<const PageCensus>(takeCensus(db));
  return *db.census_;
}

}  // namespace vantrel
