// Every way a saving run can fall short of saving everything, and the one outcome each gives:
// the file's status, the end text, the log, and the destination left behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <numeric>
#include <optional>

#include "app/saving_json.h"
#include "app/saving_run.h"
#include "tests/support/corpus.h"
#include "tests/support/failing_vfs.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using Status = SavedFile::Status;
using test::FailingVfs;

// The project's healthy sample: seven tables, fifteen queries, four relations.
const std::string kSample = VANTREL_SOURCE_DIR "/samples/sample-jet4.mdb";

// Keeps the saving list, and asks for a stop once the given table has read so many rows;
// an existing destination is kept.
class OutcomeHooks : public SilentRunHooks, public SavingHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
  void reportProgress(const RunProgress& progress) override {
    if (run == nullptr || progress.table != stopInTable) return;
    if (!tableStart) tableStart = progress.rowsRead;  // the file's rows before the table's
    if (progress.rowsRead - *tableStart >= stopAfterRows) {
      run->requestStop();
      run = nullptr;
    }
  }
  OverwriteAnswer askOverwrite(const std::filesystem::path&) override {
    return OverwriteAnswer::No;
  }
  bool confirmOverwrite(const std::filesystem::path&) override { return false; }

  RunState* run = nullptr;
  std::string stopInTable;
  int64_t stopAfterRows = 0;
  std::optional<int64_t> tableStart;
  std::vector<std::string> lines;
};

class SavingOutcomeTest : public ::testing::Test {
 protected:
  SavingOutcome save(std::vector<std::string> files) {
    hooks.lines.clear();
    SavingRequest request{std::move(files), dir / "out", true, 1, kStart};
    return runSaving(request, run, hooks, &log);
  }
  std::string logText() const { return test::readTextFile(log.path()); }

  static constexpr LogTime kStart{7, 12, 2026, 9, 5, 7};
  test::TempDir dir;
  OutcomeHooks hooks;
  RunState run{hooks};
  ActivityLog log{dir / "log.txt"};
};

class DestinationFaultTest : public SavingOutcomeTest,
                             public ::testing::WithParamInterface<FailingVfs::Failure> {};

