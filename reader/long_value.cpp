#include "reader/long_value.h"

#include "reader/row_page.h"

#include <algorithm>
#include <set>
#include <string>
#include <type_traits>
#include <utility>

namespace vantrel {

namespace {

constexpr int kHeaderSize = 12;
constexpr int64_t kInRow = 0x80000000;
constexpr int64_t kSinglePage = 0x40000000;
constexpr int64_t kLengthMask = 0x3FFFFFFF;
constexpr int kLinkSize = 4;  // each chained row starts with the next row and page
constexpr size_t kMaxReserve = 1 << 20;

// Where long-value row r starts, or -1. A page that is no row page, or holds fewer rows, has
// no such row: a value is never read from bytes that are not one (a zeroed page would give a
// value of zeros).
int longRowStart(const RowPage& page, int r) {
  if (page.pageType() != kDataPageType || r >= page.storedRowCount()) return -1;
  return page.start(r);
}

// Just past long-value row r, inside the page. An empty entry before it ends nothing: the row
// then runs to the page end.
int longRowEnd(const RowPage& page, int r) {
  if (r > 0 && page.entry(r - 1) == 0) return page.size();
  return std::min(page.end(r), page.size());
}

// A long value's bytes handed on to a receiver as they are read: counted, not kept.
class HandedOn {
 public:
  explicit HandedOn(const LongValueReceiver& receiver) : receiver_(receiver) {}
  size_t size() const { return count_; }
  void expect(size_t length) const {
    if (receiver_.expect) receiver_.expect(length);
  }
  void append(std::span<const uint8_t> bytes) {
    count_ += bytes.size();
    receiver_.append(bytes);
  }

 private:
  const LongValueReceiver& receiver_;
  size_t count_ = 0;
};

template <typename Bytes>
constexpr bool kKept = !std::is_same_v<Bytes, HandedOn>;

// Appends up to `limit` bytes of a page from `from` to `to`.
template <typename Bytes>
void appendBytes(std::span<const uint8_t> page, int from, int to, size_t limit, Bytes& out) {
  if (from < 0 || to <= from || to > static_cast<int>(page.size())) return;
  const size_t take = std::min(static_cast<size_t>(to - from), limit);
  const auto bytes = page.subspan(static_cast<size_t>(from), take);
  if constexpr (kKept<Bytes>) {
    out.insert(out.end(), bytes.begin(), bytes.end());
  } else {
    out.append(bytes);
  }
}

// Where a value is stored outside its row: its first row, and its length.
struct StoredValue {
  int row;
  int64_t page;
  size_t length;
};

// Claims a long-value row for the value being read; a row another value reached before ends
// the value there.
bool claimRow(SourceDatabase& db, int64_t page, int row) {
  if (db.longValues().claim(page, row)) return true;
  db.longValues().noteCut();
  return false;
}

template <typename Bytes>
void readSinglePageValue(SourceDatabase& db, const StoredValue& value, Bytes& bytes) {
  const int row = value.row;
  const size_t length = value.length;
  const PageView view = row < 0 ? PageView() : db.page(value.page);
  if (!view) return;
  const RowPage rows(view.bytes(), db.format());
  const int start = longRowStart(rows, row);
  if (start < 0 || !claimRow(db, value.page, row)) return;
  appendBytes(rows.bytes(), start, longRowEnd(rows, row), length, bytes);
}

template <typename Bytes>
void readChainedValue(SourceDatabase& db, const StoredValue& value, Bytes& bytes) {
  int row = value.row;
  int64_t page = value.page;
  const size_t length = value.length;
  if constexpr (kKept<Bytes>) bytes.reserve(std::min(length, kMaxReserve));
  std::set<std::pair<int64_t, int>> visited;
  // Each link but the last fills its page, so a chain has no more links than the file pages.
  const auto maxLinks = static_cast<size_t>(db.pageCount());
  while (page > 0 && row >= 0 && bytes.size() < length && visited.size() < maxLinks &&
         visited.emplace(page, row).second) {
    const PageView view = db.page(page);
    if (!view) break;
    const RowPage rows(view.bytes(), db.format());
    const int start = longRowStart(rows, row);
    const int end = longRowEnd(rows, row);
    if (start < 0 || start + kLinkSize > end || !claimRow(db, page, row)) break;
    appendBytes(rows.bytes(), start + kLinkSize, end, length - bytes.size(), bytes);
    // A value that has shown a megabyte of its bytes is taken at its word: the room it
    // declares is made once, not grown by doubling, which would hold it twice for a moment.
    if constexpr (kKept<Bytes>) {
      if (bytes.size() >= kMaxReserve && bytes.capacity() < length) bytes.reserve(length);
    }
    row = byteOf(rows.bytes(), start);
    page = u24Of(rows.bytes(), start + 1);
  }
  // A chain that ended far short of its word gives back the room it did not fill.
  if constexpr (kKept<Bytes>) {
    if (bytes.capacity() > 2 * bytes.size() + kMaxReserve) bytes.shrink_to_fit();
  }
}

template <typename Bytes>
void readValue(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
               Bytes& bytes) {
  if (start < 0 || size < kHeaderSize || start + size > static_cast<int>(page.size())) return;
  const int64_t header = u32Of(page, start);
  if (header < 0) return;
  const auto length = static_cast<size_t>(header & kLengthMask);
  const int row = byteOf(page, start + 4);
  const int valuePage = u24Of(page, start + 5);
  if ((header & kInRow) != 0) {
    appendBytes(page, start + kHeaderSize, start + size, length, bytes);
    return;
  }
  // A stored value is never longer than the file that holds it.
  const size_t bound = std::min<uint64_t>(length, db.file().size());
  if constexpr (!kKept<Bytes>) bytes.expect(bound);
  const StoredValue value{.row = row, .page = valuePage, .length = bound};
  if ((header & kSinglePage) != 0) {
    readSinglePageValue(db, value, bytes);
  } else {
    readChainedValue(db, value, bytes);
  }
  if (bytes.size() < length) db.noteDamage(DamageKind::kUnreadableLongValue, valuePage, row);
}

}  // namespace

std::vector<uint8_t> readLongValue(SourceDatabase& db, std::span<const uint8_t> page, int start,
                                   int size) {
  std::vector<uint8_t> bytes;
  readValue(db, page, start, size, bytes);
  return bytes;
}

std::string readLongValueAsString(SourceDatabase& db, std::span<const uint8_t> page, int start,
                                  int size) {
  std::string bytes;
  readValue(db, page, start, size, bytes);
  return bytes;
}

void readLongValueInPieces(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                           const LongValueReceiver& receiver) {
  HandedOn bytes(receiver);
  readValue(db, page, start, size, bytes);
}

}  // namespace vantrel
