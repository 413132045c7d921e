#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "tests/support/mdb_writer/long_values.h"
#include "tests/support/mdb_writer/manifest.h"
#include "tests/support/mdb_writer/page_file.h"
#include "tests/support/mdb_writer/row_page.h"
#include "tests/support/mdb_writer/table_layout.h"
#include "tests/support/mdb_writer/value_encoding.h"

namespace vantrel::mdbwriter {

// Streams the rows of one table onto data pages (and its long values onto long-value
// pages), writing each page as soon as it is full.
class TableWriter {
 public:
  TableWriter(const JetFormat& format, PageFile& file, int codePage, const TableSpec& table,
              const TableLayout& layout, int64_t definitionPage);

  // Throws std::invalid_argument for a row that does not suit the table.
  void add(const Row& row);
  void finish();

  int64_t rowCount() const { return rowCount_; }
  int64_t deletedRowCount() const { return deletedRowCount_; }
  int64_t autoNumberNext() const { return autoNumberNext_; }
  const PageSet& dataPages() const { return dataPages_; }
  std::optional<int64_t> pageWithRoom() const { return pageWithRoom_; }
  // The long-value pages of column i of the table; none for other types.
  const LongValueColumn* longValueColumn(size_t i) const { return longValues_[i].get(); }

  // The bytes of one row as it is stored.
  Bytes encodeRow(const Row& row);

 private:
  Bytes assembleJet4(const Bytes& fixedArea, const std::vector<Bytes>& variable,
                     const Bytes& nullMask) const;
  Bytes assembleJet3(const Bytes& fixedArea, const std::vector<Bytes>& variable,
                     const Bytes& nullMask) const;
  void flush();
  void startPage();

  // The pointer slot of a moved row, waiting for the next data page.
  struct PendingPointer {
    int64_t page = 0;
    int row = 0;
    bool deleted = false;
  };
  std::vector<PendingPointer> pendingPointers_;

  const JetFormat& format_;
  PageFile& file_;
  const TableSpec& table_;
  const TableLayout& layout_;
  ValueEncoder encoder_;
  std::vector<std::unique_ptr<LongValueColumn>> longValues_;
  RowPage current_;
  int64_t currentPage_ = -1;
  PageSet dataPages_;
  std::optional<int64_t> pageWithRoom_;
  int64_t rowCount_ = 0;
  int64_t deletedRowCount_ = 0;
  int64_t autoNumberNext_ = 0;
};

}  // namespace vantrel::mdbwriter
