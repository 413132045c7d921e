#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vantrel::test {

// What the first bytes of every page of a healthy file say, read with nothing but the page
// format: the damages below choose their pages from it.
struct PageSurvey {
  bool jet4 = true;
  int pageSize = 4096;
  int64_t pageCount = 0;
  std::vector<int64_t> userDefinitions;  // first definition pages of user tables
  std::vector<int64_t> definitions;      // first definition pages of every table
  std::map<int64_t, std::vector<int64_t>> dataPagesByOwner;
  std::vector<int64_t> longValuePages;

  // Data pages of the user tables, in page order.
  std::vector<int64_t> userDataPages() const;
  // Definition pages of a table: its first page and every continuation page.
  std::vector<int64_t> definitionChain(std::span<const uint8_t> file, int64_t first) const;
  // Rows of a page that are not flagged deleted.
  int liveRowsOn(std::span<const uint8_t> file, int64_t page) const;
  // User data pages that hold the pointer slot of a live moved row.
  std::vector<int64_t> movedRowPointerPages(std::span<const uint8_t> file) const;
  int rowCountOffset() const { return jet4 ? 12 : 8; }
};

PageSurvey surveyPages(std::span<const uint8_t> file);

// The damages that happen to real files.
enum class DamageKind {
  kVersionField,       // the version field garbled
  kHeaderPage,         // page 0 garbled beyond the version field
  kCatalogDefinition,  // the catalog's definition page zeroed
  kCatalogData,        // the catalog's data pages zeroed
  kDataPageZeroed,     // one data page of a user table zeroed
  kDataPageRandom,     // one data page of a user table filled with random bytes
  kLongValuesZeroed,   // every long-value page zeroed
  kCircularChain,      // one long-value chain made to lead back to its start
  kRowOffsetsGarbled,  // the row offsets of one data page of a user table garbled
  kUsageMapsCleared,   // the user tables' usage maps cleared: they name no page
  kTruncated,          // the file cut at a byte
  kBitFlips,           // bits flipped at random all over the file
  kRowCountsZeroed,    // the row count zeroed in every table definition
  kPointerPageZeroed,  // a page holding the pointer slot of a moved row zeroed
  kDeletedMovedRows,   // the moved rows deleted: their pointer slots flagged deleted
  // The first definition page of one user table zeroed.
  kDefinitionZeroed,
  // The file cut where a user table's definition begins, after some of its data pages.
  kCutBeforeDef,
};

// clang-format off
inline constexpr DamageKind kAllDamageKinds[] = {
    DamageKind::kVersionField,     DamageKind::kHeaderPage,     DamageKind::kCatalogDefinition,
    DamageKind::kCatalogData,      DamageKind::kDataPageZeroed, DamageKind::kDataPageRandom,
    DamageKind::kLongValuesZeroed, DamageKind::kCircularChain,  DamageKind::kRowOffsetsGarbled,
    DamageKind::kUsageMapsCleared, DamageKind::kTruncated,      DamageKind::kBitFlips,
    DamageKind::kRowCountsZeroed,  DamageKind::kPointerPageZeroed, DamageKind::kDeletedMovedRows,
    DamageKind::kDefinitionZeroed, DamageKind::kCutBeforeDef,
};
// clang-format on

std::string_view damageName(DamageKind kind);
// Whether a kind chooses its place at random (so that several seeds give different damages).
bool isRandomDamage(DamageKind kind);

struct DamagedFile {
  std::vector<uint8_t> bytes;
  std::vector<int64_t> pages;  // the pages damaged, where the damage is one of pages
  int64_t cut = -1;            // a truncated file: its new size
  // Rows the damage deleted, which must not come back, by the definition page of their table.
  std::map<int64_t, int64_t> rowsDeleted;
};

// A damaged copy of a healthy file; the seed chooses where the random kinds strike. None when
// the file has nothing of that kind (no long values, no chain, no user data page).
std::optional<DamagedFile> damageFile(std::span<const uint8_t> healthy, const PageSurvey& survey,
                                      DamageKind kind, uint32_t seed);

}  // namespace vantrel::test
