#include <gtest/gtest.h>

#include <fstream>

#include "destinations/sqlite/dao_database.h"
#include "jetsql/jet_ddl_text.h"
#include "tests/destinations/destination_file.h"
#include "tests/support/corpus.h"

namespace vantrel::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class JetDdlTest : public DestinationTest {};

TEST_F(JetDdlTest, OrdersExampleGivesKeyColumnsAndIndex) {
  execute({"CREATE TABLE [Orders]([ID] LONG);", "ALTER TABLE [Orders] ADD PRIMARY KEY ([ID]);",
           "ALTER TABLE [Orders] ADD [Name] TEXT(50);",
           "ALTER TABLE [Orders] ADD [Total] CURRENCY;",
           "CREATE INDEX MyIndex2 ON [Orders]([Total])"});
  database.Close();
  EXPECT_EQ(rows("SELECT name, type, pk FROM pragma_table_info('Orders')"),
            (Rows{{"ID", "LONG", "1"}, {"Name", "TEXT(50)", "0"}, {"Total", "CURRENCY", "0"}}));
  EXPECT_EQ(rows("SELECT il.name, ii.name FROM pragma_index_list('Orders') il,"
                 " pragma_index_info(il.name) ii WHERE il.origin = 'c'"),
            (Rows{{"Orders.MyIndex2", "Total"}}));
  EXPECT_EQ(rows("SELECT table_name, index_name, sqlite_name FROM MSysVantrelIndexes"
                 " ORDER BY primary_key"),
            (Rows{{"Orders", "MyIndex2", "Orders.MyIndex2"}, {"Orders", "PrimaryKey", "NULL"}}));
}

TEST_F(JetDdlTest, EveryTypeWithItsDeclaredNameAndAffinity) {
  execute({"CREATE TABLE [All]([a] BIT);", "ALTER TABLE [All] ADD [b] BYTE;",
           "ALTER TABLE [All] ADD [c] INT;", "ALTER TABLE [All] ADD [d] LONG;",
           "ALTER TABLE [All] ADD [e] CURRENCY;", "ALTER TABLE [All] ADD [f] SINGLE;",
           "ALTER TABLE [All] ADD [g] DOUBLE;", "ALTER TABLE [All] ADD [h] DATE;",
           "alter table [All] add [i] text(255);", "ALTER TABLE [All] ADD [j] OLEOBJECT;",
           "ALTER TABLE [All] ADD [k] MEMO;", "ALTER TABLE [All] ADD [l] GUID;",
           "ALTER TABLE [All] ADD [m] BINARY(16);", "ALTER TABLE [All] ADD [n] TEXT"});
  database.Close();
  EXPECT_EQ(rows("SELECT group_concat(type, ' ') FROM pragma_table_info('All')")[0][0],
            "BIT BYTE INT LONG CURRENCY SINGLE DOUBLE TIMESTAMP TEXT(255) OLEOBJECT LONGTEXT GUID "
            "BINARY(16) TEXT");
}

TEST_F(JetDdlTest, NamesInBracketsAreTakenAsTheyStand) {
  execute({"CREATE TABLE [ Odd \"name\" 'x' ]([ lead blank] LONG);",
           "ALTER TABLE [ Odd \"name\" 'x' ] ADD [a;b(c)] TEXT(10);",
           "CREATE INDEX [idx x] ON [ Odd \"name\" 'x' ]([a;b(c)])"});
  database.Close();
  EXPECT_EQ(rows("SELECT name FROM pragma_table_info(' Odd \"name\" ''x'' ')"),
            (Rows{{" lead blank"}, {"a;b(c)"}}));
}

TEST_F(JetDdlTest, DuplicateNamesFailButIndexNamesBelongToTheirTable) {
  execute({"CREATE TABLE [A]([RepairedField] LONG);", "CREATE TABLE [B]([X] LONG);",
           "CREATE INDEX MyIndex2 ON [A]([RepairedField])", "CREATE INDEX MyIndex2 ON [B]([X])"});
  EXPECT_THROW(database.Execute("ALTER TABLE [A] ADD [RepairedField] TEXT(10);"), CDaoException);
  EXPECT_THROW(database.Execute("ALTER TABLE [A] ADD [repairedfield] MEMO;"), CDaoException);
  EXPECT_THROW(database.Execute("CREATE TABLE [a]([Y] LONG);"), CDaoException);
  EXPECT_THROW(database.Execute("CREATE INDEX myindex2 ON [A]([RepairedField])"), CDaoException);
  EXPECT_THROW(database.Execute("CREATE TABLE [C]([Y] LONG, [y] BIT);"), CDaoException);
  database.Execute("ALTER TABLE [A] ADD [Other] TEXT(10);");
  database.Close();
  EXPECT_EQ(rows("SELECT name, type FROM pragma_table_info('A')"),
            (Rows{{"RepairedField", "LONG"}, {"Other", "TEXT(10)"}}));
  EXPECT_EQ(rows("SELECT name FROM sqlite_schema WHERE type = 'index' AND name LIKE '%MyIndex2'"
                 " ORDER BY name"),
            (Rows{{"A.MyIndex2"}, {"B.MyIndex2"}}));
  EXPECT_EQ(value("SELECT count(*) FROM sqlite_schema WHERE name = 'C'"), "0");
}

