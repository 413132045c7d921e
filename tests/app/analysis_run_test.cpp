// The analysis of one file: tree, counts, summary text, log lines, stop and progress.

#include "app/analysis_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "app/ole_extraction.h"
#include "app/preview_loader.h"
#include "app/report_texts.h"
#include "app/saving_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "display/value_text.h"
#include "reader/catalog_walk.h"
#include "run/walk_end.h"
#include "tests/support/corpus.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

// Records the progress reports; asks to stop when a given table starts.
class ProgressHooks : public SilentRunHooks {
 public:
  void reportProgress(const RunProgress& progress) override {
    reports.push_back(progress);
    if (!progress.table.empty() && progress.table != lastTable) {
      lastTable = progress.table;
      if (++tablesStarted == stopAtTable) run->requestStop();
    }
  }
  RunState* run = nullptr;
  int stopAtTable = 0;
  int tablesStarted = 0;
  std::string lastTable;
  std::vector<RunProgress> reports;
};

// The project's healthy sample: seven tables, fifteen queries, four relations.
std::string sample() {
  return std::string(VANTREL_SOURCE_DIR) + "/samples/sample-jet4.mdb";
}

std::filesystem::path nwind() {
  return *test::corpusDir() / "jet3" / "mdbtools-nwind.mdb";
}

TEST(AnalysisRunTest, ReportTextsOfTheSampleDatabase) {
  test::TempDir dir;
  SilentRunHooks hooks;
  RunState run(hooks);
  const ActivityLog log(dir / "log.txt");
  const AnalysisResult analysis = runAnalysis(sample(), run, &log, nullptr);
  const CatalogSummary& summary = analysis.summary;
  EXPECT_EQ(analysis.reportText,
            "SUMMARY [Access 2000]\r\n\r\n623  Records in 7 Tables \r\n15  Queries \r\n"
            "4  Relations \r\n\r\n");
  EXPECT_EQ(tablesReportText(summary),
            "Table \r\n\r\n623 Records in 7 Table(s) \r\n\r\n"
            "1)    Customers:   11 Columns,  5  Recordss \r\n"
            "2)    Products:   12 Columns,  4  Recordss \r\n"
            "3)    Orders:   6 Columns,  5  Recordss \r\n"
            "4)    Order Details:   5 Columns,  7  Recordss \r\n"
            "5)    Returns:   4 Columns,  2  Recordss \r\n"
            "6)    Readings:   5 Columns,  600  Recordss \r\n"
            "7)    OrdersArchive:   3 Columns,  0  Recordss \r\n\r\n\r\n\r\n");
  EXPECT_EQ(queriesReportText(summary, analysis.previewQueryCount),
            "Total Number of Query :  15\r\n\r\n"
            "1)    Customer Orders\r\n2)    Freight by Country\r\n3)    Top Products\r\n"
            "4)    Distinct Countries\r\n5)    Order Lines\r\n6)    All Orders\r\n"
            "7)    Orders Between\r\n8)    Raise Prices\r\n9)    Remove Old Orders\r\n"
            "10)   Archive Orders\r\n11)   Log Archive Run\r\n12)   Copy Customers\r\n"
            "13)   Freight Crosstab\r\n14)   All Names\r\n15)   Create Log\r\n\r\n\r\n\r\n");
  EXPECT_EQ(relationsReportText(summary, analysis.previewRelationCount),
            "Total Number of Relations :  4\r\n\r\n1)   CustomersOrders\r\n"
            "2)   OrdersOrder Details\r\n3)   ProductsOrder Details\r\n"
            "4)   Order DetailsReturns\r\n\r\n\r\n\r\n");
  const auto* twoFields = findRelationEntry(summary, "Order DetailsReturns");
  ASSERT_NE(twoFields, nullptr);
  EXPECT_EQ(relationReportText(*twoFields),
            "Relation Name :  Order DetailsReturns\r\n\r\n\r\nTables:\r\n"
            "\tOrder Details -> Returns\r\n\r\nFields:\r\n"
            "\tOrderID, ProductID -> OrderID, ProductID\r\n\r\n\r\n\r\n"
            "(*) This is only preview. The data will be saved in a new database.\r\n\r\n");
  EXPECT_EQ(test::readTextFile(log.path()),
            "\n\nSelected File For Repairing :   " + sample() +
                "\nTotal Tables :                   7\nTotal Records :                  623"
                "\n\nTable Name : Customers\n11 Columns, 5 Records\n\n"
                "Table Name : Products\n12 Columns, 4 Records\n\n"
                "Table Name : Orders\n6 Columns, 5 Records\n\n"
                "Table Name : Order Details\n5 Columns, 7 Records\n\n"
                "Table Name : Returns\n4 Columns, 2 Records\n\n"
                "Table Name : Readings\n5 Columns, 600 Records\n\n"
                "Table Name : OrdersArchive\n3 Columns, 0 Records\n\n\n");
}

