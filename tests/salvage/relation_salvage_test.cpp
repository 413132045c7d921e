#include "salvage/relation_salvage.h"

#include <gtest/gtest.h>

#include "app/analysis_handler.h"
#include "app/saving_handler.h"
#include "destinations/sqlite/dao_recordset.h"
#include "run/walk_end.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::RowImage;
using test::TableFixture;
using test::TdefColumn;
using Rows = std::vector<std::vector<std::string>>;

// One row of the relations table.
struct RelationRow {
  std::string name, foreignTable, foreignField, primaryTable, primaryField;
  int32_t attributes = 0;
  int32_t position = 0;
  int32_t count = 1;
};

// The relations table on page 5 as each version stores it: Jet 4 with its column entries in
// alphabetical order, Jet 3 in its natural order.
TableFixture relationsTable(int version, const std::vector<RelationRow>& rows) {
  const std::vector<std::string> jet4Order{"ccolumn",
                                           "grbit",
                                           "icolumn",
                                           "szColumn",
                                           "szObject",
                                           "szReferencedColumn",
                                           "szReferencedObject",
                                           "szRelationship"};
  const std::vector<std::string> jet3Order{"szRelationship",
                                           "grbit",
                                           "ccolumn",
                                           "icolumn",
                                           "szObject",
                                           "szColumn",
                                           "szReferencedObject",
                                           "szReferencedColumn"};
  const auto& order = version == 1 ? jet4Order : jet3Order;
  // Fixed columns get their offsets in this order; text columns their variable slots.
  std::vector<TdefColumn> columns;
  int fixedOffset = 0;
  int varIndex = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    const bool text = order[i].rfind("sz", 0) == 0;
    columns.push_back({.name = order[i],
                       .type = text ? 10 : 4,
                       .size = text ? 255 : 4,
                       .fixed = !text,
                       .number = static_cast<int>(i),
                       .varIndex = text ? varIndex++ : 0,
                       .fixedOffset = text ? 0 : fixedOffset});
    if (!text) fixedOffset += 4;
  }
  TableFixture t(version, columns);
  t.tdefPage = 5;
  t.spec.rowCount = static_cast<int64_t>(rows.size());
  std::vector<test::RowSpec> specs;
  for (const RelationRow& row : rows) {
    RowImage image{.columnCount = static_cast<int>(columns.size())};
    for (size_t i = 0; i < columns.size(); ++i) {
      const std::string& name = columns[i].name;
      image.presentColumns.push_back(static_cast<int>(i));
      if (columns[i].fixed) {
        const int32_t value = name == "grbit"     ? row.attributes
                              : name == "icolumn" ? row.position
                                                  : row.count;
        const auto bytes = test::le32(static_cast<uint32_t>(value));
        image.fixedArea.insert(image.fixedArea.end(), bytes.begin(), bytes.end());
        continue;
      }
      const std::string& text = name == "szRelationship"       ? row.name
                                : name == "szObject"           ? row.foreignTable
                                : name == "szColumn"           ? row.foreignField
                                : name == "szReferencedObject" ? row.primaryTable
                                                               : row.primaryField;
      image.variableFields.push_back(version == 1
                                         ? test::utf16Le(std::u16string(text.begin(), text.end()))
                                         : test::bytesOf(text));
    }
    specs.push_back({t.row(image)});
  }
  t.setUsageMap(test::inlineUsageMap(8, {8}));
  t.addDataPage(8, specs);
  return t;
}

class RelationSalvageTest : public ::testing::TestWithParam<int> {
 protected:
  RelationSalvageTest() {
    destination.Create(dir / "out.sqlite");
    for (const char* statement :
         {"CREATE TABLE [Customers]([Id] LONG);", "ALTER TABLE [Customers] ADD PRIMARY KEY ([Id]);",
          "CREATE TABLE [Orders]([Id] LONG);", "ALTER TABLE [Orders] ADD [Customer] LONG;",
          "ALTER TABLE [Orders] ADD [A] LONG;", "ALTER TABLE [Orders] ADD [B] LONG;",
          "CREATE TABLE [Pairs]([A] LONG);", "ALTER TABLE [Pairs] ADD [B] LONG;",
          "ALTER TABLE [Pairs] ADD Constraint [PK_Pairs] PRIMARY KEY ([A], [B]);"}) {
      destination.Execute(statement);
    }
    // An order whose customer does not exist: an enforced relation is refused.
    CDaoRecordset orders(destination);
    orders.Open("SELECT * FROM [Orders]");
    orders.AddNew();
    orders.SetFieldValue("Id", "1");
    orders.SetFieldValue("Customer", "99");
    orders.Update();
    orders.Close();
  }

