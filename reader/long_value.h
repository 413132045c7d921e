#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/source_database.h"

namespace vantrel {

// The bytes of a long value (memo or OLE) whose 12-byte header starts at `start` of `page`
// and whose field is `size` bytes long. The value may be stored in the row, in
// one long-value row elsewhere, or in a chain of long-value rows. A damaged chain (an
// unreadable page, a link back to a row already read, more links than the file has pages,
// more bytes than the header declares, a row another value holds: see LongValueClaims) ends
// with what was read; a row that is not on a row
// page, or not among its rows, gives nothing.
std::vector<uint8_t> readLongValue(SourceDatabase& db, std::span<const uint8_t> page, int start,
                                   int size);
// The same bytes in a string, for a text that is decoded where it lies.
std::string readLongValueAsString(SourceDatabase& db, std::span<const uint8_t> page, int start,
                                  int size);

}  // namespace vantrel
