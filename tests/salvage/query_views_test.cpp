// Rebuilt queries saved in a destination, and made views once its tables are saved.

#include "salvage/query_views.h"

#include <gtest/gtest.h>

#include "destinations/sqlite/dao_database.h"
#include "destinations/sqlite/dao_query_def.h"
#include "destinations/sqlite/dao_recordset.h"
#include "salvage/query_salvage.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

class LineHooks : public SilentRunHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

TEST(QueryViewsTest, QueriesReadByOthersComeFirstAndEveryOtherGetsItsReason) {
  test::TempDir dir;
  CDaoDatabase destination;
  destination.Create(dir / "out.sqlite");
  destination.Execute("CREATE TABLE [Sales]([Region] TEXT(10), [Qty] LONG);");
  // Appended in an order where each reader comes before what it reads.
  const std::vector<std::pair<std::string, std::string>> queries{
      {"Big East", "SELECT [East Sales].Qty FROM [East Sales] WHERE Qty > 5;"},
      {"East Sales", "SELECT Sales.* FROM Sales WHERE Region = \"east\";"},
      {"Ask", "PARAMETERS Least Long;  SELECT Qty FROM Sales WHERE Qty >= Least;"},
      {"Reads Ask", "SELECT Qty FROM Ask;"},
      {"Loop A", "SELECT x FROM [Loop B];"},
      {"Loop B", "SELECT x FROM [Loop A];"},
      {"Lost Table", "SELECT Qty FROM Gone;"},
      {"Lost Column", "SELECT Colour FROM Sales;"},
      {"By Region", "TRANSFORM Sum(Qty) AS S  SELECT 1 AS One \r\nFROM [Sales] PIVOT Region;"},
  };
  for (const auto& [name, sql] : queries) {
    CDaoQueryDef query(destination);
    query.Create(name, sql);
    query.Append();
  }
  CDaoQueryDef server(destination);
  server.Create("Server");
  server.SetConnect("ODBC;");
  server.SetSQL("SELECT 1;");
  server.Append();
  CDaoQueryDef nameOnly(destination);
  nameOnly.Create("Name Only");
  nameOnly.Append();
  CDaoRecordset sales(destination);
  sales.Open("SELECT * FROM [Sales]");
  for (const auto& [region, qty] : std::vector<std::pair<std::string, std::string>>{
           {"East", "7"}, {"West", "2"}, {"east", "4"}, {"", "1"}}) {
    sales.AddNew();
    sales.SetFieldValue("Region", region);
    sales.SetFieldValue("Qty", qty);
    sales.Update();
  }
  sales.Close();

  LineHooks hooks;
  RunState run(hooks);
  SalvageContext context{run, nullptr, &destination};
  const QueryViewCount count = createQueryViews(context, ViewDialect::SQLite);
  EXPECT_EQ(count.made, 3);
  EXPECT_EQ(count.queries, 11);
  EXPECT_EQ(hooks.lines, (std::vector<std::string>{"Queries Saved As Views :   3 of 11"}));
  destination.Close();

  test::SqliteFile saved(dir / "out.sqlite");
  EXPECT_EQ(saved.query("SELECT name, no_view_reason FROM MSysVantrelQueries WHERE sqlite_sql "
                        "IS NULL ORDER BY rowid"),
            (std::vector<std::vector<std::string>>{
                {"Ask", "parameter query"},
                {"Reads Ask", "reads the query Ask, which has no view"},
                {"Loop A", "reads the query Loop B, which has no view"},
                {"Loop B", "reads itself through Loop A"},
                {"Lost Table", "SQLite: no such table: main.Gone"},
                {"Lost Column", "SQLite: no such column: Colour"},
                {"Server", "pass-through query"},
                {"Name Only", "saved without SQL text"}}));
  // Jet compares text without regard to case; the crosstab has a column per region found,
  // the empty region (no value) as "<>".
  EXPECT_EQ(saved.query("SELECT * FROM \"Big East\""),
            (std::vector<std::vector<std::string>>{{"7"}}));
  EXPECT_EQ(saved.query("SELECT * FROM \"East Sales\" ORDER BY Qty"),
            (std::vector<std::vector<std::string>>{{"east", "4"}, {"East", "7"}}));
  EXPECT_EQ(saved.query("SELECT group_concat(name, ',') FROM pragma_table_info('By Region')"),
            (std::vector<std::vector<std::string>>{{"One,<>,East,West"}}));
}

TEST(QuerySalvageTest, ARefusedOrUnfinishedTextLeavesTheNameAndALossThatSaysWhy) {
  test::TempDir dir;
  LineHooks hooks;
  RunState run(hooks);
  CDaoDatabase destination;
  destination.Create(dir / "out.sqlite");
  SalvageContext context{run, nullptr, &destination};
  saveRebuiltQuery({.name = "Totals", .jetSql = "SELECT Id FROM [Orders];"}, context);
  saveRebuiltQuery({.name = "Refused", .jetSql = "SELECT Sum((Amount) \r\nFROM [Broken];"},
                   context);
  saveRebuiltQuery({.name = "Server", .jetSql = "EXEC sp_who;", .connect = "ODBC;DSN=Sales"},
                   context);
  // A stop part-way leaves a text without the rows not reached (here its criteria): a delete
  // query would delete every row. Only the name is kept.
  saveRebuiltQuery(
      {.name = "Stopped", .jetSql = "DELETE Orders.* \r\nFROM [Orders];", .stopped = true},
      context);
  destination.Close();

  test::SqliteFile saved(dir / "out.sqlite");
  EXPECT_EQ(saved.query("SELECT name, sql, connect FROM MSysVantrelQueries ORDER BY name"),
            (std::vector<std::vector<std::string>>{{"Refused", "", ""},
                                                   {"Server", "EXEC sp_who;", "ODBC;DSN=Sales"},
                                                   {"Stopped", "", ""},
                                                   {"Totals", "SELECT Id FROM [Orders];", ""}}));
  ASSERT_EQ(context.tally.objects.size(), 2u);
  for (const ObjectLoss& loss : context.tally.objects) {
    EXPECT_EQ(loss.kind, ObjectLoss::Kind::kQuery);
    EXPECT_FALSE(loss.missing) << loss.name;  // its name is there
    EXPECT_FALSE(loss.reason.empty()) << loss.name;
  }
  EXPECT_EQ(context.tally.objects[0].name, "Refused");
  EXPECT_EQ(objectLossText(context.tally.objects[1]),
            "query [Stopped]: saved without its SQL (the run was stopped before its definition "
            "was read)");
  ASSERT_EQ(hooks.lines.size(), 2u);
  EXPECT_EQ(hooks.lines[0], "Not saved: " + objectLossText(context.tally.objects[0]));
}

}  // namespace
}  // namespace vantrel
