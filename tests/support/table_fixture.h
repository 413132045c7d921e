#pragma once

// A database of one table built byte by byte: the usage map is row 0 of page 1, the table's
// definition is on page 3, and its data pages are whatever the test writes.

#include <memory>
#include <string>
#include <vector>

#include "display/value_text.h"
#include "reader/row_reader.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "run/walk_end.h"
#include "tests/support/page_image.h"
#include "tests/support/row_image.h"
#include "tests/support/temp_dir.h"

namespace vantrel::test {

inline constexpr int kFixtureMapPage = 1;
inline constexpr int kFixtureTdefPage = 3;

class TableFixture {
 public:
  TableFixture(int version, std::vector<TdefColumn> columns, int pages = 16)
      : file(version, pages) {
    spec.rowCount = 1;
    spec.columns = std::move(columns);
    spec.usageMapPage = kFixtureMapPage;
    spec.freeMapPage = kFixtureMapPage;
  }

  void setUsageMap(const std::vector<uint8_t>& map) {
    writeRowPage(file.page(kFixtureMapPage), file.layout(), 0, {{map}}, 1);
  }

  // A data page of this table holding the given rows.
  void addDataPage(int page, const std::vector<RowSpec>& rows, int64_t owner = -1) {
    writeRowPage(file.page(page), file.layout(), owner < 0 ? tdefPage : owner, rows);
  }

  std::vector<uint8_t> row(const RowImage& image) const {
    return encodeRow(file.formatVersion(), image);
  }

  std::unique_ptr<SourceDatabase> open(RunState* run = nullptr) {
    writeTableDefinition(file, tdefPage, continuationPages, spec);
    const auto path = dir / ("db" + std::to_string(files++) + ".mdb");
    file.write(path);
    return openSourceDatabase(path, run);
  }

  // Every row's texts, in walk order.
  static std::vector<std::vector<std::string>> readAll(SourceDatabase& db,
                                                       int64_t tdefPage = kFixtureTdefPage) {
    std::vector<std::vector<std::string>> rows;
    auto table = readTableDefinition(db, {.name = "T", .objectType = 1, .tdefPage = tdefPage});
    if (!table) return rows;
    readColumns(db, *table);
    RowCursor cursor;
    while (fetchRow(db, *table, cursor) == RowFetch::kRow) {
      std::vector<std::string> texts;
      for (size_t i = 0; i < table->columns.size(); ++i)
        texts.push_back(fieldText(table->columns[i], cursor.fields[i]));
      rows.push_back(std::move(texts));
    }
    return rows;
  }

  FileImage file;
  TdefSpec spec;
  int tdefPage = kFixtureTdefPage;
  std::vector<int> continuationPages{13, 14, 15};  // used when the definition needs them

 private:
  TempDir dir;
  int files = 0;
};

inline std::vector<uint8_t> le32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

inline std::vector<uint8_t> bytesOf(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace vantrel::test