// The preview's row list as it shows the rows it receives.
class RowList : public TableRowVisitor {
 public:
  void columns(std::span<const ColumnDefinition> columns) override {
    for (const ColumnDefinition& column : columns)
      headings.push_back(column.name);
  }
  bool row(std::span<const ColumnDefinition> columns, std::span<const FieldValue> fields) override {
    rows.emplace_back();
    for (size_t i = 0; i < columns.size(); ++i)
      rows.back().push_back(previewText(columns[i], fields[i]));
    return true;
  }
  std::vector<std::string> headings;
  std::vector<std::vector<std::string>> rows;
};

TEST(PreviewLoaderTest, OneTablesRowsAndOneQuerysWrappedText) {
  SilentRunHooks silent;
  RunState run(silent);
  RowList hooks;
  const AnalysisResult analysis = runAnalysis(sample(), run, nullptr, nullptr);
  const auto* customers = findTableEntry(analysis.summary, "Customers");
  ASSERT_NE(customers, nullptr);
  EXPECT_EQ(loadPreviewTable(run, sample(), customers->objectId, customers->name, hooks),
            WalkEnd::kFinished);
  EXPECT_EQ(run.runPhase.load(), RunPhase::kNone);
  ASSERT_EQ(hooks.headings.size(), 11u);
  EXPECT_EQ(hooks.headings[6], "Balance");
  ASSERT_EQ(hooks.rows.size(), 5u);
  EXPECT_EQ(hooks.rows[0][1], "Alfreds Futterkiste");
  EXPECT_EQ(hooks.rows[0][6], localeCurrencySymbol() + "1250.5000");

  const auto* top = findQueryEntry(analysis.summary, "Top Products");
  ASSERT_NE(top, nullptr);
  const QueryText wrapped = loadPreviewQuery(run, sample(), top->objectId, top->name);
  EXPECT_EQ(wrapped.sqlText,
            "SELECT TOP 3 Products.Name, Products.Price \r\nFROM [Products] \r\n"
            "ORDER BY Products.Price DESC;\r\n\r\n");
  EXPECT_EQ(rebuildQueryText(run, sample(), top->objectId, top->name).sqlText,
            "SELECT TOP 3 Products.Name, Products.Price \r\nFROM [Products] \r\n"
            "ORDER BY Products.Price DESC;");
  const auto missing = loadPreviewTable(run, sample() + ".missing", 3, "Customers", hooks);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(), OpenFailure::kMissing);
}

