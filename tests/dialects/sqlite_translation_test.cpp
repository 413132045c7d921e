// Saved queries written as SQLite views: Jet SQL in, SQLite SQL out, and what the views give
// when they run.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

#include "dialects/sqlite/sqlite_literals.h"
#include "dialects/sqlite/sqlite_translation.h"
#include "tests/dialects/view_rows.h"

namespace vantrel {
namespace {

std::string translated(std::string_view jet, const PivotValueReader& pivots = {}) {
  const ViewTranslation result = translateQueryToSqlite(jet, pivots);
  return result.sql ? *result.sql : "no view: " + result.reason;
}

TEST(ViewTranslationTest, WritesJetSqlAsSqlite) {
  const std::vector<std::pair<std::string, std::string>> cases{
      // Names, strings, &, Like with * and ?, and with a set and #.
      {"SELECT [First] & \" \" & [Last] AS [Full Name] FROM [People] WHERE Last Like \"m*\" OR "
       "Code Like \"[!a-c]#?\" OR Code Not Like '50%_x';",
       "SELECT (coalesce(\"First\", '') || ' ' || coalesce(\"Last\", '')) AS \"Full "
       "Name\" FROM \"People\" WHERE \"Last\" LIKE 'm%' OR \"Code\" GLOB '[^a-cA-C][0-9]?' OR "
       "\"Code\" NOT LIKE '50\\%\\_x' ESCAPE '\\'"},
      // "&" binds below arithmetic and above comparison, and gives null only when every operand
      // is null; Jet compares text without case.
      {"SELECT a & b + c FROM T WHERE x & \"y\" = \"AB\";",
       "SELECT (CASE WHEN coalesce(\"a\", \"b\" + \"c\") IS NOT NULL THEN coalesce(\"a\", '') || "
       "coalesce(\"b\" + \"c\", '') END) FROM \"T\" WHERE (coalesce(\"x\", '') || 'y') = 'AB' "
       "COLLATE NOCASE"},
      {"SELECT IIf(Age >= 18, \"adult\", \"minor\"), Nz(Nick), Nz(Age, 0), IsNull(Nick) FROM "
       "People;",
       "SELECT (CASE WHEN (\"Age\" >= 18) THEN 'adult' ELSE 'minor' END), coalesce(\"Nick\", ''), "
       "coalesce(\"Age\", 0), (\"Nick\" IS NULL) FROM \"People\""},
      {"SELECT Left(Name, 2), Right(Name, 3), Mid(Name, 2, 3), Len(Name), UCase(Name), "
       "LCase(Name), Trim(Name), InStr(Name, \"a\"), InStr(3, Name, \"a\") FROM People;",
       "SELECT substr(\"Name\", 1, 2), substr(\"Name\", max(length(\"Name\") - 3 + 1, 1)), "
       "substr(\"Name\", 2, 3), length(\"Name\"), upper(\"Name\"), lower(\"Name\"), "
       "trim(\"Name\"), instr(lower(\"Name\"), lower('a')), (CASE WHEN "
       "instr(lower(substr(\"Name\", 3)), lower('a')) > 0 THEN instr(lower(substr(\"Name\", 3)), "
       "lower('a')) + 3 - 1 ELSE 0 END) FROM \"People\""},
      {"SELECT Val(Code), Str(Age), CStr(Age), CInt(Score), CLng(Score), CDbl(Code), "
       "CCur(Score), Int(Score), Fix(Score), Abs(Score), Round(Score, 1), Score / 2, Age Mod 5 "
       "FROM People WHERE Active = True AND Retired = No;",
       "SELECT CAST(\"Code\" AS NUMERIC), (CASE WHEN \"Age\" >= 0 THEN ' ' || \"Age\" ELSE "
       "CAST(\"Age\" AS TEXT) END), CAST(\"Age\" AS TEXT), CAST(round(\"Score\") AS INTEGER), "
       "CAST(round(\"Score\") AS INTEGER), CAST(\"Code\" AS REAL), round(CAST(\"Score\" AS REAL), "
       "4), (CAST(\"Score\" AS INTEGER) - (\"Score\" < CAST(\"Score\" AS INTEGER))), "
       "CAST(\"Score\" AS INTEGER), abs(\"Score\"), round(\"Score\", 1), \"Score\" * 1.0 / 2, "
       "\"Age\" % 5 FROM \"People\" WHERE \"Active\" = 1 AND \"Retired\" = 0"},
      // Dates: literals in the destination's form, fields, and the functions over them.
      {"SELECT Year(Born), Weekday(Born), DatePart(\"q\", Born) FROM People WHERE Born >= "
       "#1/2/90# AND Born < #1990-12-31 1:45:00 PM# AND Born <> #12/31/2029 0:00#;",
       "SELECT CAST(strftime('%Y', \"Born\") AS INTEGER), (CAST(strftime('%w', \"Born\") AS "
       "INTEGER) + 1), ((CAST(strftime('%m', \"Born\") AS INTEGER) + 2) / 3) FROM \"People\" "
       "WHERE \"Born\" >= '1990-01-02 00:00:00' AND \"Born\" < '1990-12-31 13:45:00' AND "
       "\"Born\" <> '2029-12-31 00:00:00'"},
      {"SELECT Date(), Now(), DateSerial(2020, 14, 1), DateAdd(\"d\", 1, Born), DateAdd(\"n\", "
       "30, Born), DateDiff(\"d\", Born, #1/1/2000#), Format(Born, \"Short Date\"), Format(Score, "
       "\"0.00\") FROM People;",
       "SELECT datetime('now', 'localtime', 'start of day'), datetime('now', 'localtime'), "
       "datetime(printf('%04d-01-01', "
       "2020), printf('%+d months', 14 - 1), printf('%+d days', 1 - 1)), (CASE WHEN "
       "length(\"Born\") <= 10 THEN date(\"Born\", printf('%+d days', 1)) ELSE date(\"Born\", "
       "printf('%+d days', 1)) || ' ' || time(\"Born\") END), datetime(\"Born\", printf('%+d "
       "minutes', 30)), CAST(julianday(date('2000-01-01 00:00:00')) - julianday(date(\"Born\")) AS "
       "INTEGER), (CAST(strftime('%m', \"Born\") AS INTEGER) || '/' || CAST(strftime('%d', "
       "\"Born\") AS INTEGER) || strftime('/%Y', \"Born\")), printf('%.2f', \"Score\") FROM "
       "\"People\""},
      // DISTINCTROW over one table is dropped, OWNERACCESS is dropped; TOP counts the rows
      // ranked within the first n (after ORDER BY), so that ties with the last stay.
      {"SELECT DISTINCTROW TOP 2 Name FROM People ORDER BY Score DESC WITH OWNERACCESS OPTION;",
       "SELECT \"Name\" FROM \"People\" ORDER BY \"Score\" COLLATE NOCASE DESC LIMIT (SELECT "
       "count(*) FROM (SELECT rank() OVER (ORDER BY \"Score\" COLLATE NOCASE DESC) AS jet_rank "
       "FROM \"People\") WHERE jet_rank <= 2)"},
      {"SELECT DISTINCT TOP 50 PERCENT Name FROM People ORDER BY Name;",
       "SELECT DISTINCT \"Name\" FROM \"People\" ORDER BY \"Name\" COLLATE NOCASE LIMIT (SELECT "
       "(count(*) * 50 + 99) / 100 FROM (SELECT DISTINCT \"Name\" FROM \"People\") AS counted)"},
      {"SELECT Team, Sum(Score), Count(*), First(Name), Last(Name) FROM People GROUP BY Team "
       "HAVING Count(*) > 1;",
       "SELECT \"Team\", sum(\"Score\"), count(*), (CASE WHEN count(*) > 0 THEN \"Name\" END), "
       "(CASE WHEN count(*) > 0 THEN \"Name\" END) FROM \"People\" GROUP BY \"Team\" COLLATE "
       "NOCASE HAVING "
       "count(*) > 1"},
      // A RIGHT JOIN is turned round, except under SELECT * (the columns' order).
      {"SELECT A.x FROM [C], ([A] INNER JOIN [B] ON (A.id=B.id)) RIGHT JOIN [D] AS [E] ON "
       "(B.k=E.k);",
       "SELECT \"A\".\"x\" FROM \"C\", \"D\" AS \"E\" LEFT JOIN (\"A\" INNER JOIN \"B\" ON "
       "(\"A\".\"id\" = \"B\".\"id\")) ON (\"B\".\"k\" = \"E\".\"k\")"},
      {"SELECT * FROM A RIGHT JOIN B ON A.id = B.id;",
       "SELECT * FROM \"A\" RIGHT JOIN \"B\" ON \"A\".\"id\" = \"B\".\"id\""},
      // Sub-selects, saved-query references and unions.
      {"SELECT Name FROM People WHERE Team IN (SELECT TOP 1 Team FROM [Big Teams]);",
       "SELECT \"Name\" FROM \"People\" WHERE \"Team\" IN (SELECT \"Team\" FROM \"Big Teams\" "
       "LIMIT 1)"},
      {"SELECT Name FROM People\r\n UNION ALL (SELECT Title FROM Teams) UNION TABLE [Old] "
       "ORDER BY Name;",
       "SELECT \"Name\" FROM \"People\" UNION ALL SELECT \"Title\" FROM \"Teams\" UNION SELECT * "
       "FROM \"Old\" ORDER BY \"Name\" COLLATE NOCASE"},
      // A crosstab with fixed column headings.
      {"TRANSFORM Count(*) AS N SELECT Team FROM People GROUP BY Team PIVOT Region IN (\"East\", "
       "\"West\");",
       "SELECT \"Team\", count(CASE WHEN (\"Region\") = 'East' COLLATE NOCASE THEN 1 END) AS "
       "\"East\", "
       "count(CASE WHEN (\"Region\") = 'West' COLLATE NOCASE THEN 1 END) AS \"West\" FROM "
       "\"People\" GROUP BY "
       "\"Team\" COLLATE NOCASE ORDER BY \"Team\" COLLATE NOCASE"},
  };
  for (const auto& [jet, sqlite] : cases)
    EXPECT_EQ(translated(jet), sqlite) << jet;
}

TEST(ViewTranslationTest, SaysWhyAQueryHasNoView) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"PARAMETERS [User Name] Text;  SELECT a FROM T WHERE a=[User Name];", "parameter query"},
      {"UPDATE [T] SET a = 1;", "update query"},
      {"DELETE T.* \r\nFROM [T];", "delete query"},
      {"INSERT INTO [Log]([Msg])    VALUES ('x') ;", "append query"},
      {"SELECT a INTO [Copy] \r\nFROM [T];", "make-table query"},
      {"CREATE TABLE T (A TEXT);", "data-definition query"},
      {"SELECT DLookup(\"a\", \"T\") FROM T;", "uses the function DLookup"},
      {"SELECT a FROM T WHERE b = Forms!F!x;", "refers to a form or report (!)"},
      {"SELECT a FROM T IN 'c:\\other.mdb';", "reads another database (IN 'file')"},
      {"SELECT a FROM T WHERE d > Date() - 30;", "computes with a date by + or -"},
      {"SELECT a ^ 2 FROM T;", "uses the operator ^"},
      {"SELECT Format(d, \"mmmm\") FROM T;", "uses Format with the pattern \"mmmm\""},
      {"SELECT a FROM T WHERE d = #2/30/2001#;", "a date Jet cannot read: #2/30/2001#"},
      {"SELECT [a FROM T;", "an unclosed [name]"},
      {"TRANSFORM Sum(x) SELECT a FROM T GROUP BY a PIVOT b;",
       "crosstab query (its columns come from the salvaged rows)"},
  };
  for (const auto& [jet, reason] : cases)
    EXPECT_EQ(translated(jet), "no view: " + reason) << jet;
  // A damaged text may nest without end; the translation stops well before the stack does.
  EXPECT_EQ(translated("SELECT " + std::string(65, '(') + "1" + std::string(65, ')') + ";"),
            "no view: nested too deep");
  EXPECT_EQ(translated("SELECT " + std::string(64, '(') + "1" + std::string(64, ')') + ";"),
            "SELECT " + std::string(64, '(') + "1" + std::string(64, ')'));
}