  // The relations saved into the destination, or listed by the analysis.
  WalkEnd salvage(TableFixture& t, bool saving) {
    auto db = t.open(&run);
    if (!saving) return AnalysisHandler(summary).onRelations(*db);
    SalvageContext context{run, nullptr, &destination};
    return SavingHandler(context).onRelations(*db);
  }

  Rows savedRelations() {
    destination.Close();
    test::SqliteFile file(dir / "out.sqlite");
    return file.query(
        "SELECT name, primary_table, foreign_table, attributes, enforced, field_position,"
        " primary_field, foreign_field FROM MSysVantrelRelations ORDER BY name, field_position");
  }

  test::TempDir dir;
  SilentRunHooks hooks;
  RunState run{hooks};
  CatalogSummary summary;
  CDaoDatabase destination;
};

const std::vector<RelationRow> kRows{
    // Two rows of one relation over two fields, stored out of order.
    {"PairsOrders", "Orders", "B", "Pairs", "B", 2, 1, 2},
    {"PairsOrders", "Orders", "A", "Pairs", "A", 2, 0, 2},
    // Enforced, but an order names a missing customer.
    {"CustomersOrders", "Orders", "Customer", "Customers", "Id", 256, 0, 1},
    // A table that does not exist: refused twice.
    {"Ghost", "Nowhere", "X", "Customers", "Id", 0, 0, 1},
};

TEST_P(RelationSalvageTest, GathersFieldPairsAndRetriesUnenforced) {
  TableFixture t = relationsTable(GetParam(), kRows);
  EXPECT_EQ(salvage(t, true), WalkEnd::kFinished);
  EXPECT_EQ(savedRelations(),
            (Rows{{"CustomersOrders", "Customers", "Orders", "2", "0", "0", "Id", "Customer"},
                  {"PairsOrders", "Pairs", "Orders", "2", "0", "0", "A", "A"},
                  {"PairsOrders", "Pairs", "Orders", "2", "0", "1", "B", "B"}}));
}

TEST_P(RelationSalvageTest, AnalysisListsOneEntryPerRelation) {
  TableFixture t = relationsTable(GetParam(), kRows);
  EXPECT_EQ(salvage(t, false), WalkEnd::kFinished);
  ASSERT_EQ(summary.relations.size(), 3u);
  const auto& pairs = summary.relations[0];
  EXPECT_EQ(pairs.name, "PairsOrders");
  EXPECT_EQ(pairs.firstTable, "Pairs");
  EXPECT_EQ(pairs.secondTable, "Orders");
  EXPECT_EQ(pairs.firstField, "A, B");
  EXPECT_EQ(pairs.secondField, "A, B");
  EXPECT_EQ(summary.relations[2].name, "Ghost");
}

TEST_P(RelationSalvageTest, EnforcedRelationThatHoldsKeepsItsAttributes) {
  // Customers must exist for every order: add the missing one first.
  CDaoRecordset customers(destination);
  customers.Open("SELECT * FROM [Customers]");
  customers.AddNew();
  customers.SetFieldValue("Id", "99");
  customers.Update();
  customers.Close();
  TableFixture t = relationsTable(GetParam(), {kRows[2]});
  EXPECT_EQ(salvage(t, true), WalkEnd::kFinished);
  const std::string firstName = GetParam() == 1 ? "CustomersOrders" : "CustomersOrders";
  EXPECT_EQ(savedRelations(),
            (Rows{{firstName, "Customers", "Orders", "256", "1", "0", "Id", "Customer"}}));
}

TEST_P(RelationSalvageTest, Jet4NamesARelationByItsTablesFirst) {
  TableFixture t =
      relationsTable(GetParam(), {{"Stored", "Orders", "Customer", "Customers", "Id", 2, 0, 1}});
  EXPECT_EQ(salvage(t, true), WalkEnd::kFinished);
  const auto relations = savedRelations();
  ASSERT_EQ(relations.size(), 1u);
  EXPECT_EQ(relations[0][0], GetParam() == 1 ? "CustomersOrders" : "Stored");
}

TEST_P(RelationSalvageTest, NoRowsMeansNothingToDo) {
  TableFixture t = relationsTable(GetParam(), {});
  EXPECT_EQ(salvage(t, true), WalkEnd::kFinished);
  EXPECT_TRUE(savedRelations().empty());
}

INSTANTIATE_TEST_SUITE_P(BothVersions, RelationSalvageTest, ::testing::Values(0, 1));

}  // namespace
}  // namespace vantrel
