// The analysis of one file: tree, counts, summary text, log lines, stop and progress.

#include "app/analysis_run.h"

#include <gtest/gtest.h>

#include <fstream>

#include "reader/result_codes.h"
#include "tests/support/corpus.h"
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

std::filesystem::path nwind() {
  return *test::corpusDir() / "jet3" / "mdbtools-nwind.mdb";
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
  EXPECT_EQ(analysis.result, kResultDone);
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

  std::string expectedLog = "\r\n\r\nSelected File For Repairing :   " + nwind().string() +
                            "\r\nTotal Tables :                   8"
                            "\r\nTotal Records :                  3202\r\n\r\n";
  for (const auto& table : analysis.summary.tables) {
    expectedLog += "Table Name : " + table.name + "\r\n" + std::to_string(table.columnCount) +
                   " Columns, " + std::to_string(table.recordCount) + " Records\r\n\r\n";
  }
  expectedLog += "\r\n";
  EXPECT_EQ(test::readTextFile(log.path()), expectedLog);
  EXPECT_NE(expectedLog.find("Table Name : Shippers\r\n3 Columns, 3 Records\r\n"),
            std::string::npos);

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
    EXPECT_EQ(analysis.result, 0);
    EXPECT_TRUE(analysis.tree.tables.empty() && analysis.tree.queries.empty() &&
                analysis.tree.relations.empty());
    EXPECT_EQ(analysis.reportText,
              "SUMMARY\r\n\r\n0  Records in 0 Tables \r\n0  Queries \r\n0  Relations \r\n\r\n");
  }
  EXPECT_EQ(test::readTextFile(log.path()),
            "\r\n\r\nSelected File For Repairing :   " + garbage.string() +
                "\r\nTotal Tables :                   0\r\nTotal Records :                  0"
                "\r\n\r\n\r\n"
                "\r\n\r\nSelected File For Repairing :   " +
                (dir / "missing.mdb").string() +
                "\r\nTotal Tables :                   0\r\nTotal Records :                  0"
                "\r\n\r\n\r\n");
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
  EXPECT_EQ(analysis.result, kResultStopped);
  // The table being read when the stop came is not listed; the two before it are.
  EXPECT_EQ(analysis.tree.tables, (std::vector<std::string>{"Order Details", "Orders"}));
  EXPECT_EQ(analysis.reportText.substr(0, analysis.reportText.find("\r\n", 26)),
            "SUMMARY [Access 95/97]\r\n\r\n2985  Records in 2 Tables ");
  EXPECT_NE(test::readTextFile(log.path()).find("Total Tables :                   2\r\n"),
            std::string::npos);
  EXPECT_EQ(run.stopRequested.load(), 0);
}

}  // namespace
}  // namespace vantrel