// A small database to run the views in.
class SqliteViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    db_.reset(db);
    // As the destination checks its views: a "name" that matches no column is an error.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    execute(
        "CREATE TABLE People (Name TEXT, Nick TEXT, Team TEXT, Score DOUBLE, Born DATE, Active "
        "BIT);"
        "INSERT INTO People VALUES ('Mary', NULL, 'Red', 7.5, '1990-01-31', 1),"
        " ('max', 'Mo', 'Red', -2.5, '1991-02-03 10:30:00', 0),"
        " ('Ann', NULL, 'Blue', 4, '1990-12-31', 1), ('Bob', 'B', NULL, 10, NULL, 1);"
        "CREATE TABLE Teams (Team TEXT, Title TEXT);"
        "INSERT INTO Teams VALUES ('Red', 'Reds'), ('Green', 'Greens');");
  }

  void execute(const std::string& sql) {
    ASSERT_EQ(sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_.get()) << "\n"
        << sql;
  }

  // The rows of the view of a Jet query, each row's values joined by "|" (NULL as "-").
  std::vector<std::string> viewRows(std::string_view jet) {
    return test::translatedViewRows(
        jet, translateQueryToSqlite,
        [this](const std::string& select) {
          execute("DROP VIEW IF EXISTS v; CREATE VIEW v AS " + select);
        },
        [this](const std::string& sql) { return rowsOf(sql); });
  }

  std::vector<std::string> rowsOf(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &statement, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_.get()) << "\n"
        << sql;
    std::vector<std::string> rows;
    while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* text = sqlite3_column_text(statement, i);
        row += (i == 0 ? "" : "|") +
               (text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : "-");
      }
      rows.push_back(row);
    }
    sqlite3_finalize(statement);
    return rows;
  }

  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

