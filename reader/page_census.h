#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vantrel {

class SourceDatabase;

// What every page of a file says about itself in its first bytes, gathered in one pass: whose
// data pages they are, and where user table definitions begin. The salvage turns to it when
// the usual structures (usage maps, catalog rows) are lost.
struct PageCensus {
  // Data pages (not long-value pages) by the definition page that owns them, in page order.
  std::unordered_map<int64_t, std::vector<int64_t>> dataPagesByOwner;
  // Pages that begin a user table's definition (not the continuation of another).
  std::vector<int64_t> userTableDefinitions;
  // Pages the database's own usage map (row 0 of page 1) marks as free: a dropped table
  // leaves its definition and data pages there, rows and all.
  std::vector<bool> freePages;
  // Encoded pages that the key in the header, checked on each page because it may not fit,
  // does not decode into pages: told to the damage sink when the census is taken.
  std::vector<int64_t> undecodedPages;
  // The user stopped the run before the census had seen every page: it holds the pages before
  // that point, and no free pages.
  bool cut = false;

  const std::vector<int64_t>& dataPagesOf(int64_t tdefPage) const;
  bool isFree(int64_t page) const;
};

// Takes the census of the file, or returns the one taken before. The census asks the run's
// stop check every few thousand pages; see PageCensus::cut.
const PageCensus& pageCensus(SourceDatabase& db);

}  // namespace vantrel
