#include "jetsql/rebuild_query.h"

#include <gtest/gtest.h>

#include "run/run_state.h"
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
  SilentRunHooks hooks;
  RunState run{hooks};
};

TEST_F(RebuildQueryTest, EachQueryGetsItsOwnRowsAndAPassThroughItsConnectString) {
  TableFixture t = queryCatalog(kCatalog);
  auto db = t.open(&run);
  const auto totals = rebuildQuery(*db, 7, "Totals");
  ASSERT_TRUE(totals);
  EXPECT_EQ(totals->name, "Totals");
  EXPECT_EQ(totals->jetSql,
            "SELECT Orders.Id, Sum(Amount) AS [Total] \r\nFROM [Orders] \r\nWHERE Orders.Id>5;");
  EXPECT_FALSE(totals->connect);
  EXPECT_FALSE(totals->stopped);
  // A text the engine would refuse is rebuilt as it stands: refusing is the destination's.
  EXPECT_EQ(rebuildQuery(*db, 9, "Refused")->jetSql, "SELECT Sum((Amount) \r\nFROM [Broken];");
  // A pass-through query keeps its server's SQL, which is no Jet SQL, and its connect string.
  const auto server = rebuildQuery(*db, 11, "Server");
  EXPECT_EQ(server->jetSql, "EXEC sp_who;");
  EXPECT_EQ(server->connect, "ODBC;DSN=Sales");
  // The rebuilding reads the file again each time and leaves it open for the next.
  EXPECT_TRUE(db->file().isOpen());
}

TEST_F(RebuildQueryTest, AStopEndsTheReadingAndTheQueryIsBuiltFromTheRowsRead) {
  TableFixture t = queryCatalog(kCatalog);
  run.runPhase = RunPhase::kSaving;
  auto db = t.open(&run);
  run.requestStop();
  const auto stopped = rebuildQuery(*db, 7, "Stopped");
  ASSERT_TRUE(stopped);
  EXPECT_TRUE(stopped->stopped);
  EXPECT_EQ(stopped->jetSql, ";");  // the stop is noticed at the first row
}

TEST_F(RebuildQueryTest, AnUnreadableQueryCatalogIsAFailureWithItsReason) {
  TableFixture t = queryCatalog(kCatalog);
  t.tdefPage = 6;  // page 4 holds nothing
  auto db = t.open(&run);
  const auto query = rebuildQuery(*db, 7, "Totals");
  ASSERT_FALSE(query);
  EXPECT_EQ(query.error(), RebuildFailure::kCatalogUnreadable);
}

}  // namespace
}  // namespace vantrel
