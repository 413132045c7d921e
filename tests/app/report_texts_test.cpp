// The preview's report texts, the tree and what a selection shows.

#include "app/report_texts.h"

#include <gtest/gtest.h>

#include "app/damage_report.h"
#include "app/object_tree.h"
#include "app/report_file.h"
#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

CatalogSummary twoTablesAndElevenQueries() {
  CatalogSummary summary;
  summary.tables = {{3, "Orders", 4, 120}, {9, "Table", 2, 0}};
  for (int i = 1; i <= 11; ++i)
    summary.queryList.push_back({100 + i, "Q" + std::to_string(i)});
  summary.relations = {{"OrdersLines", "Orders", "Lines", "Id, Part", "OrderId, PartId"}};
  return summary;
}

TEST(ReportTextsTest, SummaryHeadingFollowsTheFormat) {
  const CatalogSummary summary = twoTablesAndElevenQueries();
  const std::string counts = "120  Records in 2 Tables \r\n11  Queries \r\n1  Relations \r\n\r\n";
  EXPECT_EQ(summaryReportText(summary, 1, 11, 1), "SUMMARY [Access 2000]\r\n\r\n" + counts);
  EXPECT_EQ(summaryReportText(summary, 0, 11, 1), "SUMMARY [Access 95/97]\r\n\r\n" + counts);
  EXPECT_EQ(summaryReportText(summary, -1, 11, 1), "SUMMARY\r\n\r\n" + counts);
  EXPECT_EQ(summaryReportText(CatalogSummary{}, -1, 0, 0),
            "SUMMARY\r\n\r\n0  Records in 0 Tables \r\n0  Queries \r\n0  Relations \r\n\r\n");
}

