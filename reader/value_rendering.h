#pragma once

#include <string>

#include "reader/column_texts.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// Renders the field at `start` (`size` bytes) of a row's page for column position i into
// texts[i]; binary and OLE fields also keep their bytes. A size of 0 is a null or empty
// value: the empty text for every type but boolean. For a boolean, `valueByte` is its
// null-mask bit, which is the value itself. Returns the text's length.
size_t bindValue(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                 const ColumnDefinition& column, size_t i, int valueByte, ColumnTexts& texts);

// The text of a field of the given type (any type but boolean and numeric, which need their
// column). Positions outside the page give the empty text.
std::string valueToText(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                        int type);

// The whole text of a memo field, whichever way it is stored.
std::string longValueToText(SourceDatabase& db, std::span<const uint8_t> page, int start, int size);

}  // namespace vantrel
