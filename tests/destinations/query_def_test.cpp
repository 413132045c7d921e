#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "destinations/sqlite/dao_query_def.h"
#include "jetsql/jet_sql_check.h"
#include "jetsql/jet_sql_error.h"
#include "tests/destinations/destination_file.h"

namespace vantrel::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class QueryDefTest : public DestinationTest {};

TEST_F(QueryDefTest, StoresTheTextExactlyOrOnlyTheName) {
  const std::string update =
      " \r\nUPDATE [Products] SET Price = Price*1.1 \r\nWHERE Discontinued=No;";
  CDaoQueryDef query(database);
  query.Create("Raise prices", update);
  EXPECT_TRUE(query.IsOpen());
  query.Append();
  EXPECT_THROW(query.Append(), CDaoException);
  query.Close();
  EXPECT_FALSE(query.IsOpen());
  EXPECT_THROW(query.Append(), CDaoException);

  // How the query salvage falls back: the text is refused, the name is kept.
  EXPECT_THROW(query.Create("Broken", "SELECT [Orders.Id FROM Orders;"), CDaoException);
  query.Create("Broken");
  query.Append();
  query.Close();
  database.Close();
  EXPECT_EQ(rows("SELECT name, quote(sql) FROM MSysVantrelQueries ORDER BY name"),
            (Rows{{"Broken", "NULL"}, {"Raise prices", "'" + update + "'"}}));
}

TEST_F(QueryDefTest, NamesMustBeGivenAndUnique) {
  CDaoQueryDef query(database);
  EXPECT_THROW(query.Create(""), CDaoException);
  query.Create("Q", "SELECT 1;");
  query.Append();
  EXPECT_THROW(query.Create("q"), CDaoException);
  CDaoQueryDef second(database);
  second.Create("Twin");
  query.Create("Twin");
  query.Append();
  EXPECT_THROW(second.Append(), CDaoException) << "appended by the other object meanwhile";
}

TEST_F(QueryDefTest, AViewIsMadeOnlyWhenItRuns) {
  execute({"CREATE TABLE [T]([a] LONG);"});
  CDaoQueryDef query(database);
  for (const char* name : {"Good", "Broken", "Slow"}) {
    query.Create(name, "SELECT 1;");
    query.Append();
  }
  database.CreateView("Good", "SELECT \"a\" FROM \"T\"");
  // Refused by SQLite, and one that fails only once it runs: neither leaves a view.
  EXPECT_THROW(database.CreateView("Broken", "SELECT \"b\" FROM \"T\""), CDaoException);
  EXPECT_THROW(database.CreateView("Broken", "SELECT abs(-9223372036854775807 - 1)"),
               CDaoException);
  EXPECT_THROW(database.CreateView("Missing", "SELECT 1"), CDaoException) << "no such query";
  EXPECT_THROW(database.CreateView("t", "SELECT 1"), CDaoException) << "no such query";
  database.SetNoViewReason("Broken", "uses the function DLookup");
  // A view that never ends: a stop request ends its check at once, and the view is kept.
  const std::atomic<int> stop{1};
  database.watchStopRequest(&stop);
  const std::string endless =
      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c";
  const auto start = std::chrono::steady_clock::now();
  database.CreateView("Slow", endless);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  database.Close();
  EXPECT_EQ(rows("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name"),
            (Rows{{"Good"}, {"Slow"}}));
  EXPECT_EQ(rows("SELECT name, quote(sqlite_sql), quote(no_view_reason), quote(connect) FROM "
                 "MSysVantrelQueries ORDER BY rowid"),
            (Rows{{"Good", "'SELECT \"a\" FROM \"T\"'", "NULL", "NULL"},
                  {"Broken", "NULL", "'uses the function DLookup'", "NULL"},
                  {"Slow", "'" + endless + "'", "NULL", "NULL"}}));
}

TEST_F(QueryDefTest, APassThroughQueryKeepsItsConnectStringAndItsServersSql) {
  CDaoQueryDef query(database);
  EXPECT_THROW(query.SetConnect("ODBC;"), CDaoException) << "nothing created";
  query.Create("Server");
  EXPECT_THROW(query.SetSQL("EXEC sp_who"), CDaoException) << "no Jet SQL";
  query.SetConnect("ODBC;DSN=Sales");
  query.SetSQL("EXEC sp_who");
  query.Append();
  database.Close();
  EXPECT_EQ(rows("SELECT name, sql, connect FROM MSysVantrelQueries"),
            (Rows{{"Server", "EXEC sp_who", "ODBC;DSN=Sales"}}));
}

TEST(JetSqlCheckTest, RefusesUnbalancedTextAndUnknownFirstWords) {
  for (const std::string_view good :
       {"SELECT * FROM [Orders];", "(SELECT a FROM x) UNION (SELECT a FROM y);",
        "TRANSFORM Sum(Qty) AS SumOfQty  SELECT Product \r\nFROM [Sales] \r\nGROUP BY Product "
        "PIVOT Region;",
        "PARAMETERS 'Start' DateTime;  SELECT 1;", "DELETE* \r\nFROM [Orders];",
        "INSERT INTO [Log]([Msg])    VALUES ('it''s (not) [a] bracket') ;",
        "SELECT \"say \"\"hi\"\"\" FROM [odd ' name];", "create table T (A TEXT);",
        "ALTER TABLE T ADD B LONG", "DROP TABLE T"}) {
    EXPECT_NO_THROW(checkJetSqlText(good)) << good;
  }
  for (const std::string_view bad :
       {"", "  \r\n", "WITH x AS (SELECT 1) SELECT 1", "SELECTx FROM y", "SELECT [a FROM b",
        "SELECT a] FROM b", "SELECT 'open FROM b", "SELECT \"open FROM b", "SELECT (a FROM b",
        "SELECT a) FROM (b", "1 + 1"}) {
    EXPECT_THROW(checkJetSqlText(bad), JetSqlError) << bad;
  }
}

}  // namespace
}  // namespace vantrel::test
