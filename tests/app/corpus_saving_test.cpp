// Saving every corpus file into a fresh destination: every user table with its columns, keys
// and rows, every relation and every saved query must be there.

#include <gtest/gtest.h>

#include "app/activity_log.h"
#include "app/salvage_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "reader/catalog_walk.h"
#include "run/result_codes.h"
#include "tests/support/corpus.h"
#include "tests/support/saved_corpus.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

class CountingHooks : public SilentRunHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

TEST(CorpusSavingTest, EveryTableRelationAndQueryReachesTheDestination) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  test::SavedCounts counts;
  for (const auto& file : test::corpusFiles()) {
    SCOPED_TRACE(file.stem);
    CountingHooks hooks;
    RunState run(hooks);
    run.savingMode = SavingMode::kSaving;
    CatalogSummary summary;
    ActivityLog log(dir / (file.stem + ".log"));
    CDaoDatabase destination;
    const auto path = dir / (file.stem + ".sqlite");
    destination.Create(path);
    SalvageContext context{run, summary, &log, &destination};
    SalvageHandler handler(context);
    EXPECT_EQ(salvageFile(file.path, handler, run), RunResult::kDone);
    destination.Close();

    test::expectSavedLikeOracle(file, path, counts);
  }
  std::cout << counts.cells << " cells compared, " << counts.differences << " differ; ";
  std::cout << counts.tables << " tables, " << counts.relations << " relations, " << counts.queries
            << " queries (" << counts.queriesWithSql << " with SQL)\n";
  EXPECT_GE(counts.tables, 200);
}

}  // namespace
}  // namespace vantrel