TEST(ReportTextsTest, GroupTextsNumberTheirEntries) {
  const CatalogSummary summary = twoTablesAndElevenQueries();
  EXPECT_EQ(tablesReportText(summary),
            "Table \r\n\r\n120 Records in 2 Table(s) \r\n\r\n"
            "1)    Orders:   4 Columns,  120  Recordss \r\n"
            "2)    Table:   2 Columns,  0  Recordss \r\n\r\n\r\n\r\n");
  // Numbers below 10 are followed by four blanks, 10 and above by three.
  const std::string queries = queriesReportText(summary, 11);
  EXPECT_EQ(queries.substr(0, 27), "Total Number of Query :  11");
  EXPECT_NE(queries.find("\r\n9)    Q9\r\n10)   Q10\r\n11)   Q11\r\n\r\n\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(queries.find("1)    Q1\r\n"), 31u);
  EXPECT_EQ(relationsReportText(summary, 1),
            "Total Number of Relations :  1\r\n\r\n1)   OrdersLines\r\n\r\n\r\n\r\n");
  EXPECT_EQ(relationsReportText(CatalogSummary{}, 0),
            "Total Number of Relations :  0\r\n\r\n\r\n\r\n\r\n");
}

TEST(ReportTextsTest, OneQueryHasTheRemarkOnlyAfterMoreThanFiveCharacters) {
  const std::string remark =
      "(*) This is only preview. The data will be saved in a new database.\r\n\r\n";
  EXPECT_EQ(queryReportText("Q", "SELECT"),
            "Query Name :  Q\r\n\r\n\r\nSQL:\r\n\r\nSELECT\r\n\r\n" + remark);
  EXPECT_EQ(queryReportText("Q", "12345"), "Query Name :  Q\r\n\r\n\r\nSQL:\r\n\r\n12345\r\n\r\n");
  EXPECT_EQ(queryReportText("Q", ""), "Query Name :  Q\r\n\r\n\r\nSQL:\r\n\r\n\r\n\r\n");
  // Characters, not bytes: five accented letters are five.
  EXPECT_EQ(queryReportText("Q", "ééééé").find("(*)"), std::string::npos);
  // A pass-through query shows the server it runs on.
  EXPECT_EQ(queryReportText("P", "EXEC sp_who;", "ODBC;DSN=Sales"),
            "Query Name :  P\r\n\r\n\r\nSQL:\r\n\r\nEXEC sp_who;\r\n\r\nConnect:\r\n\r\n"
            "ODBC;DSN=Sales\r\n\r\n" +
                remark);
}

TEST(ReportTextsTest, OneRelationListsEveryFieldPair) {
  const CatalogSummary summary = twoTablesAndElevenQueries();
  EXPECT_EQ(relationReportText(summary.relations[0]),
            "Relation Name :  OrdersLines\r\n\r\n\r\nTables:\r\n\tOrders -> Lines\r\n\r\n"
            "Fields:\r\n\tId, Part -> OrderId, PartId\r\n\r\n\r\n\r\n"
            "(*) This is only preview. The data will be saved in a new database.\r\n\r\n");
}

TEST(ObjectTreeTest, TreeEntriesAndSelections) {
  CatalogSummary summary = twoTablesAndElevenQueries();
  summary.tables.push_back({12, "Orders", 1, 1});
  const ObjectTree tree = objectTreeOf("C:\\\\data\\x.mdb", summary);
  EXPECT_EQ(tree.root, "C:\\data\\x.mdb");
  EXPECT_EQ(tree.tables, (std::vector<std::string>{"Orders", "Table", "Orders"}));
  EXPECT_EQ(tree.queries.size(), 11u);
  EXPECT_EQ(tree.relations, std::vector<std::string>{"OrdersLines"});

  ASSERT_NE(findTableEntry(summary, "Orders"), nullptr);
  EXPECT_EQ(findTableEntry(summary, "Orders")->objectId, 3) << "the first of that name";
  EXPECT_EQ(findTableEntry(summary, "orders"), nullptr) << "names compare exactly";
  EXPECT_EQ(findQueryEntry(summary, "Q10")->objectId, 110);
  EXPECT_EQ(findRelationEntry(summary, "Nope"), nullptr);

  using A = PreviewAction;
  EXPECT_EQ(previewActions("Table", "Table", tree.root),
            (std::vector<A>{A::TablesReport, A::TableRows}));
  EXPECT_EQ(previewActions("Query", tree.root, tree.root), std::vector<A>{A::QueriesReport});
  EXPECT_EQ(previewActions("Q1", "Query", tree.root), std::vector<A>{A::QueryReport});
  EXPECT_EQ(previewActions("OrdersLines", "Relation", tree.root),
            std::vector<A>{A::RelationReport});
  EXPECT_EQ(previewActions(tree.root, "", tree.root), std::vector<A>{A::SummaryReport});
}

// A page counts once however often it is reached, the list stays bounded, the words put what
// was lost first; the preview's "Damage" group is told from a table of that name.
TEST(DamageReportTest, CountsListsAndWords) {
  DamageReport report;
  EXPECT_EQ(damageFoundLine(report), "");
  EXPECT_EQ(damageReportText(report), "");
  for (int i = 0; i < 2; ++i) {
    report.noteDamage({DamageKind::kUnreadablePage, 7, std::nullopt, ""});
    report.noteDamage({DamageKind::kBadRowOffset, 9, 3, "Orders"});
  }
  for (int i = 0; i < 1200; ++i)
    report.noteDamage({DamageKind::kFieldOutsideRow, 9, i, "T"});
  report.noteDamage({DamageKind::kLostCatalog, 2, std::nullopt, ""});
  EXPECT_EQ(report.count(DamageKind::kUnreadablePage), 1);
  EXPECT_EQ(report.listed().size(), DamageReport::kMaxListed);
  EXPECT_EQ(report.leftOut(), 1 + 2 + 1200 + 1 - 1000);
  EXPECT_EQ(damageFoundLine(report),
            "Damage found: catalog unreadable, 1 page unreadable, 2 rows skipped, 1200 rows "
            "partly unreadable");
  EXPECT_EQ(damageItemText(report.listed()[1]), "Page 9, row 3 (Orders): bad row offset");
  EXPECT_TRUE(damageReportText(report).ends_with("\r\n204 more pieces not listed\r\n"));

  using Action = PreviewAction;
  EXPECT_EQ(previewActions("Damage", "C:\\a.mdb", "C:\\a.mdb"),
            std::vector<Action>{Action::DamageReport});
  EXPECT_EQ(previewActions("Page 9: bad row offset", "Damage", "C:\\a.mdb"),
            std::vector<Action>{Action::DamageReport});
  EXPECT_EQ(previewActions("Damage", "Table", "C:\\a.mdb"), std::vector<Action>{Action::TableRows});
}

TEST(ReportFileTest, EachTextGoesIntoAFreshUtf16FileAndTheOldOneIsDeleted) {
  test::TempDir dir;
  std::filesystem::path first;
  {
    ReportFile report(dir.path());
    EXPECT_FALSE(report.path());
    ASSERT_TRUE(report.show("A€\r\n"));
    first = *report.path();
    EXPECT_EQ(first.extension(), ".txt");
    EXPECT_EQ(test::readTextFile(first), std::string("A\0\xAC\x20\r\0\n\0", 8)) << "no BOM";
    ASSERT_TRUE(report.show("B"));
    EXPECT_NE(*report.path(), first);
    EXPECT_FALSE(std::filesystem::exists(first));
    first = *report.path();
  }
  EXPECT_FALSE(std::filesystem::exists(first)) << "the last file goes with the report";
}

}  // namespace
}  // namespace vantrel
