#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/mdb_writer/schema.h"
#include "tests/support/mdb_writer/table_layout.h"

namespace vantrel::mdbwriter {

struct IndexKey {
  int columnNumber = 0;
  bool descending = false;
  bool operator==(const IndexKey&) const = default;
};

// A real index: the keys the index pages are sorted by. Logical indexes with the same keys
// share one, as Access does.
struct RealIndex {
  std::vector<IndexKey> keys;
  uint8_t flags = 0;  // 0x01 unique, 0x02 ignore nulls, 0x08 required
};

struct LogicalIndex {
  std::string name;
  int realIndex = 0;
  int type = 0;  // 0 ordinary, 1 primary key, 2 foreign key
  std::string referencedTable;
};

struct IndexPlan {
  std::vector<RealIndex> real;
  std::vector<LogicalIndex> logical;
};

// Throws std::invalid_argument for an index the table cannot have (unknown or deleted
// columns, no or too many keys, a second primary key).
IndexPlan planIndexes(const TableSpec& table, const TableLayout& layout);

}  // namespace vantrel::mdbwriter
