#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "reader/table_definition.h"

namespace vantrel {

// One stored row of a table whose definition is lost, as found on its data page.
struct ObservedRow {
  std::vector<uint8_t> bytes;  // the row from its column count to its null mask
  int columnCount = 0;         // from the row's header
  // The variable offset table as the row reader reads it at the row's end (from the row's
  // start; one more entry than variable fields). Empty when it could not be read; meaningless
  // when the table has no variable columns, which the inference decides.
  std::vector<int> variableOffsets;
};

// The columns of a table inferred from its rows alone: variable columns from the offset
// table (text when every value decodes cleanly, memo or OLE when every value is a long-value
// field, else bytes), the fixed area split into typed columns where every row agrees (a LONG
// that rises row after row, a plausible date, a plain double) and bytes columns for the rest,
// and a boolean for every null-mask bit no other column claims. Each column is given the
// null-mask bit whose set and clear states best follow its values. Names are Field1, Field2,
// ... in the order of their bits, which is the order the columns were created in.
struct InferredLayout {
  std::vector<ColumnDefinition> columns;
  bool hasVariableColumns = false;
  int64_t rowsUsed = 0;  // rows the layout was inferred from
};

// What the inference asks of the file about single values.
struct ValueChecks {
  // Whether a stored value decodes as text of the file's version without a stray character.
  std::function<bool(std::span<const uint8_t>)> decodesCleanly;
  // Whether the 12-byte field of a long value kept outside the row points at a row that is
  // there.
  std::function<bool(std::span<const uint8_t>)> leadsToLongValue;
};

// None when no row fits a layout. Rows that do not fit the common layout are passed over.
std::optional<InferredLayout> inferRowLayout(std::span<const ObservedRow> rows, bool jet4,
                                             const ValueChecks& checks);

}  // namespace vantrel
