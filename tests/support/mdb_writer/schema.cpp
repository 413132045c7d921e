#include "tests/support/mdb_writer/schema.h"

#include <memory>

namespace vantrel::mdbwriter {

RowSource rowsOf(std::vector<Row> rows) {
  auto held = std::make_shared<std::vector<Row>>(std::move(rows));
  auto next = std::make_shared<size_t>(0);
  return [held, next](Row& row) {
    if (*next >= held->size()) return false;
    row = (*held)[(*next)++];
    return true;
  };
}

}  // namespace vantrel::mdbwriter
