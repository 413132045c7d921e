#include "reader/page_census.h"

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
  return census;
}

}  // namespace

const std::vector<int64_t>& PageCensus::dataPagesOf(int64_t tdefPage) const {
  static const std::vector<int64_t> kNone;
  const auto it = dataPagesByOwner.find(tdefPage);
  return it == dataPagesByOwner.end() ? kNone : it->second;
}

const PageCensus& pageCensus(SourceDatabase& db) {
  if (!db.census_) db.census_ = std::make_shared<const PageCensus>(takeCensus(db));
  return *db.census_;
}

}  // namespace vantrel
