#pragma once

#include <optional>

#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/mdb_writer/manifest.h"
#include "tests/support/mdb_writer/page_file.h"
#include "tests/support/mdb_writer/row_page.h"
#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mdbwriter {

// Long values stored in the row when the automatic choice is made: up to this many bytes.
inline constexpr size_t kInRowLongValueLimit = 64;
// The header every memo or OLE field starts with.
inline constexpr size_t kLongValueHeaderSize = 12;

// The long-value pages of one memo or OLE column. Values are placed as they come: a value
// of one page goes into the column's current long-value page, a chain takes whole pages and
// puts its last piece into the current page.
class LongValueColumn {
 public:
  LongValueColumn(const JetFormat& format, PageFile& file);

  // The field the row holds for `data`: the 12-byte header, followed by the data itself
  // when it stays in the row.
  Bytes store(const Bytes& data, LongValueStorage storage);
  // Writes the page still being filled.
  void finish();

  const PageSet& pages() const { return pages_; }
  // The page with room left, for the free-space map; none when there is none.
  std::optional<int64_t> pageWithRoom() const;

 private:
  // Places one row in the current page (starting a new one when it is full); returns the
  // row's page-and-row pointer.
  uint32_t place(std::span<const uint8_t> row);
  void flush();

  const JetFormat& format_;
  PageFile& file_;
  RowPage current_;
  int64_t currentPage_ = -1;
  PageSet pages_;
  std::optional<int64_t> lastPageWithRoom_;
};

}  // namespace vantrel::mdbwriter
