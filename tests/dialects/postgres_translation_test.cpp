// Saved queries written as PostgreSQL views: Jet SQL in, PostgreSQL SQL out, and what the
// views give when they run in the throw-away server.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "destinations/postgres/postgres_connection.h"
#include "destinations/postgres/postgres_url.h"
#include "dialects/postgres/postgres_translation.h"
#include "tests/dialects/view_rows.h"
#include "tests/support/postgres_server.h"

namespace vantrel {
namespace {

std::string translated(std::string_view jet, const PivotValueReader& pivots = {}) {
  const ViewTranslation result = translateQueryToPostgres(jet, pivots);
  return result.sql ? *result.sql : "no view: " + result.reason;
}

TEST(PostgresTranslationTest, WritesJetSqlAsPostgres) {
  // Like with a set and a digit becomes a regular expression without regard to case; a date
  // a timestamp; Jet's True a boolean; a text compared through the nocase collation.
  EXPECT_EQ(
      translated("SELECT Name FROM People WHERE Code Not Like \"[!a-c]#?.*\" AND Born > "
                 "#1/2/90# AND Active = True AND Name <> \"x\";"),
      "SELECT \"Name\" FROM \"People\" WHERE \"Code\" !~* '^[^a-c][0-9].\\..*$' AND \"Born\" "
      "> TIMESTAMP '1990-01-02 00:00:00' AND \"Active\" = true AND \"Name\" <> 'x' COLLATE nocase");
  // TOP n keeps the rows that tie with the last; a union is sorted from outside, nulls first.
  EXPECT_EQ(translated("SELECT TOP 3 Score FROM People ORDER BY Score DESC;"),
            "SELECT \"Score\" FROM \"People\" ORDER BY (CASE WHEN pg_typeof(\"Score\") IN "
            "('text'::regtype, 'character varying'::regtype) THEN \"Score\"::text END) COLLATE "
            "nocase DESC NULLS LAST, \"Score\" DESC NULLS LAST FETCH FIRST 3 ROWS WITH TIES");
  EXPECT_EQ(translated("SELECT A.Team FROM A UNION SELECT B.Team FROM B ORDER BY A.Team DESC;"),
            "SELECT * FROM (SELECT \"A\".\"Team\" FROM \"A\" UNION SELECT \"B\".\"Team\" FROM "
            "\"B\") AS united ORDER BY (CASE WHEN pg_typeof(\"Team\") IN ('text'::regtype, "
            "'character varying'::regtype) THEN \"Team\"::text END) COLLATE nocase DESC NULLS "
            "LAST, \"Team\" DESC NULLS LAST");
  // What has no view says why, and a refusal of the server is told as PostgreSQL's.
  EXPECT_EQ(translated("PARAMETERS [When] DateTime; SELECT * FROM T WHERE D = [When];"),
            "no view: parameter query");
  EXPECT_EQ(translated("SELECT DLookup(\"a\", \"b\") FROM T;"),
            "no view: uses the function DLookup");
  EXPECT_EQ(translated("TRANSFORM Sum(S) SELECT A FROM T GROUP BY A PIVOT B;",
                       [](const std::string&) -> std::vector<PivotValue> {
                         throw std::runtime_error("subquery in FROM must have an alias");
                       }),
            "no view: PostgreSQL: subquery in FROM must have an alias");
}

// The views run in a schema of their own, with the collation the destination makes.
class PostgresViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANTREL_REQUIRE_POSTGRES();
    std::string problem;
    const auto target = parsePostgresTarget(*test::testPostgresUrl(), problem);
    ASSERT_TRUE(target) << problem;
    db_ = std::make_unique<PostgresConnection>(target->conninfo);
    schema_ = db_->quoteIdentifier(test::uniqueSchemaName("dialect"));
    db_->execute("CREATE SCHEMA " + schema_ + "; SET search_path TO " + schema_ +
                 ", pg_catalog; CREATE COLLATION nocase (provider = icu, locale = "
                 "'und-u-ks-level2', deterministic = false);"
                 "CREATE TABLE \"People\" (\"Name\" text, \"Nick\" text, \"Team\" text, "
                 "\"Score\" double precision, \"Born\" timestamp, \"Active\" boolean, "
                 "\"Price\" numeric(19,4));"
                 "INSERT INTO \"People\" VALUES ('Mary', NULL, 'Red', 7.5, '1990-01-31', true, "
                 "18), ('max', 'Mo', 'Red', -2.5, '1991-02-03 10:30:00', false, 2.5), ('Ann', "
                 "NULL, 'Blue', 7.5, '1990-12-31', true, 0.125), ('Bob', 'B', NULL, 10, NULL, "
                 "true, 3.5);"
                 "CREATE TABLE \"Teams\" (\"Team\" text, \"Title\" text);"
                 "INSERT INTO \"Teams\" VALUES ('Red', 'Reds'), ('Green', 'Greens');");
  }
  void TearDown() override {
    if (db_) db_->execute("DROP SCHEMA " + schema_ + " CASCADE");
  }