// A destination that fails for good halfway ends its file at once with the fault as the
// reason: every table, query and relation after it is named as not saved, what is left in the
// destination is sound and is what the end text says, and nothing calls it a success.
TEST_P(DestinationFaultTest, AFaultEndsTheFileAndNamesEveryLoss) {
  sqlite3_int64 whole = 0;
  {
    FailingVfs counting(GetParam(), std::numeric_limits<sqlite3_int64>::max());
    ASSERT_EQ(save({kSample}).files.at(0).status, Status::Saved);
    whole = counting.written();
  }
  std::filesystem::remove_all(dir / "out");
  SavingOutcome outcome;
  {
    FailingVfs failing(GetParam(), whole / 2);
    outcome = save({kSample});
  }
  ASSERT_EQ(outcome.files.size(), 1u);
  const SavedFile& file = outcome.files[0];
  const SavingTally& tally = file.tally;
  ASSERT_EQ(file.status, Status::SavedWithLosses) << file.problem;
  ASSERT_TRUE(tally.destinationLost());
  const std::string fault(destinationFaultText(tally.fault));
  EXPECT_TRUE(file.problem.starts_with(kSample + ": " + fault + ": ")) << file.problem;
  EXPECT_FALSE(savedEverything(outcome));

  // The losses: the tables, queries and relations after the fault, each by name.
  ASSERT_FALSE(tally.objects.empty());
  EXPECT_TRUE(std::ranges::any_of(tally.objects, [](const ObjectLoss& loss) {
    return loss.kind == ObjectLoss::Kind::kQuery;
  })) << "the queries come after the tables";
  EXPECT_EQ(tally.objects.back().reason, fault);
  EXPECT_EQ(viewLogResultText(outcome).rfind("Repairing failed for 1 file:\n" + file.problem +
                                                 "\n  " + objectLossText(tally.objects[0]),
                                             0),
            0u)
      << viewLogResultText(outcome);
  EXPECT_NE(std::ranges::find(hooks.lines, file.problem), hooks.lines.end());

  // What is left passes SQLite's own check and is what the text says is left.
  const test::SqliteFile saved(file.destination);
  EXPECT_EQ(saved.scalar("PRAGMA integrity_check"), "ok");
  const auto tables = outcome.destinations->savedTables(file.destination);
  const int64_t rows =
      std::accumulate(tables.begin(), tables.end(), int64_t{0},
                      [](int64_t sum, const SavedTable& t) { return sum + t.rows; });
  EXPECT_EQ(rows, tally.savedRows);
  EXPECT_NE(file.problem.find("left in the destination: " + std::to_string(tally.savedTables)),
            std::string::npos);

  logSavingEnd(log, outcome);
  const std::string logged = logText();
  EXPECT_NE(logged.find("Repairing failed for 1 file:\n" + file.problem), std::string::npos);
  EXPECT_NE(logged.find("Not saved: " + objectLossText(tally.objects.back())), std::string::npos);
  EXPECT_EQ(logged.find("Completed successfully"), std::string::npos);

  // With no room even for its catalog, the destination is not made: never "nothing salvaged".
  std::filesystem::remove_all(dir / "out");
  {
    FailingVfs failing(GetParam(), 0);
    outcome = save({kSample});
  }
  ASSERT_EQ(outcome.files.size(), 1u);
  EXPECT_EQ(outcome.files[0].status, Status::NotCreated) << outcome.files[0].problem;
  EXPECT_EQ(outcome.files[0].problem.find("Nothing could be salvaged"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Faults, DestinationFaultTest,
                         ::testing::Values(FailingVfs::Failure::kDiskFull,
                                           FailingVfs::Failure::kIoError,
                                           FailingVfs::Failure::kReadOnly));

// A stop in the middle of a table ends it at the next row: the rows written so far stay, and
// the saving list, the end text and the log name the table with how many of its rows are in.
TEST_F(SavingOutcomeTest, AStopInATableKeepsItsRowsAndNamesIt) {
  VANTREL_REQUIRE_CORPUS();
  const std::string nwind = (*test::corpusDir() / "jet3" / "mdbtools-nwind.mdb").string();
  hooks.run = &run;
  hooks.stopInTable = "Order Details";
  hooks.stopAfterRows = 1000;
  const SavingOutcome outcome = save({nwind});
  ASSERT_EQ(outcome.files.size(), 1u);
  const SavedFile& file = outcome.files[0];
  ASSERT_EQ(file.status, Status::Stopped);
  ASSERT_TRUE(file.tally.stopped);
  const StoppedTable& stopped = *file.tally.stopped;
  EXPECT_EQ(stopped.name, "Order Details");
  EXPECT_GT(stopped.written, 0);
  EXPECT_LT(stopped.written, 2155);
  EXPECT_EQ(stopped.of, 2155);
  EXPECT_EQ(file.problem, nwind + ": stopped: table [Order Details], " +
                              std::to_string(stopped.written) + " of 2155 rows written");
  EXPECT_TRUE(outcome.savingAborted);
  EXPECT_FALSE(savedEverything(outcome));
  EXPECT_EQ(viewLogResultText(outcome), "Repairing aborted\n" + file.problem);

  const test::SqliteFile saved(file.destination);
  EXPECT_EQ(saved.scalar("PRAGMA integrity_check"), "ok");
  EXPECT_EQ(saved.scalar("SELECT count(*) FROM \"Order Details\""),
            std::to_string(stopped.written));
  const std::string line = "Stopped: " + std::to_string(stopped.written) + " of 2155 rows written";
  EXPECT_NE(std::ranges::find(hooks.lines, line), hooks.lines.end());
  logSavingEnd(log, outcome);
  EXPECT_NE(logText().find(line + "\n"), std::string::npos);
  EXPECT_NE(logText().find("\n" + file.problem), std::string::npos);
}

// A log that cannot be written is told once, beside the end text; it loses no data.
TEST_F(SavingOutcomeTest, ALogThatCannotBeWrittenIsWarnedAbout) {
  const ActivityLog unwritable(dir / "log-folder-is-a-file" / "log.txt");
  std::ofstream(dir / "log-folder-is-a-file") << "";
  const SavingOutcome outcome =
      runSaving({{kSample}, dir / "out", true, 1, kStart}, run, hooks, &unwritable);
  EXPECT_TRUE(savedEverything(outcome));
  const std::string warning = logWarningText(unwritable);
  EXPECT_TRUE(warning.starts_with("The activity log " + unwritable.path().string() +
                                  " could not be written ("))
      << warning;
  EXPECT_EQ(withLogWarning(viewLogResultText(outcome), unwritable),
            "Saving Completed Successfully\n\n" + warning);
  EXPECT_EQ(withLogWarning("text", log), "text");
}

}  // namespace
}  // namespace vantrel
