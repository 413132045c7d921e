// Query kinds other than a plain selection, and parameters.

#include <gtest/gtest.h>

#include "tests/jetsql/query_rows.h"

namespace vantrel::test {
namespace {

// The text starts with its keyword, also where an update's FROM line became its UPDATE line.
TEST(QueryKindsTest, UpdateQueries) {
  EXPECT_EQ(rebuild({kindRow("4"), optionsRow("8"), tableRow("Products"),
                     columnRow("Price*1.1", "", "Price"), whereRow("Discontinued=No")}),
            "UPDATE [Products] SET Price = Price*1.1 \r\nWHERE Discontinued=No;");
  EXPECT_EQ(rebuild({kindRow("4"), tableRow("C"), tableRow("A"), tableRow("B"),
                     joinRow("1", "A", "B", "A.id=B.id"), columnRow("B.y", "", "A.x"),
                     columnRow("0", "", "A.z")}),
            "UPDATE [C], [A] INNER JOIN [B] ON (A.id=B.id) SET A.x = B.y, A.z = 0;");
  // Every FROM line becomes an UPDATE line, also where one follows another.
  EXPECT_EQ(rebuild({kindRow("4"), tableRow("A\r\nFROM \r\nFROM B"), columnRow("1", "", "x")}),
            "UPDATE [A\r\nUPDATE \r\nUPDATE B] SET x = 1;");
}

TEST(QueryKindsTest, DeleteQueries) {
  EXPECT_EQ(rebuild({kindRow("5"), tableRow("Orders"), columnRow("Orders.*"),
                     whereRow("OrderDate<#1/1/2000#")}),
            "DELETE Orders.* \r\nFROM [Orders] \r\nWHERE OrderDate<#1/1/2000#;");
  EXPECT_EQ(rebuild({kindRow("5"), parameterRow("[p]", "4"), tableRow("T"), whereRow("id=[p]")}),
            "PARAMETERS [p] Long;  DELETE*  \r\nFROM [T] \r\nWHERE id=[p];");
}

TEST(QueryKindsTest, AppendQueries) {
  EXPECT_EQ(rebuild({kindRow("3", "Archive"), tableRow("Orders"), columnRow("Orders.Id", "", "Id"),
                     columnRow("Orders.Name", "", "Name")}),
            "INSERT INTO [Archive]([Id], [Name]) SELECT Orders.Id, Orders.Name \r\nFROM [Orders];");
  EXPECT_EQ(rebuild({kindRow("3", "Archive"), optionsRow("1"), tableRow("Orders")}),
            "INSERT INTO [Archive] SELECT * \r\nFROM [Orders];");
  // A one-letter target column is written; parameters declared before or after the kind
  // row stay in front of the INSERT.
  EXPECT_EQ(rebuild({parameterRow("[p]", "10"), kindRow("3", "T"), parameterRow("[q]", "3"),
                     columnRow("[p]", "", "a"), columnRow("[q]", "", "bb")}),
            "PARAMETERS [p] Text, [q] Short;  INSERT INTO [T]([a], [bb]) SELECT [p], [q];");
  EXPECT_EQ(rebuild({kindRow("3", "Log"), columnRow("'x'", "", "Msg", "32768")}),
            "INSERT INTO [Log]([Msg])    VALUES ('x') ;");
  EXPECT_EQ(rebuild({kindRow("3", "Log"), columnRow("'SELECT it'", "", "Msg", "-32768"),
                     columnRow("1", "", "N", "-32768")}),
            "INSERT INTO [Log]([Msg], [N])    VALUES ('SELECT it', 1) ;");
}

TEST(QueryKindsTest, MakeTableQueries) {
  EXPECT_EQ(rebuild({kindRow("2", "Copy"), tableRow("Orders"), columnRow("Orders.Id")}),
            "SELECT Orders.Id INTO [Copy] \r\nFROM [Orders];");
  EXPECT_EQ(rebuild({kindRow("2", "Copy"), optionsRow("1"), tableRow("Orders")}),
            "SELECT * INTO [Copy] \r\nFROM [Orders];");
}

TEST(QueryKindsTest, CrosstabQueries) {
  const auto crosstab = [](const QueryDefinitionRow& first, const std::string& valueAlias,
                           const std::string& pivot) {
    return rebuild({first, kindRow("6"), tableRow("Sales"), columnRow("Sum(Qty)", valueAlias),
                    columnRow("Product"), columnRow(pivot, "", "", "1"), groupByRow("Product"),
                    groupByRow(pivot, "1")});
  };
  EXPECT_EQ(rebuild({kindRow("6"), tableRow("Sales"), columnRow("Sum(Qty)", "SumOfQty"),
                     columnRow("Product"), columnRow("Region", "", "", "1"), groupByRow("Product"),
                     groupByRow("Region", "1")}),
            "TRANSFORM Sum(Qty) AS SumOfQty  SELECT Product \r\nFROM [Sales] \r\n"
            "GROUP BY Product PIVOT Region;");
  // A parameter before the kind row is kept; a short value alias and pivot are written.
  EXPECT_EQ(crosstab(parameterRow("[p]", "4"), "Sq", "[R]"),
            "PARAMETERS [p] Long;  TRANSFORM Sum(Qty) AS Sq  SELECT Product \r\nFROM [Sales] \r\n"
            "GROUP BY Product PIVOT [R];");
}

TEST(QueryKindsTest, UnionQueries) {
  const auto a = unionPartRow("SELECT a FROM x", "X7YZ_____1");
  const auto b = unionPartRow("SELECT a FROM y", "X7YZ_____2");
  const auto c = unionPartRow("SELECT a FROM z", "X7YZ_____3");
  EXPECT_EQ(rebuild({a, b}), "SELECT a FROM x UNION SELECT a FROM y ;");
  EXPECT_EQ(rebuild({a}), "SELECT a FROM x ;");
  EXPECT_EQ(rebuild({kindRow("9"), optionsRow("3"), a, b, c, orderByRow("a")}),
            "SELECT a FROM x UNION SELECT a FROM y UNION SELECT a FROM z  \r\nORDER BY a;");
  EXPECT_EQ(rebuild({a, kindRow("9"), b, optionsRow("1"), c}),
            "SELECT a FROM x UNION ALL SELECT a FROM y UNION ALL SELECT a FROM z ;");
}

TEST(QueryKindsTest, StoredStatements) {
  EXPECT_EQ(rebuild({kindRow("7", "", "CREATE TABLE T (A TEXT)")}), "CREATE TABLE T (A TEXT);");
  EXPECT_EQ(rebuild({kindRow("7", "", "CREATE TABLE T (A TEXT);\r\n")}),
            "CREATE TABLE T (A TEXT);\r\n");
  QueryBuilder passThrough;
  passThrough.addRow(kindRow("8", "ODBC;DSN=x", "ALTER TABLE T DROP COLUMN c"));
  EXPECT_EQ(passThrough.compose(), "ALTER TABLE T DROP COLUMN c;");
  EXPECT_EQ(passThrough.connectString(), "ODBC;DSN=x");
  QueryBuilder dataDefinition;
  dataDefinition.addRow(kindRow("7", "", " CREATE TABLE T (A TEXT)"));
  EXPECT_EQ(dataDefinition.compose(), " CREATE TABLE T (A TEXT);") << "stored as it stands";
  EXPECT_EQ(dataDefinition.connectString(), std::nullopt);
  for (const char* selection : {"1", "9", "42", ""}) {
    EXPECT_EQ(rebuild({kindRow(selection), tableRow("T"), columnRow("a")}),
              "SELECT a \r\nFROM [T];");
  }
}

TEST(QueryKindsTest, ParameterDeclarations) {
  // A name in quotes would be a string to Jet: brackets where the name needs them.
  EXPECT_EQ(rebuild({parameterRow("Start", "8"), parameterRow("User Name", "10"),
                     parameterRow("_Rate2", "5"), parameterRow("2nd", "4"), tableRow("Orders"),
                     columnRow("Orders.Id"), whereRow("OrderDate>Start")}),
            "PARAMETERS Start DateTime, [User Name] Text, _Rate2 currency, [2nd] Long;  SELECT "
            "Orders.Id \r\nFROM [Orders] \r\nWHERE OrderDate>Start;");
  const std::vector<std::pair<std::string, std::string>> types{
      {"0", "Value"},  {"1", "Bit"},         {"2", "Byte"},       {"3", "Short"},
      {"4", "Long"},   {"6", "IEEESingle"},  {"7", "IEEEDouble"}, {"9", "Binary"},
      {"10", "Text"},  {"11", "LongBinary"}, {"12", "Memo"},      {"15", "Guid"},
      {"13", "Value"}, {"", "Value"}};
  for (const auto& [code, name] : types) {
    EXPECT_EQ(rebuild({parameterRow("[p]", code), columnRow("[p]")}),
              "PARAMETERS [p] " + name + ";  SELECT [p];")
        << code;
  }
}

}  // namespace
}  // namespace vantrel::test