TEST_F(JetDdlTest, ATableTakesANameAnIndexHeld) {
  execute({"CREATE TABLE [T]([c] LONG);", "CREATE INDEX [i] ON [T]([c])",
           "CREATE TABLE [T.i]([d] LONG);"});
  database.Close();
  EXPECT_EQ(value("SELECT sqlite_name FROM MSysVantrelIndexes WHERE index_name = 'i'"), "T.i#2");
  EXPECT_EQ(value("SELECT tbl_name FROM sqlite_schema WHERE name = 'T.i#2'"), "T");
  EXPECT_EQ(value("SELECT type FROM sqlite_schema WHERE name = 'T.i'"), "table");
}

TEST_F(JetDdlTest, KeysAddedLaterRebuildTheTableKeepingItsIndexes) {
  execute({"CREATE TABLE [Orders]([A] LONG);", "ALTER TABLE [Orders] ADD [B] TEXT(5);",
           "CREATE INDEX MyIndex1 ON [Orders]([B])",
           "ALTER TABLE [Orders] ADD Constraint [PK_Orders] PRIMARY KEY ([A], [B]);"});
  EXPECT_THROW(database.Execute("ALTER TABLE [Orders] ADD PRIMARY KEY ([A]);"), CDaoException);
  EXPECT_THROW(database.Execute("CREATE TABLE [K]([x] LONG); CREATE TABLE [L]([x] LONG);"),
               CDaoException)
      << "one statement per call";
  database.Execute("CREATE TABLE [K]([x] LONG);");
  EXPECT_THROW(database.Execute("ALTER TABLE [K] ADD PRIMARY KEY ([missing]);"), CDaoException);
  database.Close();
  EXPECT_EQ(rows("SELECT name, pk, \"notnull\" FROM pragma_table_info('Orders')"),
            (Rows{{"A", "1", "1"}, {"B", "2", "1"}}));
  EXPECT_EQ(value("SELECT sql FROM sqlite_schema WHERE name = 'Orders'"),
            "CREATE TABLE \"Orders\" (\"A\" LONG NOT NULL, \"B\" TEXT(5) NOT NULL, CONSTRAINT "
            "\"PK_Orders\" PRIMARY KEY (\"A\", \"B\"))");
  EXPECT_EQ(value("SELECT count(*) FROM sqlite_schema WHERE name = 'Orders.MyIndex1'"), "1");
}

// A unique index with its keys' directions reads back from its text as it was written.
TEST(JetDdlTextTest, UniqueDescendingIndexRoundTrip) {
  const CreateIndexStatement index{"UNIQUE", "T", {"b", "a"}, true, {true, false}};
  const std::string text = jetDdlText(index);
  EXPECT_EQ(text, "CREATE UNIQUE INDEX UNIQUE ON [T]([b] DESC, [a])");
  const auto parsed = std::get<CreateIndexStatement>(parseJetDdl(text + ";"));
  EXPECT_EQ(jetDdlText(parsed), text);
  EXPECT_EQ(parsed.descending, index.descending);
}

TEST_F(JetDdlTest, StatementsOutsideTheFormsFailWithAMessage) {
  execute({"CREATE TABLE [T]([c] LONG);"});
  const auto messageOf = [&](std::string_view statement) {
    try {
      database.Execute(statement);
    } catch (const CDaoException& error) {
      return std::string(error.what());
    }
    return std::string("(no failure)");
  };
  EXPECT_NE(messageOf("DROP TABLE [T]").find("expected CREATE TABLE"), std::string::npos);
  EXPECT_NE(messageOf("CREATE TABLE [U]([c] INTEGER);").find("unknown column type INTEGER"),
            std::string::npos);
  EXPECT_NE(messageOf("CREATE TABLE [U]([c LONG);").find("no closing"), std::string::npos);
  EXPECT_NE(messageOf("CREATE TABLE [U]([] LONG);").find("empty name"), std::string::npos);
  EXPECT_NE(messageOf("ALTER TABLE [T] ADD [d] TEXT(x);").find("size"), std::string::npos);
  EXPECT_NE(messageOf("ALTER TABLE [T] ADD [d] LONG; DROP TABLE [T]").find("end of the statement"),
            std::string::npos);
  EXPECT_NE(messageOf("ALTER TABLE [Nope] ADD [d] LONG;").find("no table [Nope]"),
            std::string::npos);
  EXPECT_NE(messageOf("CREATE TABLE [MSysVantrelQueries]([c] LONG);").find("kept for the engine"),
            std::string::npos);
  EXPECT_NE(messageOf("CREATE INDEX i ON [T]([zz])").find("no column [zz]"), std::string::npos);
  database.Close();
  EXPECT_EQ(rows("SELECT name FROM pragma_table_info('T')"), (Rows{{"c"}}));
}

TEST(DestinationCreateTest, NeverTakesOverAFileAndRecordsTheLocale) {
  TempDir folder;
  const auto existing = folder / "taken.sqlite";
  std::ofstream(existing) << "not a database";
  CDaoDatabase database;
  EXPECT_THROW(database.Create(existing), CDaoException);
  EXPECT_FALSE(database.IsOpen());
  EXPECT_EQ(readTextFile(existing), "not a database");
  EXPECT_THROW(database.Create(folder / "missing" / "x.sqlite"), CDaoException);
  EXPECT_THROW(database.Execute("CREATE TABLE [T]([c] LONG);"), CDaoException);

  database.Create(folder / "new.sqlite");
  EXPECT_TRUE(database.IsOpen());
  EXPECT_THROW(database.Create(folder / "other.sqlite"), CDaoException);
  database.Close();
  EXPECT_FALSE(database.IsOpen());
  EXPECT_EQ(queryValue(folder / "new.sqlite",
                       "SELECT value FROM MSysVantrelProperties WHERE property = 'locale'"),
            ";LANGID=0x0409;CP=1252;COUNTRY=0");
}

}  // namespace
}  // namespace vantrel::test
