#include "tests/support/mdb_writer/index_plan.h"

#include <stdexcept>

namespace vantrel::mdbwriter {

namespace {

constexpr size_t kMaxKeys = 10;
constexpr uint8_t kUnique = 0x01;
constexpr uint8_t kIgnoreNulls = 0x02;
constexpr uint8_t kRequired = 0x08;

int columnNumberOf(const TableSpec& table, const TableLayout& layout, const std::string& name,
                   const std::string& index) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == name && !table.columns[i].deleted) return layout.columns[i].number;
  }
  throw std::invalid_argument("index \"" + index + "\" of \"" + table.name + "\": no column \"" +
                              name + "\"");
}

}  // namespace

IndexPlan planIndexes(const TableSpec& table, const TableLayout& layout) {
  IndexPlan plan;
  bool primaryKeySeen = false;
  for (const IndexSpec& index : table.indexes) {
    if (index.columns.empty() || index.columns.size() > kMaxKeys) {
      throw std::invalid_argument("index \"" + index.name + "\" needs 1 to 10 columns");
    }
    if (index.kind == IndexKind::kPrimaryKey) {
      if (primaryKeySeen) throw std::invalid_argument("table \"" + table.name + "\": two keys");
      primaryKeySeen = true;
    }
    RealIndex real;
    for (const IndexColumn& column : index.columns) {
      real.keys.push_back(
          {columnNumberOf(table, layout, column.column, index.name), column.descending});
    }
    real.flags =
        static_cast<uint8_t>((index.unique ? kUnique : 0) | (index.ignoreNulls ? kIgnoreNulls : 0) |
                             (index.required ? kRequired : 0));
    if (index.kind == IndexKind::kPrimaryKey) real.flags |= kUnique | kRequired;

    int shared = -1;
    for (size_t r = 0; r < plan.real.size(); ++r) {
      if (plan.real[r].keys == real.keys) shared = static_cast<int>(r);
    }
    if (shared < 0) {
      shared = static_cast<int>(plan.real.size());
      plan.real.push_back(real);
    } else {
      plan.real[static_cast<size_t>(shared)].flags |= real.flags;
    }
    const int type = index.kind == IndexKind::kPrimaryKey   ? 1
                     : index.kind == IndexKind::kForeignKey ? 2
                                                            : 0;
    plan.logical.push_back({index.name, shared, type, index.referencedTable});
  }
  return plan;
}

}  // namespace vantrel::mdbwriter
