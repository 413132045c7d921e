#include "tests/support/mdb_writer/row_page.h"

#include <algorithm>
#include <stdexcept>

namespace vantrel::mdbwriter {

RowPage::RowPage(const JetFormat& format, uint32_t owner, int reserve)
    : format_(format),
      owner_(owner),
      reserve_(reserve),
      image_(format.pageSize),
      lowestRow_(format.pageSize) {}

int RowPage::freeSpace() const {
  return lowestRow_ - (format_.rowsStart() + 2 * rowCount_) - reserve_;
}

int RowPage::capacity() const {
  return format_.pageSize - format_.rowsStart() - 2 - reserve_;
}

bool RowPage::fits(size_t rowSize) const {
  return rowCount_ < kMaxRowsPerPage && static_cast<int64_t>(rowSize) + 2 <= freeSpace();
}

int RowPage::add(std::span<const uint8_t> row, bool deleted) {
  return addFlagged(row, deleted ? 0x4000u : 0u);
}

int RowPage::addFlagged(std::span<const uint8_t> row, uint32_t flags) {
  if (!fits(row.size())) throw std::logic_error("row does not fit its page");
  lowestRow_ -= static_cast<int>(row.size());
  image_.putBytes(lowestRow_, row);
  const uint32_t entry = static_cast<uint32_t>(lowestRow_) | flags;
  image_.put16(format_.rowsStart() + 2 * rowCount_, entry);
  return rowCount_++;
}

const test::PageImage& RowPage::image() {
  image_.put8(0, kDataPage).put8(1, 1);
  image_.put16(2, static_cast<uint32_t>(std::max(0, freeSpace())));
  image_.put32(4, owner_);
  image_.put16(format_.rowCountOffset, static_cast<uint32_t>(rowCount_));
  return image_;
}

void RowPage::clear() {
  image_.fill(0);
  rowCount_ = 0;
  lowestRow_ = format_.pageSize;
}

}  // namespace vantrel::mdbwriter
