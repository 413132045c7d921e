#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "reader/field_value.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// Decodes the field at `start` (`size` bytes) of a row's page for `column` into `out`. A size
// of 0 is a null value for every type but boolean, whose value is its null-mask bit
// (`valueByte`). Bytes that do not lie inside the page give a null value.
void decodeField(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                 const ColumnDefinition& column, int valueByte, FieldValue& out);

}  // namespace vantrel