// Access 2007 complex columns show what they hold: the names of the files, the values, the
// count of versions; an attached file is looked at as an OLE Object value is.
TEST(PreviewLoaderTest, ComplexColumnsShowTheirFilesAndValues) {
  VANTREL_REQUIRE_CORPUS();
  const auto files = test::aceFiles();
  const auto named = [&](std::string_view stem) {
    const auto found = std::ranges::find(files, stem, &test::CorpusFile::stem);
    return found == files.end() ? std::string() : found->path.string();
  };
  const std::string attachments = named("mdbreader-V2016-attachments");
  const std::string complex = named("jackcess-complexDataTestV2007");
  if (attachments.empty() || complex.empty()) GTEST_SKIP() << "the corpus has no ace/ folder";
  SilentRunHooks silent;
  RunState run(silent);
  const AnalysisResult analysis = runAnalysis(attachments, run, nullptr, nullptr);
  const auto* table = findTableEntry(analysis.summary, "Table1");
  ASSERT_NE(table, nullptr);
  RowList list;
  ASSERT_TRUE(loadPreviewTable(run, attachments, table->objectId, table->name, list));
  EXPECT_EQ(list.rows,
            (std::vector<std::vector<std::string>>{
                {"1", "0 Attachments", ""},
                {"2", "1 Attachment", "attachment1.txt"},
                {"3", "3 Attachments", "attachment1.txt; attachment2.txt; attachment3.txt"}}));
  const auto file = readOlePayload(run, attachments, table->objectId, table->name, 2, 2);
  ASSERT_TRUE(file && *file);
  EXPECT_EQ((*file)->fileName, "attachment1.txt");
  EXPECT_EQ(std::string((*file)->bytes.begin(), (*file)->bytes.end()), "Attachment 1");
  EXPECT_EQ(olePayloadText(**file), "An attached file \"attachment1.txt\" (.txt), 12 bytes.");
  const auto none = readOlePayload(run, attachments, table->objectId, table->name, 0, 2);
  ASSERT_TRUE(none);
  EXPECT_FALSE(*none);

  const AnalysisResult second = runAnalysis(complex, run, nullptr, nullptr);
  table = findTableEntry(second.summary, "Table1");
  ASSERT_NE(table, nullptr);
  RowList values;
  ASSERT_TRUE(loadPreviewTable(run, complex, table->objectId, table->name, values));
  ASSERT_EQ(values.rows.size(), 4u);
  EXPECT_EQ(values.rows[2],
            (std::vector<std::string>{"row3", "3 versions", "row3-memo", "row3-memo-again",
                                      "value1; value2; value3; value4", ""}));
}

TEST(AnalysisRunTest, TreeSummaryAndLogLinesOfADatabase) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  ProgressHooks hooks;
  RunState run(hooks);
  const ActivityLog log(dir / "log.txt");
  ReportFile report(dir.path());
  const AnalysisResult analysis = runAnalysis(nwind().string(), run, &log, &report);

  EXPECT_TRUE(analysis.opened);
  EXPECT_EQ(analysis.end, WalkEnd::kFinished);
  EXPECT_EQ(analysis.formatVersion, 0);
  EXPECT_EQ(analysis.tree.root, nwind().string());
  EXPECT_EQ(analysis.tree.tables,
            (std::vector<std::string>{"Order Details", "Orders", "Products", "Shippers",
                                      "Categories", "Customers", "Employees", "Suppliers"}));
  EXPECT_EQ(analysis.previewQueryCount, 22);
  EXPECT_EQ(analysis.previewRelationCount, 7);
  EXPECT_EQ(analysis.tree.relations.front(), "CategoriesProducts");
  EXPECT_EQ(analysis.reportText,
            "SUMMARY [Access 95/97]\r\n\r\n3202  Records in 8 Tables \r\n22  Queries \r\n"
            "7  Relations \r\n\r\n");
  ASSERT_TRUE(report.path());
  EXPECT_EQ(test::readTextFile(*report.path()).size(), analysis.reportText.size() * 2);

  std::string expectedLog = "\n\nSelected File For Repairing :   " + nwind().string() +
                            "\nTotal Tables :                   8"
                            "\nTotal Records :                  3202\n\n";
  for (const auto& table : analysis.summary.tables) {
    expectedLog += "Table Name : " + table.name + "\n" + std::to_string(table.columnCount) +
                   " Columns, " + std::to_string(table.recordCount) + " Records\n\n";
  }
  expectedLog += "\n";
  EXPECT_EQ(test::readTextFile(log.path()), expectedLog);
  EXPECT_NE(expectedLog.find("Table Name : Shippers\n3 Columns, 3 Records\n"), std::string::npos);

  // Real progress: one file, each table named, pages read growing up to the page count.
  ASSERT_FALSE(hooks.reports.empty());
  int64_t pages = 0;
  for (const RunProgress& progress : hooks.reports) {
    EXPECT_EQ(progress.fileNumber, 1);
    EXPECT_EQ(progress.fileCount, 1);
    EXPECT_GE(progress.pagesRead, pages);
    EXPECT_LE(progress.pagesRead, progress.pageCount);
    pages = progress.pagesRead;
  }
  EXPECT_EQ(hooks.tablesStarted, 8);
  EXPECT_GT(pages, 100);
}

