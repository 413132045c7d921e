#include "queries/rebuild_query.h"

#include <gtest/gtest.h>

#include "destinations/sqlite/dao_database.h"
#include "run/result_codes.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::RowImage;
using test::TableFixture;
using test::TdefColumn;

struct CatalogRowSpec {
  int32_t objectId;
  int attribute;
  std::string expression;
  int flag = 0;
  std::string name1;
  std::string name2;
};

// A Jet 4 query catalog on page 4, its column entries in alphabetical order.
TableFixture queryCatalog(const std::vector<CatalogRowSpec>& rows) {
  TableFixture t(
      1,
      {
          {.name = "Attribute", .type = 2, .size = 1, .fixed = true, .number = 1, .fixedOffset = 4},
          {.name = "Expression", .type = 12, .size = 0, .fixed = false, .number = 5, .varIndex = 3},
          {.name = "Flag", .type = 3, .size = 2, .fixed = true, .number = 6, .fixedOffset = 5},
          {.name = "LvExtra", .type = 4, .size = 4, .fixed = true, .number = 7, .fixedOffset = 7},
          {.name = "Name1", .type = 10, .size = 510, .fixed = false, .number = 3, .varIndex = 1},
          {.name = "Name2", .type = 10, .size = 510, .fixed = false, .number = 4, .varIndex = 2},
          {.name = "ObjectId", .type = 4, .size = 4, .fixed = true, .number = 0, .fixedOffset = 0},
          {.name = "Order", .type = 9, .size = 510, .fixed = false, .number = 2, .varIndex = 0},
      });
  t.tdefPage = 4;
  t.spec.rowCount = static_cast<int64_t>(rows.size());
  auto text = [](const std::string& s) {
    return test::utf16Le(std::u16string(s.begin(), s.end()));
  };
  std::vector<test::RowSpec> specs;
  for (const CatalogRowSpec& row : rows) {
    RowImage image{.columnCount = 8};
    image.fixedArea = test::le32(static_cast<uint32_t>(row.objectId));
    image.fixedArea.push_back(static_cast<uint8_t>(row.attribute));
    image.fixedArea.push_back(static_cast<uint8_t>(row.flag));
    image.fixedArea.push_back(static_cast<uint8_t>(row.flag >> 8));
    image.fixedArea.insert(image.fixedArea.end(), 4, 0);
    // A memo held in the row: a 12-byte header, then the text.
    std::vector<uint8_t> memo =
        test::le32(0x80000000u | static_cast<uint32_t>(2 * row.expression.size()));
    memo.resize(12, 0);
    const auto expression = text(row.expression);
    memo.insert(memo.end(), expression.begin(), expression.end());
    image.variableFields = {{0x01},
                            text(row.name1),
                            text(row.name2),
                            row.expression.empty() ? std::vector<uint8_t>{} : memo};
    image.presentColumns = {0, 1, 2, 6};
    if (!row.name1.empty()) image.presentColumns.push_back(3);
    if (!row.name2.empty()) image.presentColumns.push_back(4);
    if (!row.expression.empty()) image.presentColumns.push_back(5);
    specs.push_back({t.row(image)});
  }
  t.setUsageMap(test::inlineUsageMap(8, {8}));
  t.addDataPage(8, specs);
  return t;
}

const std::vector<CatalogRowSpec> kCatalog{
    {7, 1, "", 1},
    {7, 5, "", 0, "Orders"},
    {7, 6, "Orders.Id"},
    {7, 6, "Sum(Amount)", 0, "Total"},
    {7, 8, "Orders.Id>5"},
    {9, 1, "", 1},
    {9, 5, "", 0, "Broken"},
    {9, 6, "Sum((Amount)"},
    {11, 1, "EXEC sp_who", 8, "ODBC;DSN=Sales"},
};

class RebuildQueryTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  SilentRunHooks hooks;
  RunState run{hooks};
  CatalogSummary summary;
};

TEST_F(RebuildQueryTest, PreviewWrapsTheTextAndClosesTheDatabase) {
  TableFixture t = queryCatalog(kCatalog);
  run.previewLoading = PreviewLoading::kLoading;
  auto db = t.open(&run);
  SalvageContext context{run, summary, nullptr, nullptr};
  EXPECT_EQ(rebuildQuery(*db, 5, 7, "Totals", context), RunResult::kDone);
  EXPECT_EQ(
      context.sqlText,
      "SELECT Orders.Id, Sum(Amount) AS [Total] \r\nFROM [Orders] \r\nWHERE Orders.Id>5;\r\n\r\n");
  EXPECT_FALSE(db->file().isOpen());
}

TEST_F(RebuildQueryTest, SavingCreatesTheQueryOrItsNameAlone) {
  TableFixture t = queryCatalog(kCatalog);
  run.savingMode = SavingMode::kSaving;
  auto db = t.open(&run);
  CDaoDatabase destination;
  destination.Create(dir / "out.sqlite");
  SalvageContext context{run, summary, nullptr, &destination};
  EXPECT_EQ(rebuildQuery(*db, 5, 7, "Totals", context), RunResult::kDone);
  EXPECT_EQ(rebuildQuery(*db, 5, 9, "Refused", context), RunResult::kDone);
  EXPECT_EQ(context.sqlText, "SELECT Sum((Amount) \r\nFROM [Broken];");
  // A pass-through query keeps its connect string, and its server's SQL, which is no Jet SQL.
  EXPECT_EQ(rebuildQuery(*db, 5, 11, "Server", context), RunResult::kDone);
  EXPECT_EQ(context.queryConnect, "ODBC;DSN=Sales");
  // The stop is noticed at the first row; the query is still created from what was read.
  run.runPhase = RunPhase::kSaving;
  run.requestStop();
  EXPECT_EQ(rebuildQuery(*db, 5, 7, "Stopped", context), RunResult::kStopped);
  destination.Close();
  test::SqliteFile saved(dir / "out.sqlite");
  EXPECT_EQ(
      saved.query("SELECT name, sql, connect FROM MSysVantrelQueries ORDER BY name"),
      (std::vector<std::vector<std::string>>{
          {"Refused", "", ""},
          {"Server", "EXEC sp_who;", "ODBC;DSN=Sales"},
          {"Stopped", "", ""},  // ";" alone is no statement
          {"Totals",
           "SELECT Orders.Id, Sum(Amount) AS [Total] \r\nFROM [Orders] \r\nWHERE Orders.Id>5;",
           ""}}));
}

TEST_F(RebuildQueryTest, UnreadableQueryCatalogGivesNothing) {
  TableFixture t = queryCatalog(kCatalog);
  t.tdefPage = 6;  // page 4 holds nothing
  auto db = t.open(&run);
  SalvageContext context{run, summary, nullptr, nullptr};
  EXPECT_EQ(rebuildQuery(*db, 5, 7, "Totals", context), RunResult::kNothing);
  EXPECT_TRUE(context.sqlText.empty());
}

}  // namespace
}  // namespace vantrel
