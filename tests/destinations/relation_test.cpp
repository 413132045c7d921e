#include <gtest/gtest.h>

#include "destinations/sqlite/dao_recordset.h"
#include "tests/destinations/destination_file.h"

namespace vantrel::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class RelationTest : public DestinationTest {
 protected:
  RelationTest() {
    execute({"CREATE TABLE [Customers]([Region] TEXT(2));",
             "ALTER TABLE [Customers] ADD [Number] LONG;",
             "ALTER TABLE [Customers] ADD Constraint [PK_Customers] PRIMARY KEY ([Region], "
             "[Number]);",
             "CREATE TABLE [Orders]([Id] LONG);", "ALTER TABLE [Orders] ADD [CustRegion] TEXT(2);",
             "ALTER TABLE [Orders] ADD [CustNumber] LONG;",
             "CREATE INDEX MyIndex1 ON [Orders]([CustRegion])"});
    insert("Customers", {{"EU", "1"}, {"US", "1"}});
    insert("Orders", {{"10", "EU", "1"}, {"11", "US", "1"}, {"12", "", "7"}});
  }

  void insert(const std::string& table, const std::vector<std::vector<std::string>>& values) {
    CDaoRecordset recordset(database);
    recordset.Open("SELECT * FROM [" + table + "]");
    const std::vector<std::string> columns =
        table == "Customers" ? std::vector<std::string>{"Region", "Number"}
                             : std::vector<std::string>{"Id", "CustRegion", "CustNumber"};
    for (const auto& row : values) {
      recordset.AddNew();
      for (size_t i = 0; i < row.size(); ++i)
        recordset.SetFieldValue(columns[i], row[i]);
      recordset.Update();
    }
    recordset.Close();
  }

  const std::vector<RelationFieldPair> pairs{{"Region", "CustRegion"}, {"Number", "CustNumber"}};
};

TEST_F(RelationTest, EnforcedRelationOverTwoFieldsBecomesAForeignKey) {
  database.CreateRelation("CustomersOrders", "Customers", "Orders", 256 | 4096, pairs);
  database.Close();
  EXPECT_EQ(rows("SELECT \"table\", \"from\", \"to\", on_update, on_delete"
                 " FROM pragma_foreign_key_list('Orders') ORDER BY seq"),
            (Rows{{"Customers", "CustRegion", "Region", "CASCADE", "CASCADE"},
                  {"Customers", "CustNumber", "Number", "CASCADE", "CASCADE"}}));
  EXPECT_EQ(
      rows("SELECT name, primary_table, foreign_table, attributes, enforced, field_position,"
           " primary_field, foreign_field FROM MSysVantrelRelations ORDER BY field_position"),
      (Rows{{"CustomersOrders", "Customers", "Orders", "4352", "1", "0", "Region", "CustRegion"},
            {"CustomersOrders", "Customers", "Orders", "4352", "1", "1", "Number", "CustNumber"}}));
  EXPECT_EQ(value("SELECT count(*) FROM Orders"), "3") << "the rebuild keeps the rows";
  EXPECT_EQ(value("SELECT count(*) FROM pragma_index_list('Orders')"), "1");
  EXPECT_EQ(value("SELECT count(*) FROM pragma_foreign_key_check"), "0");
}

TEST_F(RelationTest, RowsThatBreakItAreRefusedThenTheRelationIsCreatedNotEnforced) {
  insert("Orders", {{"13", "XX", "1"}});
  try {
    database.CreateRelation("CustomersOrders", "Customers", "Orders", 0, pairs);
    ADD_FAILURE() << "an order without its customer was accepted";
  } catch (const CDaoException& error) {
    EXPECT_NE(std::string(error.what()).find("1 rows of table [Orders]"), std::string::npos);
  }
  database.CreateRelation("CustomersOrders", "Customers", "Orders", 2, pairs);
  database.Close();
  EXPECT_EQ(value("SELECT count(*) FROM pragma_foreign_key_list('Orders')"), "0");
  EXPECT_EQ(rows("SELECT attributes, enforced FROM MSysVantrelRelations"),
            (Rows{{"2", "0"}, {"2", "0"}}));
}

TEST_F(RelationTest, RebuildingATableOthersReferToKeepsTheirForeignKeys) {
  execute(
      {"ALTER TABLE [Orders] ADD PRIMARY KEY ([Id]);", "CREATE TABLE [Lines]([OrderId] LONG);"});
  database.CreateRelation("OrdersLines", "Orders", "Lines", 4096, "Id", "OrderId");
  database.CreateRelation("CustomersOrders", "Customers", "Orders", 0, pairs);  // rebuilds Orders
  // A table that refers to itself.
  execute({"CREATE TABLE [Staff]([Id] LONG);", "ALTER TABLE [Staff] ADD PRIMARY KEY ([Id]);",
           "ALTER TABLE [Staff] ADD [Boss] LONG;"});
  CDaoRecordset staff(database);
  staff.Open("SELECT * FROM [Staff]");
  for (const auto& [id, boss] : {std::pair{"1", ""}, std::pair{"2", "1"}}) {
    staff.AddNew();
    staff.SetFieldValue("Id", id);
    staff.SetFieldValue("Boss", boss);
    staff.Update();
  }
  staff.Close();
  database.CreateRelation("StaffStaff", "Staff", "Staff", 0, "Id", "Boss");
  database.Close();
  EXPECT_EQ(rows("SELECT \"table\", \"from\", on_delete FROM pragma_foreign_key_list('Lines')"),
            (Rows{{"Orders", "OrderId", "CASCADE"}}));
  EXPECT_EQ(value("SELECT DISTINCT \"table\" FROM pragma_foreign_key_list('Orders')"), "Customers");
  EXPECT_EQ(value("SELECT \"table\" || \"from\" FROM pragma_foreign_key_list('Staff')"),
            "StaffBoss");
  EXPECT_EQ(value("SELECT count(*) FROM Orders") + value("SELECT count(*) FROM Staff"), "32");
  EXPECT_EQ(value("SELECT count(*) FROM sqlite_schema WHERE name LIKE 'MSysVantrelRebuild%'"), "0");
}

TEST_F(RelationTest, RefusalsLeaveNothingBehind) {
  const auto fails = [&](std::string_view name, std::string_view table,
                         std::string_view foreignTable, long attributes,
                         std::vector<RelationFieldPair> fields) {
    EXPECT_THROW(database.CreateRelation(name, table, foreignTable, attributes, fields),
                 CDaoException)
        << name;
  };
  fails("", "Customers", "Orders", 2, pairs);
  fails("R", "Missing", "Orders", 2, pairs);
  fails("R", "Customers", "Orders", 2, {{"Region", "Nope"}});
  fails("R", "Customers", "Orders", 2, {{"Region", ""}});
  fails("R", "Customers", "Orders", 2, {});
  fails("R", "Customers", "Orders", 0, {{"Region", "CustRegion"}});  // not the whole key
  fails("R", "Orders", "Customers", 0, {{"Id", "Number"}});          // Orders has no key
  database.CreateRelation("R", "Customers", "Orders", 2, "Region", "CustRegion");
  fails("r", "Customers", "Orders", 2, pairs);
  database.Close();
  EXPECT_EQ(value("SELECT group_concat(name) FROM MSysVantrelRelations"), "R");
  EXPECT_EQ(value("SELECT count(*) FROM pragma_foreign_key_list('Orders')"), "0");
}

}  // namespace
}  // namespace vantrel::test
