#include "reader/page_census.h"

#include <algorithm>
#include <array>
#include <utility>

#include "reader/row_page.h"
#include "reader/source_database.h"
#include "reader/usage_map.h"
#include "run/run_state.h"

namespace vantrel {

namespace {

constexpr uint8_t kUserTable = 'N';
constexpr size_t kHeaderBytes = 44;

uint32_t u32(const std::array<uint8_t, kHeaderBytes>& bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// Pages between two looks at the run's stop request: 16 MB of 4 KB pages, a small part of a
// second even when every page comes from the disk.
constexpr int64_t kPagesPerStopCheck = 4096;

// Whether the user stopped the run while the census went on. A confirmed stop is carried to
// the reader's next stop check, where the walk that needed the census ends.
bool censusStopped(const SourceDatabase& db) {
  RunState* run = db.run();
  if (run == nullptr || !run->stopConfirmed()) return false;
  run->carryConfirmedStop();
  return true;
}

constexpr int64_t kGlobalMapPage = 1;
constexpr size_t kInlineMapHeader = 5;  // kind byte, then the first page as a u32

// Reads the database's own usage map past the page cache (the cached pages are left as they
// are): an inline bitmap, or a list of bitmap pages.
std::vector<bool> readFreePages(const SourceDatabase& db) {
  const auto pageSize = static_cast<size_t>(db.pageSize());
  const int64_t pageCount = std::max<int64_t>(db.pageCount(), 0);
  std::vector<bool> free(static_cast<size_t>(pageCount), false);
  std::vector<uint8_t> page(pageSize);
  if (db.readPageStart(kGlobalMapPage, page) < pageSize || page[0] != kDataPageType) {
    return free;
  }
  // Row 0 runs to the end of the page.
  const int rowStart = RowPage(page, db.format()).start(0);
  if (rowStart <= 0 || static_cast<size_t>(rowStart) + kInlineMapHeader >= pageSize) return free;
  const auto start = static_cast<size_t>(rowStart);
  const UsageMap map(std::vector<uint8_t>(page.begin() + static_cast<ptrdiff_t>(start), page.end()),
                     db.pageSize());
  std::vector<uint8_t> bitmap(pageSize);
  int64_t bitmapPage = 0;  // the page in `bitmap`; 0 for none
  const UsageBitmapReader bitmaps = [&](int64_t n) -> std::optional<std::span<const uint8_t>> {
    if (n != bitmapPage) {
      bitmapPage = 0;
      if (n <= 0 || n >= pageCount || db.readPageStart(n, bitmap) < pageSize) {
        return std::nullopt;
      }
      bitmapPage = n;
    }
    return std::span<const uint8_t>(bitmap).subspan(UsageMap::kBitmapHeader);
  };
  map.forEachPage(pageCount, bitmaps, [&free](int64_t n) { free[static_cast<size_t>(n)] = true; });
  return free;
}

PageCensus takeCensus(const SourceDatabase& db) {
  PageCensus census;
  std::unordered_set<int64_t> continuations;
  std::vector<int64_t> definitions;
  const auto typeOffset = static_cast<size_t>(db.format().userTableTypeAt);
  std::array<uint8_t, kHeaderBytes> header{};
  for (int64_t page = 1; page < db.pageCount(); ++page) {
    if (page % kPagesPerStopCheck == 0 && censusStopped(db)) {
      census.cut = true;
      break;
    }
    if (db.readPageStart(page, header) == 0) break;
    if (db.pageCoding().checkEachPage && !looksLikePage(header)) {
      census.undecodedPages.push_back(page);
      continue;
    }
    if (header[1] != 1) continue;
    if (header[0] == kDataPageType &&
        !(header[4] == 'L' && header[5] == 'V' && header[6] == 'A' && header[7] == 'L')) {
      census.dataPagesByOwner[u32(header, 4)].push_back(page);
    } else if (header[0] == kDefinitionPageType &&
               (db.isJet4() || (header[2] == 'V' && header[3] == 'C'))) {
      if (const uint32_t next = u32(header, 4); next != 0) continuations.insert(next);
      if (header[typeOffset] == kUserTable) definitions.push_back(page);
    }
  }
  for (int64_t page : definitions) {
    if (!continuations.contains(page)) census.userTableDefinitions.push_back(page);
  }
  if (!census.cut) census.freePages = readFreePages(db);
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
  // A census cut short serves the walk that is ending; once the stop has reached the reader,
  // the next run takes it whole. The cut one stays alive for callers still holding it.
  const bool stopPending = db.run() != nullptr && db.run()->stopRequested.load() != 0;
  if (!db.census_ || (db.census_->cut && !stopPending)) {
    db.cutCensus_ = std::exchange(db.census_, std::make_shared<const PageCensus>(takeCensus(db)));
    for (const int64_t page : db.census_->undecodedPages)
      db.noteDamage(DamageKind::kUndecodedPage, page);
  }
  return *db.census_;
}

}  // namespace vantrel
