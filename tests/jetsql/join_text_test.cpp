// FROM texts of queries with joins.

#include <gtest/gtest.h>

#include "tests/jetsql/query_rows.h"

namespace vantrel::test {
namespace {

TEST(JoinTextTest, OneJoinListsTheOtherTablesFirst) {
  const std::string expected = "SELECT A.x, C.y \r\nFROM [C], [A] INNER JOIN [B] ON A.id=B.id;";
  const auto join = joinRow("1", "A", "B", "A.id=B.id");
  EXPECT_EQ(rebuild({tableRow("C"), tableRow("A"), tableRow("B"), join, columnRow("A.x"),
                     columnRow("C.y")}),
            expected);
  EXPECT_EQ(rebuild({join, tableRow("A"), tableRow("B"), tableRow("C"), columnRow("A.x"),
                     columnRow("C.y")}),
            expected);
  EXPECT_EQ(rebuild({tableRow("A"), tableRow("B"), joinRow("3", "A", "B", "A.id=B.id")}),
            "SELECT * \r\nFROM [A] RIGHT JOIN [B] ON A.id=B.id;");
}

TEST(JoinTextTest, SeveralJoinsNest) {
  EXPECT_EQ(rebuild({tableRow("A"), tableRow("B"), tableRow("C"), columnRow("A.x"),
                     joinRow("1", "A", "B", "A.x=B.x"), joinRow("2", "B", "C", "B.y=C.y")}),
            "SELECT A.x \r\nFROM ([A] INNER JOIN [B] ON (A.x=B.x)) LEFT JOIN [C] ON (B.y=C.y);");
  // A join whose tables are both new is set aside until a later join links it.
  EXPECT_EQ(rebuild({columnRow("A.x"), joinRow("1", "A", "B", "A.k=B.k"),
                     joinRow("1", "C", "D", "C.k=D.k"), joinRow("1", "B", "C", "B.j=C.j")}),
            "SELECT A.x \r\nFROM ([A] INNER JOIN [B] ON (A.k=B.k)) INNER JOIN ([C] INNER JOIN [D] "
            "ON (C.k=D.k)) ON (B.j=C.j);");
  // A known right-hand table, a second condition between joined tables, an unused table.
  EXPECT_EQ(rebuild({tableRow("T"), columnRow("A.x"), joinRow("1", "A", "B", "A.k=B.k"),
                     joinRow("2", "C", "A", "C.k=A.k"), joinRow("1", "A", "B", "A.m=B.m")}),
            "SELECT A.x \r\nFROM [T], [C] LEFT JOIN ([A] INNER JOIN [B] ON (A.k=B.k)) ON (C.k=A.k) "
            "AND (A.m=B.m);");
}

TEST(JoinTextTest, SeparateJoinsKeepTheirKindAndAreNeverDropped) {
  EXPECT_EQ(rebuild({columnRow("A.x"), joinRow("1", "A", "B", "A.k=B.k"),
                     joinRow("2", "C", "D", "C.k=D.k"), joinRow("1", "B", "C", "B.j=C.j")}),
            "SELECT A.x \r\nFROM ([A] INNER JOIN [B] ON (A.k=B.k)) INNER JOIN ([C] LEFT JOIN [D] "
            "ON (C.k=D.k)) ON (B.j=C.j);");
  EXPECT_EQ(
      rebuild({columnRow("A.x"), joinRow("1", "A", "B", "A.k=B.k"),
               joinRow("1", "C", "D", "C.k=D.k"), joinRow("1", "E", "F", "E.k=F.k"),
               joinRow("1", "D", "E", "D.j=E.j")}),
      "SELECT A.x \r\nFROM [A] INNER JOIN [B] ON (A.k=B.k), ([C] INNER JOIN [D] ON (C.k=D.k)) "
      "INNER JOIN ([E] INNER JOIN [F] ON (E.k=F.k)) ON (D.j=E.j);");
}

TEST(JoinTextTest, AliasedTablesAreWrittenWithTheirAlias) {
  EXPECT_EQ(rebuild({tableRow("Employees"), tableRow("Employees", "Boss"), columnRow("Boss.Name"),
                     joinRow("2", "Employees", "Boss", "Employees.ReportsTo=Boss.Id")}),
            "SELECT Boss.Name \r\nFROM [Employees] LEFT JOIN [Employees] AS [Boss] ON "
            "Employees.ReportsTo=Boss.Id;");
  EXPECT_EQ(
      rebuild({joinRow("1", "T1", "T2", "T1.a=T2.a"), joinRow("1", "T2", "T2_1", "T2.b=T2_1.c"),
               tableRow("T1"), tableRow("T2"), tableRow("T2", "T2_1"), columnRow("T2_1.c")}),
      "SELECT T2_1.c \r\nFROM ([T1] INNER JOIN [T2] ON (T1.a=T2.a)) INNER JOIN [T2] AS [T2_1] "
      "ON (T2.b=T2_1.c);");
}

TEST(JoinTextTest, ManyJoinsAndJoinsWithoutCondition) {
  QueryBuilder builder;
  builder.addRow(columnRow("T0.k"));
  for (int i = 1; i <= 12; ++i) {
    const std::string left = "T" + std::to_string(i - 1), right = "T" + std::to_string(i);
    builder.addRow(joinRow("1", left, right, left + ".k=" + right + ".k"));
  }
  const std::string sql = builder.compose();
  EXPECT_TRUE(sql.starts_with("SELECT T0.k \r\nFROM " + std::string(11, '(') +
                              "[T0] INNER JOIN [T1] ON (T0.k=T1.k)) INNER JOIN [T2]"));
  EXPECT_TRUE(sql.ends_with(") INNER JOIN [T12] ON (T11.k=T12.k);"));
  EXPECT_EQ(
      rebuild({columnRow("A.x"), joinRow("1", "A", "B", ""), joinRow("1", "B", "C", "B.x=C.x")}),
      "SELECT A.x \r\nFROM ([A] INNER JOIN [B] ON ()) INNER JOIN [C] ON (B.x=C.x);");
}

}  // namespace
}  // namespace vantrel::test
