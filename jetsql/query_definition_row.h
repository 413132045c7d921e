#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "reader/field_value.h"

namespace vantrel {

// One row of the query catalog (MSysQueries) as the rebuilder uses it. The texts are UTF-16;
// attribute and flag are whole numbers, none where the row holds none (null, or a damaged
// column that holds no whole number).
struct QueryDefinitionRow {
  std::optional<int64_t> attribute;  // element kind: 1 kind, 2 parameter, 3 options, 5 table...
  std::u16string expression;         // column expression, join condition, criteria, sort key...
  std::optional<int64_t> flag;       // meaning depends on the attribute
  std::u16string name1;              // table, column alias, parameter name, TOP value, target table
  std::u16string name2;              // table alias, target column, right-hand table of a join
  int64_t objectId = 0;              // id of the query the row belongs to
};

// Builds a row from the reader's fields of one catalog row, one per column position. The
// positions differ between Jet 3 (`formatVersion` 0) and Jet 4 (1); a position the row does
// not have reads as null. A text ends at its first U+0000, as the engine stores some
// statements with a terminator and trailing bytes.
QueryDefinitionRow queryRowFromFields(std::span<const FieldValue> fields, int formatVersion);

// The same from the texts of one catalog row, one UTF-8 text per column position; a position
// the row does not have reads as the empty text, and a number is a text of decimal digits
// with an optional sign.
QueryDefinitionRow queryRowFromTexts(std::span<const std::string> columnTexts, int formatVersion);

// Whether a catalog row belongs to the query with `queryId` (the catalog's object id of the
// query). Jet 4 compares the whole 32-bit id. Jet 3 compares the row id's low 11 bits with
// the query id; a query id that needs more than 11 bits is compared on the low 24 bits of
// both, since no 11-bit value could ever match it.
bool rowBelongsToQuery(int64_t rowObjectId, int formatVersion, int64_t queryId);

}  // namespace vantrel
