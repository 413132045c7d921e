#include "tests/damage/damage_kinds.h"

#include <algorithm>
#include <random>
#include <set>

namespace vantrel::test {

namespace {

constexpr size_t kVersionOffset = 0x14;
constexpr size_t kHeaderKeptBytes = 0x18;  // the version field is the last thing kept
constexpr int64_t kCatalogDefinitionPage = 2;
constexpr int kOffsetMask = 0x1FFF;
constexpr int kDeletedRow = 0x4000;  // also the flag of a moved row's pointer slot
constexpr int kMovedRow = 0x8000;
constexpr int kBitmapHeader = 4;

uint32_t u32At(std::span<const uint8_t> bytes, size_t at) {
  if (at + 4 > bytes.size()) return 0;
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

int u16At(std::span<const uint8_t> bytes, size_t at) {
  if (at + 2 > bytes.size()) return 0;
  return bytes[at] | bytes[at + 1] << 8;
}

void putU16(std::span<uint8_t> bytes, size_t at, int value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// One row of a page: its first byte and the byte after its last.
struct RowBounds {
  size_t start = 0;
  size_t end = 0;
};

class PageView {
 public:
  PageView(std::span<const uint8_t> file, const PageSurvey& survey, int64_t page)
      : bytes_(file.subspan(static_cast<size_t>(page * survey.pageSize),
                            static_cast<size_t>(survey.pageSize))),
        base_(static_cast<size_t>(page * survey.pageSize)),
        rowCountOffset_(static_cast<size_t>(survey.rowCountOffset())) {}

  int rowCount() const { return u16At(bytes_, rowCountOffset_); }
  int entry(int row) const {
    return u16At(bytes_, rowCountOffset_ + 2 + 2 * static_cast<size_t>(row));
  }
  RowBounds row(int r) const {
    const size_t start = static_cast<size_t>(entry(r) & kOffsetMask);
    const size_t end = r == 0 ? bytes_.size() : static_cast<size_t>(entry(r - 1) & kOffsetMask);
    return {start, std::min(end, bytes_.size())};
  }
  size_t fileOffset(size_t at) const { return base_ + at; }
  std::span<const uint8_t> bytes() const { return bytes_; }

 private:
  std::span<const uint8_t> bytes_;
  size_t base_;
  size_t rowCountOffset_;
};

void fillPage(std::vector<uint8_t>& file, const PageSurvey& survey, int64_t page,
              std::mt19937& random, bool randomBytes) {
  const auto from = file.begin() + page * survey.pageSize;
  if (!randomBytes) {
    std::fill(from, from + survey.pageSize, uint8_t{0});
    return;
  }
  std::generate(from, from + survey.pageSize, [&] { return static_cast<uint8_t>(random()); });
}

template <typename T>
const T& pick(const std::vector<T>& values, std::mt19937& random) {
  return values[random() % values.size()];
}

// A chain of long-value rows: each row starts with the row and page of the next; the last
// names page 0.
struct ChainLink {
  int64_t page = 0;
  int row = 0;
  auto operator<=>(const ChainLink&) const = default;
};

std::vector<std::vector<ChainLink>> longValueChains(std::span<const uint8_t> file,
                                                    const PageSurvey& survey) {
  const std::set<int64_t> longValuePages(survey.longValuePages.begin(),
                                         survey.longValuePages.end());
  std::map<ChainLink, ChainLink> next;
  std::set<ChainLink> linkedTo;
  for (int64_t page : survey.longValuePages) {
    const PageView view(file, survey, page);
    for (int r = 0; r < view.rowCount(); ++r) {
      const RowBounds bounds = view.row(r);
      if (bounds.start + 4 > bounds.end) continue;
      const ChainLink to{u32At(view.bytes(), bounds.start) >> 8, view.bytes()[bounds.start]};
      if (!longValuePages.contains(to.page) ||
          to.row >= PageView(file, survey, to.page).rowCount()) {
        continue;
      }
      next[{page, r}] = to;
      linkedTo.insert(to);
    }
  }
  std::vector<std::vector<ChainLink>> chains;
  for (const auto& [from, to] : next) {
    if (linkedTo.contains(from)) continue;  // not the head of its chain
    std::vector<ChainLink> chain{from};
    std::set<ChainLink> seen{from};
    for (auto it = next.find(from); it != next.end() && seen.insert(it->second).second;
         it = next.find(it->second)) {
      chain.push_back(it->second);
    }
    chains.push_back(std::move(chain));
  }
  return chains;
}

// Clears the usage map of one table: an inline map loses its bits, a page list its pages.
void clearUsageMap(std::vector<uint8_t>& file, const PageSurvey& survey, int64_t definition,
                   std::set<int64_t>& touched) {
  const size_t mapOffset = survey.jet4 ? 55 : 35;
  const size_t at = static_cast<size_t>(definition * survey.pageSize) + mapOffset;
  const int row = file[at];
  const int64_t page = u32At(file, at) >> 8;
  if (page <= 0 || page >= survey.pageCount) return;
  const PageView view(file, survey, page);
  if (row >= view.rowCount()) return;
  const RowBounds bounds = view.row(row);
  if (bounds.start >= bounds.end) return;
  touched.insert(page);
  const uint8_t type = view.bytes()[bounds.start];
  const size_t from = view.fileOffset(bounds.start);
  const size_t to = view.fileOffset(bounds.end);
  if (type == 0) {
    std::fill(file.begin() + static_cast<ptrdiff_t>(std::min(from + 5, to)),
              file.begin() + static_cast<ptrdiff_t>(to), uint8_t{0});
    return;
  }
  for (size_t entry = from + 1; entry + 4 <= to; entry += 4) {
    const int64_t bitmap = u32At(file, entry);
    if (bitmap > 0 && bitmap < survey.pageCount) {
      const auto bits = file.begin() + bitmap * survey.pageSize;
      std::fill(bits + kBitmapHeader, bits + survey.pageSize, uint8_t{0});
      touched.insert(bitmap);
    }
    std::fill(file.begin() + static_cast<ptrdiff_t>(entry),
              file.begin() + static_cast<ptrdiff_t>(entry + 4), uint8_t{0});
  }
}

}  // namespace

std::vector<int64_t> PageSurvey::userDataPages() const {
  std::vector<int64_t> pages;
  for (int64_t definition : userDefinitions) {
    const auto it = dataPagesByOwner.find(definition);
    if (it != dataPagesByOwner.end())
      pages.insert(pages.end(), it->second.begin(), it->second.end());
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

std::vector<int64_t> PageSurvey::definitionChain(std::span<const uint8_t> file,
                                                 int64_t first) const {
  std::vector<int64_t> chain;
  for (int64_t page = first; page > 0 && page < pageCount &&
                             std::find(chain.begin(), chain.end(), page) == chain.end();) {
    chain.push_back(page);
    page = u32At(file, static_cast<size_t>(page * pageSize) + 4);
  }
  return chain;
}

int PageSurvey::liveRowsOn(std::span<const uint8_t> file, int64_t page) const {
  const PageView view(file, *this, page);
  int live = 0;
  for (int r = 0; r < view.rowCount(); ++r)
    live += (view.entry(r) & kDeletedRow) == 0;
  return live;
}

std::vector<int64_t> PageSurvey::movedRowPointerPages(std::span<const uint8_t> file) const {
  std::vector<int64_t> pages;
  for (int64_t page : userDataPages()) {
    const PageView view(file, *this, page);
    for (int r = 0; r < view.rowCount(); ++r) {
      if ((view.entry(r) & (kDeletedRow | kMovedRow)) == kDeletedRow) {
        pages.push_back(page);
        break;
      }
    }
  }
  return pages;
}

PageSurvey surveyPages(std::span<const uint8_t> file) {
  PageSurvey survey;
  survey.jet4 = file.size() > kVersionOffset && file[kVersionOffset] != 0;
  survey.pageSize = survey.jet4 ? 4096 : 2048;
  survey.pageCount = static_cast<int64_t>(file.size()) / survey.pageSize;
  const size_t tableTypeOffset = survey.jet4 ? 40 : 20;
  std::set<int64_t> continuations;
  std::vector<int64_t> userTables;
  std::vector<int64_t> tables;
  for (int64_t page = 1; page < survey.pageCount; ++page) {
    const auto header = file.subspan(static_cast<size_t>(page * survey.pageSize), 64);
    if (header[1] != 1) continue;
    if (header[0] == 1) {
      if (header[4] == 'L' && header[5] == 'V' && header[6] == 'A' && header[7] == 'L') {
        survey.longValuePages.push_back(page);
      } else {
        survey.dataPagesByOwner[u32At(header, 4)].push_back(page);
      }
    } else if (header[0] == 2) {
      if (const uint32_t next = u32At(header, 4); next != 0) continuations.insert(next);
      if (header[tableTypeOffset] == 'N') userTables.push_back(page);
      tables.push_back(page);
    }
  }
  for (int64_t page : userTables) {
    if (!continuations.contains(page)) survey.userDefinitions.push_back(page);
  }
  for (int64_t page : tables) {
    if (!continuations.contains(page)) survey.definitions.push_back(page);
  }
  return survey;
}

std::string_view damageName(DamageKind kind) {
  switch (kind) {
    case DamageKind::kVersionField:
      return "version field garbled";
    case DamageKind::kHeaderPage:
      return "page 0 garbled beyond the version field";
    case DamageKind::kCatalogDefinition:
      return "catalog definition page zeroed";
    case DamageKind::kCatalogData:
      return "catalog data pages zeroed";
    case DamageKind::kDataPageZeroed:
      return "one user data page zeroed";
    case DamageKind::kDataPageRandom:
      return "one user data page filled with random bytes";
    case DamageKind::kLongValuesZeroed:
      return "long-value pages zeroed";
    case DamageKind::kCircularChain:
      return "a long-value chain made circular";
    case DamageKind::kRowOffsetsGarbled:
      return "row offset table of one data page garbled";
    case DamageKind::kUsageMapsCleared:
      return "usage maps cleared";
    case DamageKind::kTruncated:
      return "file truncated at a random byte";
    case DamageKind::kBitFlips:
      return "bits flipped at random";
    case DamageKind::kRowCountsZeroed:
      return "row counts zeroed in every table definition";
    case DamageKind::kPointerPageZeroed:
      return "a moved row's pointer page zeroed";
    case DamageKind::kDeletedMovedRows:
      return "deleted moved rows";
    case DamageKind::kDefinitionZeroed:
      return "one user table's definition page zeroed";
    case DamageKind::kCutBeforeDef:
      return "file truncated where a user table's definition begins";
  }
  return "";
}

bool isRandomDamage(DamageKind kind) {
  switch (kind) {
    case DamageKind::kDataPageZeroed:
    case DamageKind::kDataPageRandom:
    case DamageKind::kCircularChain:
    case DamageKind::kRowOffsetsGarbled:
    case DamageKind::kTruncated:
    case DamageKind::kBitFlips:
    case DamageKind::kPointerPageZeroed:
    case DamageKind::kDefinitionZeroed:
    case DamageKind::kCutBeforeDef:
      return true;
    default:
      return false;
  }
}

std::optional<DamagedFile> damageFile(std::span<const uint8_t> healthy, const PageSurvey& survey,
                                      DamageKind kind, uint32_t seed) {
  std::mt19937 random(seed);
  DamagedFile damaged{{healthy.begin(), healthy.end()}, {}};
  std::vector<uint8_t>& file = damaged.bytes;
  const std::vector<int64_t> userPages = survey.userDataPages();
  switch (kind) {
    case DamageKind::kVersionField:
      // Neither 0 nor 1, in any of its four bytes.
      file[kVersionOffset] = static_cast<uint8_t>(2 + random() % 254);
      for (size_t i = 1; i < 4; ++i)
        file[kVersionOffset + i] = static_cast<uint8_t>(random());
      break;
    case DamageKind::kHeaderPage:
      std::generate(file.begin() + kHeaderKeptBytes, file.begin() + survey.pageSize,
                    [&] { return static_cast<uint8_t>(random()); });
      break;
    case DamageKind::kCatalogDefinition:
      damaged.pages = {kCatalogDefinitionPage};
      break;
    case DamageKind::kCatalogData: {
      const auto it = survey.dataPagesByOwner.find(kCatalogDefinitionPage);
      if (it == survey.dataPagesByOwner.end()) return std::nullopt;
      damaged.pages = it->second;
      break;
    }
    case DamageKind::kDataPageZeroed:
    case DamageKind::kDataPageRandom:
      if (userPages.empty()) return std::nullopt;
      damaged.pages = {pick(userPages, random)};
      fillPage(file, survey, damaged.pages[0], random, kind == DamageKind::kDataPageRandom);
      return damaged;
    case DamageKind::kLongValuesZeroed:
      if (survey.longValuePages.empty()) return std::nullopt;
      damaged.pages = survey.longValuePages;
      break;
    case DamageKind::kCircularChain: {
      const auto chains = longValueChains(healthy, survey);
      if (chains.empty()) return std::nullopt;
      const auto& chain = pick(chains, random);
      const ChainLink& head = chain.front();
      const ChainLink& last = chain.back();
      const PageView view(healthy, survey, last.page);
      // The last row now leads back to the first; a chain that already ends in a loop is
      // closed at its first row again.
      const size_t at = view.fileOffset(view.row(last.row).start);
      file[at] = static_cast<uint8_t>(head.row);
      for (size_t i = 1; i < 4; ++i)
        file[at + i] = static_cast<uint8_t>(head.page >> (8 * (i - 1)));
      damaged.pages = {last.page};
      return damaged;
    }
    case DamageKind::kRowOffsetsGarbled: {
      if (userPages.empty()) return std::nullopt;
      const int64_t page = pick(userPages, random);
      const PageView view(healthy, survey, page);
      for (int r = 0; r < view.rowCount(); ++r) {
        const size_t at = view.fileOffset(static_cast<size_t>(survey.rowCountOffset() + 2 + 2 * r));
        if (at + 2 <= view.fileOffset(static_cast<size_t>(survey.pageSize))) {
          putU16(file, at, static_cast<int>(random() & 0xFFFF));
        }
      }
      damaged.pages = {page};
      return damaged;
    }
    case DamageKind::kUsageMapsCleared: {
      std::set<int64_t> touched;
      for (int64_t definition : survey.userDefinitions)
        clearUsageMap(file, survey, definition, touched);
      damaged.pages.assign(touched.begin(), touched.end());
      return damaged;
    }
    case DamageKind::kTruncated:
      damaged.cut = static_cast<int64_t>(random() % file.size());
      file.resize(static_cast<size_t>(damaged.cut));
      return damaged;
    case DamageKind::kDefinitionZeroed:
    case DamageKind::kCutBeforeDef: {
      // A table with rows; for the cut, one whose rows begin before its definition.
      std::vector<int64_t> tables;
      for (int64_t definition : survey.userDefinitions) {
        const auto it = survey.dataPagesByOwner.find(definition);
        if (it == survey.dataPagesByOwner.end() ||
            std::ranges::none_of(
                it->second, [&](int64_t page) { return survey.liveRowsOn(healthy, page) > 0; })) {
          continue;
        }
        if (kind == DamageKind::kDefinitionZeroed || it->second.front() < definition) {
          tables.push_back(definition);
        }
      }
      if (tables.empty()) return std::nullopt;
      damaged.pages = {pick(tables, random)};
      if (kind == DamageKind::kDefinitionZeroed) break;
      damaged.cut = damaged.pages[0] * survey.pageSize;
      file.resize(static_cast<size_t>(damaged.cut));
      return damaged;
    }
    case DamageKind::kBitFlips: {
      const int64_t flips = std::max<int64_t>(4, survey.pageCount / 4);
      for (int64_t i = 0; i < flips; ++i) {
        const size_t at = random() % file.size();
        file[at] ^= static_cast<uint8_t>(1u << (random() % 8));
      }
      return damaged;
    }
    case DamageKind::kRowCountsZeroed: {
      const size_t rowCountOffset = survey.jet4 ? 16 : 12;
      for (int64_t page : survey.definitions) {
        const auto at =
            static_cast<ptrdiff_t>(static_cast<size_t>(page * survey.pageSize) + rowCountOffset);
        std::fill(file.begin() + at, file.begin() + at + 4, uint8_t{0});
      }
      damaged.pages = survey.definitions;
      return damaged;
    }
    case DamageKind::kPointerPageZeroed: {
      const std::vector<int64_t> pages = survey.movedRowPointerPages(healthy);
      if (pages.empty()) return std::nullopt;
      damaged.pages = {pick(pages, random)};
      break;
    }
    case DamageKind::kDeletedMovedRows:
      // As Access deletes a row that had moved: its pointer slot is flagged deleted and keeps
      // its pointer; the moved row keeps its own flag.
      damaged.pages = survey.movedRowPointerPages(healthy);
      if (damaged.pages.empty()) return std::nullopt;
      for (int64_t page : damaged.pages) {
        const PageView view(healthy, survey, page);
        const int64_t owner = u32At(view.bytes(), 4);
        for (int r = 0; r < view.rowCount(); ++r) {
          const int entry = view.entry(r);
          if ((entry & (kDeletedRow | kMovedRow)) != kDeletedRow) continue;
          putU16(file, view.fileOffset(static_cast<size_t>(survey.rowCountOffset() + 2 + 2 * r)),
                 entry | kMovedRow);
          ++damaged.rowsDeleted[owner];
        }
      }
      return damaged;
  }
  for (int64_t page : damaged.pages)
    fillPage(file, survey, page, random, false);
  return damaged;
}

}  // namespace vantrel::test
