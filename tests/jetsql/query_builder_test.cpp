// Select statements: the clause rules, the selection options and the composition.

#include <gtest/gtest.h>

#include "tests/jetsql/query_rows.h"

namespace vantrel::test {
namespace {

TEST(QueryBuilderTest, WorkedExampleAndEmptyQuery) {
  EXPECT_EQ(rebuild({kindRow("1"), optionsRow("2"), tableRow("Orders"), columnRow("Orders.Id"),
                     columnRow("Sum(Amount)", "Total"), whereRow("Orders.Id>5"),
                     orderByRow("Orders.Id", "D")}),
            "SELECT DISTINCT Orders.Id, Sum(Amount) AS [Total] \r\nFROM [Orders] \r\n"
            "WHERE Orders.Id>5 \r\nORDER BY Orders.Id DESC;");
  EXPECT_EQ(rebuild({}), ";");
}

TEST(QueryBuilderTest, EachSortKeyCarriesItsOwnDirection) {
  EXPECT_EQ(rebuild({tableRow("T"), columnRow("x"), orderByRow("a"), orderByRow("b", "D")}),
            "SELECT x \r\nFROM [T] \r\nORDER BY a, b DESC;");
  EXPECT_EQ(rebuild({tableRow("T"), columnRow("x"), orderByRow("a", "D"), orderByRow("b")}),
            "SELECT x \r\nFROM [T] \r\nORDER BY a DESC, b;");
}

TEST(QueryBuilderTest, GroupingHavingCriteriaAndAliases) {
  // A grouping row with flag 1 is left out; a later criteria row replaces an earlier one;
  // an alias of one character is written like any other.
  EXPECT_EQ(rebuild({tableRow("T"), columnRow("k", "K"), columnRow("Sum(v)", "total"),
                     whereRow("a=1"), whereRow("b=2"), groupByRow("k"), groupByRow("p", "1"),
                     groupByRow("q"), havingRow("Sum(v)>1")}),
            "SELECT k AS [K], Sum(v) AS [total] \r\nFROM [T] \r\nWHERE b=2 \r\n"
            "GROUP BY k, q HAVING Sum(v)>1;");
}

TEST(QueryBuilderTest, EveryInputTableIsListed) {
  EXPECT_EQ(rebuild({tableRow("T", "A"), tableRow("U"), tableRow("V", "B"), columnRow("A.x")}),
            "SELECT A.x \r\nFROM [T] AS [A], [U], [V] AS [B];");
}

TEST(QueryBuilderTest, SelectionOptions) {
  const auto withOptions = [](const std::string& flag, bool afterColumns = false) {
    if (afterColumns)
      return rebuild({tableRow("T"), columnRow("a"), columnRow("b"), optionsRow(flag, "5")});
    return rebuild({optionsRow(flag, "5"), tableRow("T"), columnRow("a"), columnRow("b")});
  };
  EXPECT_EQ(withOptions("0"), "SELECT a, b \r\nFROM [T];");
  EXPECT_EQ(withOptions("16"), "SELECT TOP 5 a, b \r\nFROM [T];");
  EXPECT_EQ(withOptions("24"), "SELECT DISTINCTROW TOP 5 a, b \r\nFROM [T];");
  EXPECT_EQ(withOptions("2"), "SELECT DISTINCT a, b \r\nFROM [T];");
  EXPECT_EQ(withOptions("8"), "SELECT DISTINCTROW a, b \r\nFROM [T];");
  EXPECT_EQ(withOptions("50"), "SELECT DISTINCT TOP 5 PERCENT a, b \r\nFROM [T];");
  EXPECT_EQ(withOptions("4"), "SELECT a, b \r\nFROM [T] WITH OWNERACCESS OPTION;");
  EXPECT_EQ(withOptions("1"), "SELECT a, b, * \r\nFROM [T];");
  EXPECT_EQ(withOptions("16", true), "SELECT TOP 5 a, b \r\nFROM [T];");
  EXPECT_EQ(withOptions("2", true), "SELECT DISTINCT a, b \r\nFROM [T];");
  EXPECT_EQ(rebuild({optionsRow("1"), tableRow("T")}), "SELECT * \r\nFROM [T];");
  EXPECT_EQ(rebuild({optionsRow("9"), tableRow("T"), whereRow("x=1")}),
            "SELECT DISTINCTROW * \r\nFROM [T] \r\nWHERE x=1;");
}

TEST(QueryBuilderTest, NoFixedWidths) {
  QueryBuilder builder;
  std::string expectedTables;
  const std::string longName(60, 'n');
  for (int i = 0; i < 12; ++i) {
    builder.addRow(tableRow(longName + std::to_string(i)));
    expectedTables += (i ? ", [" : "[") + longName + std::to_string(i) + "]";
  }
  std::string expectedColumns;
  for (int i = 0; i < 150; ++i) {
    const std::string column = "Table.SomewhatLongColumnName" + std::to_string(i);
    builder.addRow(columnRow(column));
    expectedColumns += (i ? ", " : "") + column;
  }
  const std::string sql = builder.compose();
  EXPECT_GT(sql.size(), 4000u);
  EXPECT_EQ(sql, "SELECT " + expectedColumns + " \r\nFROM " + expectedTables + ";");
  EXPECT_EQ(builder.compose(), sql) << "composing leaves the rows as they were";
}

}  // namespace
}  // namespace vantrel::test
