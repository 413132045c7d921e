#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/mdb_writer/jet_format.h"

namespace vantrel::mdbwriter {

struct PageRange {
  int64_t first = 0;
  int64_t count = 0;
  bool operator==(const PageRange&) const = default;
};

// A set of page numbers, one bit per page, so that a table of millions of rows costs a few
// kilobytes to remember.
class PageSet {
 public:
  void add(int64_t page);
  bool contains(int64_t page) const;
  bool empty() const { return count_ == 0; }
  int64_t count() const { return count_; }
  int64_t first() const;  // -1 when empty
  int64_t last() const;   // -1 when empty
  std::vector<int64_t> pages() const;
  // Calls f(page) for every page in ascending order, without a list of them all.
  template <typename F>
  void forEach(F f) const {
    for (size_t w = 0; w < words_.size(); ++w) {
      for (uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
        f(static_cast<int64_t>(w * 64) + lowestBit(bits));
      }
    }
  }
  std::vector<PageRange> ranges() const;
  // The n-th page in ascending order; -1 when there are fewer.
  int64_t nth(int64_t n) const;

 private:
  static int lowestBit(uint64_t bits);
  std::vector<uint64_t> words_;
  int64_t count_ = 0;
};

// A row of a usage map: which page and row it is, and what it is.
struct UsageMapInfo {
  int64_t page = 0;
  int row = 0;
  int type = 0;                      // 0 inline bitmap, 1 page list
  std::vector<int64_t> bitmapPages;  // type 1: the bitmap pages it names
};

struct LongValueColumnManifest {
  std::string column;
  PageSet pages;
  UsageMapInfo usageMap;
  UsageMapInfo freeMap;
};

struct IndexManifest {
  std::string name;
  int realIndex = 0;
  int64_t leafPage = 0;
  UsageMapInfo usageMap;
};

// Where one table went.
struct TableManifest {
  std::string name;
  bool system = false;
  std::vector<int64_t> definitionPages;  // the first one is the table's id
  int64_t rowCount = 0;                  // live rows
  int64_t deletedRowCount = 0;
  PageSet dataPages;
  PageSet longValuePages;  // all long-value pages of the table's columns
  std::vector<LongValueColumnManifest> longValueColumns;
  UsageMapInfo usageMap;
  UsageMapInfo freeMap;
  std::vector<int64_t> mapPages;  // pages holding its usage-map rows (shared by system tables)
  std::vector<IndexManifest> indexes;

  int64_t definitionPage() const { return definitionPages.empty() ? 0 : definitionPages[0]; }
};

struct ObjectManifest {
  std::string name;
  int64_t id = 0;  // the catalog's Id
  int type = 0;    // 1 table, 5 saved query, 8 relationship
};

// What was written where, for tests that damage chosen pages.
struct Manifest {
  JetVersion version = JetVersion::kJet4;
  int pageSize = 0;
  int64_t pageCount = 0;
  int64_t headerPage = 0;
  int64_t globalMapPage = 1;
  std::vector<TableManifest> tables;    // MSysObjects, MSysACEs, MSysQueries,
                                        // MSysRelationships, then the user tables in order
  std::vector<ObjectManifest> objects;  // every catalog row, in catalog order

  // The table of that name; throws std::out_of_range when there is none.
  const TableManifest& table(std::string_view name) const;
  // The catalog's data pages (the pages that hold the rows of MSysObjects).
  const PageSet& catalogPages() const { return table("MSysObjects").dataPages; }
  const ObjectManifest& object(std::string_view name) const;
};

}  // namespace vantrel::mdbwriter