  // The rows of the view of a Jet query, each row's values joined by "|" (NULL as "-").
  std::vector<std::string> viewRows(std::string_view jet) {
    return test::translatedViewRows(
        jet, translateQueryToPostgres,
        [this](const std::string& select) {
          db_->execute("DROP VIEW IF EXISTS v; CREATE VIEW v AS " + select);
        },
        [this](const std::string& sql) { return rowsOf(sql); });
  }

  std::vector<std::string> viewColumns() {
    return rowsOf(
        "SELECT attname FROM pg_attribute WHERE attrelid = 'v'::regclass AND attnum > 0 "
        "ORDER BY attnum");
  }

  std::vector<std::string> sortedViewRows(std::string_view jet) {
    std::vector<std::string> rows = viewRows(jet);
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  std::vector<std::string> rowsOf(const std::string& sql) {
    const PgResult result = db_->query(sql);
    std::vector<std::string> rows;
    for (int r = 0; r < PQntuples(result.get()); ++r) {
      std::string row;
      for (int c = 0; c < PQnfields(result.get()); ++c) {
        row += (c == 0 ? "" : "|") +
               std::string(PQgetisnull(result.get(), r, c) ? "-" : PQgetvalue(result.get(), r, c));
      }
      rows.push_back(row);
    }
    return rows;
  }

  std::unique_ptr<PostgresConnection> db_;
  std::string schema_;
};

using Rows = std::vector<std::string>;

TEST_F(PostgresViewsTest, ViewsGiveWhatJetGives) {
  // Texts compare and sort without regard to case, nulls first; Like and Not Like too.
  EXPECT_EQ(viewRows("SELECT Name FROM People WHERE Name = \"MARY\" OR Team >= \"RED\";"),
            (Rows{"Mary", "max"}));
  EXPECT_EQ(viewRows("SELECT Name FROM People ORDER BY Name;"),
            (Rows{"Ann", "Bob", "Mary", "max"}));
  EXPECT_EQ(viewRows("SELECT Team FROM People UNION SELECT Team FROM Teams ORDER BY Team;"),
            (Rows{"-", "Blue", "Green", "Red"}));
  EXPECT_EQ(sortedViewRows("SELECT Name FROM People WHERE Name Like \"m*\" OR Name Like "
                           "\"[a-b]?[!x]\";"),
            (Rows{"Ann", "Bob", "Mary", "max"}));
  EXPECT_EQ(viewRows("SELECT Name FROM People WHERE Name Not Like \"*A*\";"), (Rows{"Bob"}));
  // Names in another case than the schema's are the schema's, as Jet's compare.
  EXPECT_EQ(sortedViewRows("SELECT people.name FROM PEOPLE WHERE [TEAM] = \"red\";"),
            (Rows{"Mary", "max"}));
  // "&" skips a null part but is null when every part is; "+" joins texts; money as Jet
  // writes it.
  EXPECT_EQ(viewRows("SELECT Nick & Team, Nick & Nick, \"$\" + Price FROM People WHERE Name = "
                     "\"Ann\" OR Name = \"Bob\" ORDER BY Name;"),
            (Rows{"Blue|-|$0.125", "B|BB|$3.5"}));
  // Jet's booleans are -1 and 0, compared with the destination's own.
  EXPECT_EQ(viewRows("SELECT Name FROM People WHERE Active = 0 OR (Active <> -1 AND Score > 0);"),
            (Rows{"max"}));
  EXPECT_EQ(sortedViewRows("SELECT Name FROM People WHERE Active = Yes AND NOT Active = False;"),
            (Rows{"Ann", "Bob", "Mary"}));
  // Round, CInt and CCur take a half to the even neighbour; Int rounds down, Fix toward zero;
  // division in floating point; Val reads the number a text starts with.
  EXPECT_EQ(viewRows("SELECT Round(Price), Round(Price, 2), CInt(Price), CCur(Price / 1000), "
                     "Int(-Price), Fix(-Price), 7 / 2, Val(\" 12.5kg\"), Val(\"kg\") FROM People "
                     "WHERE Name = \"max\" OR Name = \"Ann\" ORDER BY Price;"),
            (Rows{"0|0.12|0|0.0001|-1|0|3.5|12.5|0", "2|2.50|2|0.0025|-3|-2|3.5|12.5|0"}));
  // TOP n and TOP n PERCENT (rounded up) keep the rows that tie with the last.
  EXPECT_EQ(sortedViewRows("SELECT TOP 2 Name FROM People ORDER BY Score DESC;"),
            (Rows{"Ann", "Bob", "Mary"}));
  EXPECT_EQ(sortedViewRows("SELECT TOP 25 PERCENT Name FROM People ORDER BY Score;"),
            (Rows{"max"}));
  EXPECT_EQ(sortedViewRows("SELECT TOP 50 PERCENT Name FROM People ORDER BY Score;"),
            (Rows{"Ann", "Mary", "max"}));
  // Dates: literals, a month added to 31 January ends at the month's last day, day counts,
  // fields and formats.
  EXPECT_EQ(viewRows("SELECT DateAdd(\"m\", 1, Born), DateDiff(\"d\", Born, #3/1/1990#), "
                     "DatePart(\"q\", Born), Year(Born), Weekday(Born), Format(Born, \"Short "
                     "Date\"), Format(Score, \"0.00\") FROM People WHERE Born = #1/31/1990#;"),
            (Rows{"1990-02-28 00:00:00|29|1|1990|4|1/31/1990|7.50"}));
  EXPECT_EQ(viewRows("SELECT Left(Name, 2), Right(Name, 9), Mid(Name, 2, 2), InStr(Name, \"R\"), "
                     "Len(Name), UCase(Name), Nz(Nick, \"?\"), IIf(Score > 5, \"hi\", \"lo\") "
                     "FROM People WHERE Name = \"Mary\";"),
            (Rows{"Ma|Mary|ar|3|4|MARY|?|hi"}));
  // DISTINCTROW over one table of a join: one row per row of that table.
  EXPECT_EQ(viewRows("SELECT DISTINCTROW Teams.Title FROM Teams INNER JOIN People ON Teams.Team "
                     "= People.Team;"),
            (Rows{"Reds"}));
  EXPECT_EQ(viewRows("SELECT Teams.Title FROM Teams INNER JOIN People ON Teams.Team = "
                     "People.Team;"),
            (Rows{"Reds", "Reds"}));
  // A name two tables give is told by its table; an expression is Expr1000.
  viewRows(
      "SELECT People.Team, Teams.Team, Score * 2 FROM People INNER JOIN Teams ON "
      "People.Team = Teams.Team;");
  EXPECT_EQ(viewColumns(), (Rows{"People.Team", "Teams.Team", "Expr1000"}));
  // A crosstab: one column per value found in the rows, null as "<>" and first.
  EXPECT_EQ(viewRows("TRANSFORM Sum(Score) AS S SELECT Active FROM People GROUP BY Active "
                     "PIVOT Team;"),
            (Rows{"f|-|-|-2.5", "t|10|7.5|7.5"}));
  EXPECT_EQ(viewColumns(), (Rows{"Active", "<>", "Blue", "Red"}));
}

}  // namespace
}  // namespace vantrel
