#pragma once

// What the tests of both dialects do alike: a query's view made in an engine and its rows read
// back, each row's values joined by "|" (NULL as "-").

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jetsql/view_translation.h"

namespace vantrel::test {

using RowsOf = std::function<std::vector<std::string>(const std::string& sql)>;

// The rows of the view of `jet` as `translate` writes it, made by `makeView` (which runs
// "CREATE VIEW v AS ...") and read through `rowsOf`, which also reads the pivot values.
inline std::vector<std::string> translatedViewRows(
    std::string_view jet, ViewTranslator translate,
    const std::function<void(const std::string& select)>& makeView, const RowsOf& rowsOf) {
  const PivotValueReader pivots = [&](const std::string& select) {
    std::vector<PivotValue> values;
    for (const std::string& row : rowsOf(select)) {
      const size_t bar = row.find('|');
      values.push_back({row.substr(0, bar), row.substr(bar + 1)});
    }
    return values;
  };
  const ViewTranslation result = translate(jet, pivots);
  if (!result.sql) {
    ADD_FAILURE() << jet << ": " << result.reason;
    return {};
  }
  makeView(*result.sql);
  return rowsOf("SELECT * FROM v");
}

}  // namespace vantrel::test
