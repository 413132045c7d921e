#pragma once

#include <cstdint>
#include <functional>
#include <span>
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
// Where a long value's bytes go as they are read, a long-value row's at a time: a text is
// then decoded without its stored bytes ever being held whole. `expect`, when given, is told
// once, before the bytes, the length the value's header declares, bounded by the file's size:
// the most that can come, which a damaged header may overstate.
struct LongValueReceiver {
  std::function<void(size_t length)> expect;
  std::function<void(std::span<const uint8_t> bytes)> append;
};
void readLongValueInPieces(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                           const LongValueReceiver& receiver);

// The same bytes in a string, for a text that is decoded where it lies.
std::string readLongValueAsString(SourceDatabase& db, std::span<const uint8_t> page, int start,
                                  int size);

}  // namespace vantrel
