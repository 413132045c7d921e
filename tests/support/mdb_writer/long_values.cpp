#include "tests/support/mdb_writer/long_values.h"

#include "tests/support/mdb_writer/byte_order.h"

#include <stdexcept>

namespace vantrel::mdbwriter {

namespace {

// Flag bits in the top byte of the header's length word.
constexpr uint32_t kInRowFlag = 0x80000000;
constexpr uint32_t kSinglePageFlag = 0x40000000;
constexpr size_t kMaxLength = 0x3FFFFFFF;

// Jet 4 long-value pages keep 4 bytes free behind their offset table, as Access does.
int reserveOf(const JetFormat& format) {
  return format.isJet4() ? 4 : 0;
}

Bytes header(uint32_t lengthWord, uint32_t pointer) {
  Bytes field;
  field.reserve(kLongValueHeaderSize);
  appendLe(field, lengthWord, 4);
  appendLe(field, pointer, 4);
  appendLe(field, 0, 4);
  return field;
}

}  // namespace

LongValueColumn::LongValueColumn(const JetFormat& format, PageFile& file)
    : format_(format), file_(file), current_(format, kLongValueOwner, reserveOf(format)) {}

uint32_t LongValueColumn::place(std::span<const uint8_t> row) {
  if (currentPage_ >= 0 && !current_.fits(row.size())) flush();
  if (currentPage_ < 0) {
    currentPage_ = file_.allocate();
    pages_.add(currentPage_);
  }
  const int rowNumber = current_.add(row);
  return pageRow(currentPage_, rowNumber);
}

void LongValueColumn::flush() {
  if (currentPage_ < 0) return;
  if (current_.freeSpace() > 64) lastPageWithRoom_ = currentPage_;
  file_.write(currentPage_, current_.image().bytes());
  current_.clear();
  currentPage_ = -1;
}

void LongValueColumn::finish() {
  flush();
}

std::optional<int64_t> LongValueColumn::pageWithRoom() const {
  return lastPageWithRoom_;
}

Bytes LongValueColumn::store(const Bytes& data, LongValueStorage storage) {
  if (data.size() > kMaxLength) throw std::invalid_argument("long value too long");
  const auto length = static_cast<uint32_t>(data.size());
  const size_t pageRowSize = static_cast<size_t>(format_.longValueChunkRowSize);
  if (storage == LongValueStorage::kAutomatic) {
    storage = data.size() <= kInRowLongValueLimit ? LongValueStorage::kInRow
              : data.size() <= pageRowSize        ? LongValueStorage::kSinglePage
                                                  : LongValueStorage::kChain;
  }
  switch (storage) {
    case LongValueStorage::kInRow: {
      Bytes field = header(kInRowFlag | length, 0);
      field.insert(field.end(), data.begin(), data.end());
      return field;
    }
    case LongValueStorage::kSinglePage: {
      if (data.size() > pageRowSize) {
        throw std::invalid_argument("long value of " + std::to_string(data.size()) +
                                    " bytes does not fit one long-value page");
      }
      return header(kSinglePageFlag | length, place(data));
    }
    default:
      break;
  }
  // A chain: each piece starts with the pointer to the next one. Whole pieces take pages of
  // their own; the last piece is placed first, so that the pointers are known.
  const size_t chunk = pageRowSize - 4;
  const size_t wholePieces = data.empty() ? 0 : (data.size() - 1) / chunk;
  const size_t lastStart = wholePieces * chunk;
  Bytes piece(4, 0);
  piece.insert(piece.end(), data.begin() + static_cast<std::ptrdiff_t>(lastStart), data.end());
  uint32_t next = place(piece);
  std::vector<int64_t> wholePages(wholePieces);
  for (int64_t& page : wholePages) {
    page = file_.allocate();
    pages_.add(page);
  }
  for (size_t k = wholePieces; k-- > 0;) {
    RowPage page(format_, kLongValueOwner, reserveOf(format_));
    Bytes row;
    appendLe(row, next, 4);
    row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(k * chunk),
               data.begin() + static_cast<std::ptrdiff_t>((k + 1) * chunk));
    page.add(row);
    file_.write(wholePages[k], page.image().bytes());
    next = pageRow(wholePages[k], 0);
  }
  return header(length, next);
}

}  // namespace vantrel::mdbwriter
