#pragma once

#include <cstdint>
#include <span>

#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/page_image.h"

namespace vantrel::mdbwriter {

// The owner field of a long-value page: the letters LVAL.
inline constexpr uint32_t kLongValueOwner = 0x4C41564C;

// One page that holds rows (data, long-value and usage-map pages), filled row by row from
// the end of the page downwards.
class RowPage {
 public:
  // `reserve`: bytes kept free behind the offset table (Access keeps 4 on Jet 4 long-value
  // pages).
  RowPage(const JetFormat& format, uint32_t owner, int reserve = 0);

  bool fits(size_t rowSize) const;
  // Adds a row and returns its number; the caller checks fits() first.
  int add(std::span<const uint8_t> row, bool deleted = false);
  // Adds a row whose offset entry carries `flags` (0x4000, 0x8000 or both).
  int addFlagged(std::span<const uint8_t> row, uint32_t flags);
  int rowCount() const { return rowCount_; }
  bool empty() const { return rowCount_ == 0; }
  int freeSpace() const;
  // The page as it stands, with its header filled in.
  const test::PageImage& image();
  // Largest row an empty page takes.
  int capacity() const;
  void clear();

 private:
  const JetFormat& format_;
  uint32_t owner_;
  int reserve_;
  test::PageImage image_;
  int rowCount_ = 0;
  int lowestRow_;  // where the last row added starts
};

}  // namespace vantrel::mdbwriter
