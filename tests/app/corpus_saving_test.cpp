// Saving every corpus file into a fresh destination: every user table with its columns, keys
// and rows, every relation and every saved query must be there, and the Required columns and
// descriptions mdbtools finds.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "app/activity_log.h"
#include "app/saving_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "reader/catalog_walk.h"
#include "run/walk_end.h"
#include "tests/support/corpus.h"
#include "tests/support/saved_corpus.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

class CountingHooks : public SilentRunHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

// The Required columns made NOT NULL and the descriptions kept, against what mdb-schema
// prints: its NOT NULLs outside Yes/No columns (on which it writes one whatever the file says)
// and its comments. A Required column whose rows hold a null is told in the saving list instead.
void expectRequiredAndDescriptions(const test::CorpusFile& file, const std::filesystem::path& path,
                                   const std::vector<std::string>& savingList) {
  const auto oracle = file.oracleDir() / "mdbtools" / "schema_postgres.sql";
  if (!std::filesystem::exists(oracle)) return;
  const std::string schema = test::readTextFile(oracle);
  static const std::regex notNull(R"(^(?!.*\bBOOLEAN\b).*\bNOT NULL\b)", std::regex::multiline);
  static const std::regex comment(R"(^COMMENT ON (TABLE|COLUMN))", std::regex::multiline);
  const auto matches = [&](const std::regex& pattern) {
    return std::distance(std::sregex_iterator(schema.begin(), schema.end(), pattern),
                         std::sregex_iterator());
  };
  const auto noted = std::ranges::count_if(savingList, [](const std::string& line) {
    return line.starts_with("Not re-created as required:");
  });
  const test::SqliteFile saved(path);
  EXPECT_EQ(std::stol(saved.scalar(
                "SELECT count(*) FROM MSysVantrelTableProperties p, pragma_table_info(p.table_name)"
                " c WHERE p.property = 'Required' AND p.value = 'True' AND c.name = p.column_name"
                " AND c.\"notnull\" AND c.type <> 'BIT'")) +
                noted,
            matches(notNull));
  EXPECT_EQ(std::stol(saved.scalar(
                "SELECT count(*) FROM MSysVantrelTableProperties WHERE property = 'Description'")),
            matches(comment));
}

// Saves a corpus file into `dir`/<stem>.sqlite and checks it against the oracle.
void saveAndCompare(const test::CorpusFile& file, const test::TempDir& dir,
                    test::SavedCounts& counts) {
  CountingHooks hooks;
  RunState run(hooks);
  ActivityLog log(dir / (file.stem + ".log"));
  CDaoDatabase destination;
  const auto path = dir / (file.stem + ".sqlite");
  destination.Create(path);
  SalvageContext context{run, &log, &destination};
  SavingHandler handler(context);
  EXPECT_EQ(walkFile(file.path, handler, run), WalkEnd::kFinished);
  destination.Close();
  test::expectSavedLikeOracle(file, path, counts);
  expectRequiredAndDescriptions(file, path, hooks.lines);
}

void printCounts(const test::SavedCounts& counts) {
  std::cout << counts.cells << " cells compared, " << counts.differences << " differ; ";
  std::cout << counts.tables << " tables, " << counts.relations << " relations, " << counts.queries
            << " queries (" << counts.queriesWithSql << " with SQL)\n";
}

TEST(CorpusSavingTest, EveryTableRelationAndQueryReachesTheDestination) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  test::SavedCounts counts;
  for (const auto& file : test::corpusFiles()) {
    SCOPED_TRACE(file.stem);
    saveAndCompare(file, dir, counts);
  }
  printCounts(counts);
  EXPECT_GE(counts.tables, 200);
}

// The Access 2007 and later files, the same way; calculated columns hold their stored results,
// and a file whose rows break its own constraints is saved whole.
TEST(CorpusSavingTest, AccessTwoThousandSevenFilesReachTheDestination) {
  VANTREL_REQUIRE_CORPUS();
  const auto files = test::aceFiles();
  if (files.empty()) GTEST_SKIP() << "the corpus has no ace/ folder";
  test::TempDir dir;
  test::SavedCounts counts;
  for (const auto& file : files) {
    SCOPED_TRACE(file.stem);
    saveAndCompare(file, dir, counts);
  }
  printCounts(counts);
  EXPECT_GE(counts.tables, 145);

  const auto calculated = [&](std::string_view stem, const std::string& sql) {
    const auto found = std::ranges::find(files, stem, &test::CorpusFile::stem);
    if (found == files.end()) return std::vector<std::vector<std::string>>{};
    return test::SqliteFile(dir / (found->stem + ".sqlite")).query(sql);
  };
  EXPECT_EQ(calculated("jackcess-calcFieldTestV2010",
                       "SELECT LastFirst, LastFirstLen, MonthlySalary, IsRich, WeeklySalary "
                       "FROM Table1 ORDER BY ID LIMIT 2"),
            (std::vector<std::vector<std::string>>{
                {"Wayne, Bruce", "12", "83333.3333", "-1", "19230.7692307692"},
                {"Simpson, Bart", "13", "-0.0833", "0", "-0.0192307692307692"}}));
  EXPECT_EQ(calculated("ucanaccess-calculatedField", "SELECT [%markup] FROM products ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"50.0"}, {"10.0"}}));
}

}  // namespace
}  // namespace vantrel