using Rows = std::vector<std::string>;

TEST_F(SqliteViewsTest, ViewsGiveWhatJetGives) {
  // Like without regard to case; a set and a digit; "&" keeps a text whose other part is null.
  EXPECT_EQ(viewRows("SELECT Name & \"/\" & Nick FROM People WHERE Name Like \"m*\" ORDER BY "
                     "Score;"),
            (Rows{"max/Mo", "Mary/"}));
  EXPECT_EQ(viewRows("SELECT Name FROM People WHERE Name Like \"[a-b]?[!x]\";"),
            (Rows{"Ann", "Bob"}));
  EXPECT_EQ(viewRows("SELECT Name FROM People WHERE Born Like \"199#-12-*\";"), (Rows{"Ann"}));
  // "&" is null when every part is; DISTINCTROW over one table of a join keeps one row per
  // row of that table.
  EXPECT_EQ(viewRows("SELECT Nick & Nick, Nick & Team FROM People WHERE Name = \"Ann\";"),
            (Rows{"-|Blue"}));
  EXPECT_EQ(viewRows("SELECT DISTINCTROW Teams.Title FROM Teams INNER JOIN People ON Teams.Team "
                     "= People.Team;"),
            (Rows{"Reds"}));
  // A pattern joined from parts; a missing part is empty, so Bob's name matches "*?".
  EXPECT_EQ(viewRows("SELECT Name FROM People WHERE Name Like \"*\" & Team & \"?\";"),
            (Rows{"Bob"}));
  EXPECT_EQ(viewRows("SELECT Name FROM People WHERE Team Like \"*\" & \"E\" & \"?\";"),
            (Rows{"Mary", "max"}));
  // Division in floating point; Int rounds down and Fix toward zero; Right of more than all.
  EXPECT_EQ(viewRows("SELECT 7 / 2, Int(Score), Fix(Score), Right(Name, 9), Left(Name, 0) & \"|\" "
                     "FROM People WHERE Name = \"MAX\";"),
            (Rows{"3.5|-3|-2|max||"}));
  EXPECT_EQ(viewRows("SELECT IIf(IsNull(Nick), \"none\", Nick), Nz(Team, \"?\"), InStr(2, Name, "
                     "\"A\") FROM People ORDER BY Name;"),
            (Rows{"none|Blue|0", "B|?|0", "none|Red|2", "Mo|Red|2"}));
  // Dates: a month added to 31 January ends at the month's last day, as in Jet (SQLite's own
  // modifier would spill into March); day counts, fields and formats.
  EXPECT_EQ(viewRows("SELECT DateAdd(\"m\", 1, Born), DateAdd(\"yyyy\", 1, Born), "
                     "DateAdd(\"m\", -1, #3/31/2021 10:30:00#) FROM People WHERE Name = \"Mary\";"),
            (Rows{"1990-02-28|1991-01-31|2021-02-28 10:30:00"}));
  EXPECT_EQ(viewRows("SELECT DateAdd(\"d\", 1, Born), DateAdd(\"h\", 2, Born), DateDiff(\"d\", "
                     "Born, #3/1/1991#), Month(Born), Weekday(Born), Format(Born, \"Short Date\"), "
                     "DatePart(\"ww\", Born) FROM People WHERE Born >= #2/3/1991#;"),
            (Rows{"1991-02-04 10:30:00|1991-02-03 12:30:00|26|2|1|2/3/1991|6"}));
  EXPECT_EQ(viewRows("SELECT DateSerial(1990, 14, 1), Year(DateSerial(2000, 1, 0));"),
            (Rows{"1991-02-01 00:00:00|1999"}));
  // TOP, TOP PERCENT (rounded up, as Jet does), groups and First.
  EXPECT_EQ(viewRows("SELECT TOP 2 Name FROM People ORDER BY Score DESC;"), (Rows{"Bob", "Mary"}));
  EXPECT_EQ(viewRows("SELECT TOP 1 Team FROM People ORDER BY Team DESC;"), (Rows{"Red", "Red"}));
  EXPECT_EQ(viewRows("SELECT TOP 30 PERCENT Name FROM People ORDER BY Score;"),
            (Rows{"max", "Ann"}));
  EXPECT_EQ(viewRows("SELECT Team, Count(*), Sum(Score), Avg(Score) FROM People GROUP BY Team "
                     "HAVING Count(*) > 1;"),
            (Rows{"Red|2|5.0|2.5"}));
  EXPECT_EQ(viewRows("SELECT First(Team) FROM People WHERE Name = \"Ann\";"), (Rows{"Blue"}));
  // The turned-round RIGHT JOIN keeps every team; a union with its ordering.
  EXPECT_EQ(viewRows("SELECT Teams.Title, People.Name FROM People RIGHT JOIN Teams ON "
                     "People.Team = Teams.Team ORDER BY Teams.Title, People.Name;"),
            (Rows{"Greens|-", "Reds|Mary", "Reds|max"}));
  EXPECT_EQ(viewRows("SELECT Team FROM People UNION SELECT Team FROM Teams ORDER BY Team;"),
            (Rows{"-", "Blue", "Green", "Red"}));
  // A crosstab: one column per value found in the rows, null as "<>", rows by their heading.
  EXPECT_EQ(viewRows("TRANSFORM Sum(Score) AS S SELECT Active FROM People GROUP BY Active "
                     "PIVOT Team;"),
            (Rows{"0|-|-|-2.5", "1|10.0|4.0|7.5"}));
  EXPECT_EQ(rowsOf("SELECT name FROM pragma_table_info('v')"),
            (Rows{"Active", "<>", "Blue", "Red"}));
}

TEST(SqliteLiteralsTest, DatesInTheDestinationsForm) {
  EXPECT_EQ(isoDateText("7/4/2005"), "2005-07-04 00:00:00");
  EXPECT_EQ(isoDateText(" 7/4/05 12:00:00 PM "), "2005-07-04 12:00:00");
  EXPECT_EQ(isoDateText("1/1/30"), "1930-01-01 00:00:00");
  EXPECT_EQ(isoDateText("2005-07-04 6:05"), "2005-07-04 06:05:00");
  EXPECT_EQ(isoDateText("12:00 AM"), "1899-12-30 00:00:00");
  EXPECT_EQ(isoDateText("2/29/2001"), std::nullopt);
  EXPECT_EQ(isoDateText("13/1/2001"), std::nullopt);
  EXPECT_EQ(isoDateText("25:00"), std::nullopt);
  EXPECT_EQ(isoDateText("July 4"), std::nullopt);
}

}  // namespace
}  // namespace vantrel
