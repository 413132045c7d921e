// Salvage beyond the usual structures: rows found by their pages' owner when a usage map is
// lost, tables found by their definition page when their catalog row is lost, and the
// declared row count when rows are missing.

#include <gtest/gtest.h>

#include <fstream>

#include "app/activity_log.h"
#include "app/analysis_handler.h"
#include "app/saving_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "reader/catalog_rows.h"
#include "reader/catalog_walk.h"
#include "reader/row_reader.h"
#include "run/walk_end.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

namespace mw = mdbwriter;

mw::TableSpec numberedTable(const std::string& name, int rows) {
  mw::TableSpec table;
  table.name = name;
  table.columns = {{.name = "Id", .type = mw::ColumnType::kLong},
                   {.name = "Label", .type = mw::ColumnType::kText, .size = 200}};
  std::vector<mw::Row> values;
  for (int i = 1; i <= rows; ++i) {
    values.push_back({{int64_t{i}, std::string(150, static_cast<char>('a' + i % 26))}});
  }
  table.rows = mw::rowsOf(std::move(values));
  return table;
}

class SalvageAdditionsTest : public ::testing::TestWithParam<int> {
 protected:
  mw::Manifest write() {
    mw::DatabaseSpec spec;
    spec.version = GetParam() == 1 ? mw::JetVersion::kJet4 : mw::JetVersion::kJet3;
    spec.tables.push_back(numberedTable("Kept", 120));
    spec.tables.push_back(numberedTable("Lost", 50));
    return mw::writeDatabase(path, std::move(spec));
  }

  void zeroPage(int64_t page, int pageSize) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(page * pageSize);
    const std::string zeros(static_cast<size_t>(pageSize), '\0');
    file.write(zeros.data(), pageSize);
  }

  void writeU16(int64_t offset, uint16_t value) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    file.write(bytes, 2);
  }

  // Runs the catalog walk and returns the tables it found with their record counts.
  std::map<std::string, int64_t> analyse() {
    SilentRunHooks hooks;
    RunState run(hooks);
    CatalogSummary summary;
    AnalysisHandler handler(summary);
    auto db = openSourceDatabase(path, &run);
    EXPECT_EQ(walkCatalog(*db, handler), WalkEnd::kFinished);
    std::map<std::string, int64_t> found;
    for (const auto& table : summary.tables)
      found[table.name] = table.recordCount;
    return found;
  }

  test::TempDir dir;
  std::filesystem::path path = dir / "db.mdb";
};

TEST_P(SalvageAdditionsTest, TableWhoseUsageMapIsClearedComesBackWhole) {
  const auto manifest = write();
  ASSERT_GT(manifest.table("Kept").dataPages.count(), 1);
  for (int64_t page : manifest.table("Kept").mapPages)
    zeroPage(page, manifest.pageSize);
  const auto found = analyse();
  EXPECT_EQ(found.at("Kept"), 120);
}

TEST_P(SalvageAdditionsTest, TableWhoseCatalogRowIsGoneComesBackUnderItsPage) {
  const auto manifest = write();
  // Mark the table's catalog row deleted: the walk no longer sees it.
  {
    SilentRunHooks hooks;
    RunState run(hooks);
    auto db = openSourceDatabase(path, &run);
    auto catalog =
        readTableDefinition(*db, {.name = "", .objectType = 0, .tdefPage = kCatalogTdefPage});
    ASSERT_TRUE(catalog);
    readColumns(*db, *catalog);
    RowCursor cursor;
    bool marked = false;
    while (!marked && fetchRow(*db, *catalog, cursor) == RowFetch::kRow) {
      if (parseCatalogRow(cursor, *db).name != "Lost") continue;
      const int64_t entry = db->format().rowCountOffset + 2 + 2 * (cursor.currentRow - 1);
      writeU16(cursor.currentDataPage * manifest.pageSize + entry,
               static_cast<uint16_t>(u16Of(cursor.dataPage.bytes(), entry) | 0x4000));
      marked = true;
    }
    ASSERT_TRUE(marked);
  }
  const auto found = analyse();
  EXPECT_FALSE(found.count("Lost"));
  const std::string recovered =
      "Recovered_Table_" + std::to_string(manifest.table("Lost").definitionPage());
  ASSERT_TRUE(found.count(recovered));
  EXPECT_EQ(found.at(recovered), 50);
  EXPECT_EQ(found.at("Kept"), 120);
}

TEST_P(SalvageAdditionsTest, MissingRowsAreSaidWhenSaving) {
  const auto manifest = write();
  const auto& pages = manifest.table("Kept").dataPages;
  zeroPage(pages.first(), manifest.pageSize);

  class Lines : public SilentRunHooks {
   public:
    void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
  } hooks;
  RunState run(hooks);
  ActivityLog log(dir / "log.txt");
  CDaoDatabase destination;
  destination.Create(dir / "out.sqlite");
  SalvageContext context{run, &log, &destination};
  SavingHandler handler(context);
  EXPECT_EQ(walkFile(path, handler, run), WalkEnd::kFinished);
  const auto at =
      std::find(hooks.lines.begin(), hooks.lines.end(), "Repairing Table :                   Kept");
  ASSERT_NE(at, hooks.lines.end());
  ASSERT_LT(at + 4, hooks.lines.end());
  EXPECT_NE(at[2], "Total Records Recovered :   120");
  EXPECT_EQ(at[3], "Total Records Declared :    120");
  EXPECT_EQ(at[4], "");
}

INSTANTIATE_TEST_SUITE_P(BothVersions, SalvageAdditionsTest, ::testing::Values(0, 1));

}  // namespace
}  // namespace vantrel