TEST(AnalysisRunTest, AFileThatCannotBeOpenedGivesZeroCountsAndItsLogLines) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  SilentRunHooks hooks;
  RunState run(hooks);
  const ActivityLog log(dir / "log.txt");
  // A database analysed before must not lend its format to the next file.
  ASSERT_TRUE(runAnalysis(nwind().string(), run, nullptr, nullptr).opened);
  const auto garbage = dir / "short.mdb";
  std::ofstream(garbage) << "not a database";
  for (const auto& path : {garbage, dir / "missing.mdb"}) {
    const AnalysisResult analysis = runAnalysis(path.string(), run, &log, nullptr);
    EXPECT_FALSE(analysis.opened);
    EXPECT_TRUE(analysis.tree.tables.empty() && analysis.tree.queries.empty() &&
                analysis.tree.relations.empty());
    // The report pane gives the reason, not an empty summary.
    EXPECT_EQ(analysis.reportText, analysis.problem + "\r\n");
    EXPECT_TRUE(analysis.problem.starts_with("Cannot open " + path.string() + ": "));
  }
  // Each says why it could not be opened.
  EXPECT_EQ(test::readTextFile(log.path()),
            "\n\nSelected File For Repairing :   " + garbage.string() +
                "\nTotal Tables :                   0\nTotal Records :                  0"
                "\n\n\nCannot open " +
                garbage.string() +
                ": the file is too short to be an Access database\n\n"
                "\n\nSelected File For Repairing :   " +
                (dir / "missing.mdb").string() +
                "\nTotal Tables :                   0\nTotal Records :                  0"
                "\n\n\nCannot open " +
                (dir / "missing.mdb").string() + ": the file does not exist\n\n");
}

TEST(AnalysisRunTest, AfterTheDamagedCatalogScanTheRelationsSavingRecreatesAreListed) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  std::ifstream in(nwind(), std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::fill_n(bytes.begin() + 2 * 2048, 2048, '\0');  // the catalog's definition page
  const auto damaged = dir / "nwind.mdb";
  std::ofstream(damaged, std::ios::binary) << bytes;

  SilentRunHooks hooks;
  RunState run(hooks);
  const AnalysisResult analysis = runAnalysis(damaged.string(), run, nullptr, nullptr);
  EXPECT_EQ(analysis.previewRelationCount, 7);
  ASSERT_FALSE(analysis.tree.relations.empty());
  EXPECT_EQ(analysis.tree.relations.front(), "CategoriesProducts");

  CatalogSummary unused;
  CDaoDatabase destination;
  destination.Create(dir / "saved.sqlite");
  SalvageContext context{run, nullptr, &destination};
  SavingHandler handler(context);
  EXPECT_EQ(walkFile(damaged, handler, run), WalkEnd::kFinished);
  destination.Close();
  EXPECT_EQ(test::SqliteFile(dir / "saved.sqlite")
                .scalar("SELECT count(DISTINCT name) FROM MSysVantrelRelations"),
            "7");
}

TEST(AnalysisRunTest, AStopKeepsTheObjectsListedSoFar) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  ProgressHooks hooks;
  RunState run(hooks);
  hooks.run = &run;
  hooks.stopAtTable = 3;
  const ActivityLog log(dir / "log.txt");
  const AnalysisResult analysis = runAnalysis(nwind().string(), run, &log, nullptr);
  EXPECT_EQ(analysis.end, WalkEnd::kStopped);
  // The table being read when the stop came is not listed; the two before it are.
  EXPECT_EQ(analysis.tree.tables, (std::vector<std::string>{"Order Details", "Orders"}));
  EXPECT_EQ(analysis.reportText.substr(0, analysis.reportText.find("\r\n", 78)),
            "Analysis stopped: what was found before the stop\r\n\r\n"
            "SUMMARY [Access 95/97]\r\n\r\n2985  Records in 2 Tables ");
  EXPECT_NE(test::readTextFile(log.path()).find("Total Tables :                   2\n"),
            std::string::npos);
  EXPECT_EQ(run.stopRequested.load(), 0);
}

}  // namespace
}  // namespace vantrel
