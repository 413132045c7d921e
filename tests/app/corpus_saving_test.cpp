// Saving every corpus file into a fresh destination: every user table with its columns, keys
// and rows, every relation and every saved query must be there.

#include <gtest/gtest.h>

#include "app/activity_log.h"
#include "app/saving_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "reader/catalog_walk.h"
#include "run/walk_end.h"
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
    ActivityLog log(dir / (file.stem + ".log"));
    CDaoDatabase destination;
    const auto path = dir / (file.stem + ".sqlite");
    destination.Create(path);
    SalvageContext context{run, &log, &destination};
    SavingHandler handler(context);
    EXPECT_EQ(walkFile(file.path, handler, run), WalkEnd::kFinished);
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
