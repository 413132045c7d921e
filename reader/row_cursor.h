#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "reader/field_slot.h"
#include "reader/field_value.h"
#include "reader/page_source.h"

namespace vantrel {

// Where a walk over a table's rows stands, and the row it read last. A fresh cursor stands
// before the first row; the table's definition is handed to each call of the row reader.
struct RowCursor {
  int walkStarted = 0;
  int64_t currentDataPage = 0;
  PageView dataPage;  // the page of currentDataPage, while it is a data page of the table
  int currentRow = 0;
  // Rows are sought on the pages the usage map names, then, when the map is lost or gave fewer
  // rows than the definition declares, on the table's other pages.
  int walkPhase = 0;
  size_t ownerPageIndex = 0;
  int64_t rowsFromMap = 0;
  // Moved rows (page, row) that a deleted pointer slot of the table points at: rows deleted
  // after they had moved. Gathered when the walk first meets a moved row.
  std::optional<std::set<std::pair<int64_t, int>>> deletedMovedRows;
  // The long-value rows this walk's values reached, one bit each (see LongValueClaims).
  std::vector<uint64_t> longValueRows;

  // The fields of the current row, one per column position, filled by every fetch.
  RowFields fields;
  // Working space of the row reader, kept between rows.
  std::vector<FieldSlot> fieldSlots;
  std::vector<int> variableOffsets;
  PageView usageBitmap;  // the reference map's bitmap page read last
};

}  // namespace vantrel
