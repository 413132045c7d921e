// Save All with several jobs, run as the real executable, against the same run with one.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "tests/support/corpus.h"
#include "tests/support/process.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using test::runProcess;

const std::string kCli = test::builtProgram("vantrel-cli");
const std::string kMkdb = VANTREL_BINARY_DIR "/tools/mkdb/vantrel-mkdb";
const std::filesystem::path kSqliteShell = "/usr/bin/sqlite3";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); !from.empty() && at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The part before the first `separator`, then every part that starts with it, sorted: the
// same for two texts made of the same blocks in any order, as long as no block was split.
std::vector<std::string> blocksOf(const std::string& text, const std::string& separator) {
  std::vector<std::string> blocks;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string::npos;
       at = text.find(separator, at + 1)) {
    blocks.push_back(text.substr(start, at - start));
    start = at;
  }
  blocks.push_back(text.substr(start));
  std::sort(blocks.begin() + 1, blocks.end());
  return blocks;
}

struct RepairRun {
  test::ProcessResult result;
  std::filesystem::path subfolder;
  std::string log;
};

class ParallelRepairTest : public ::testing::Test {
 protected:
  void SetUp() override { VANTREL_REQUIRE_CORPUS(); }
  void TearDown() override { ::unsetenv("VANTREL_LOG_PATH"); }

  // A repair into its own folder with its own activity log; the texts are given with the
  // run's subfolder as "<out>", so that runs can be compared.
  RepairRun repair(const std::string& jobs, const std::vector<std::string>& files) {
    const auto folder = dir / ("jobs" + jobs + "-" + std::to_string(++runs));
    std::filesystem::create_directories(folder / "log");
    ::setenv("VANTREL_LOG_PATH", (folder / "log").c_str(), 1);
    std::vector<std::string> args{kCli, "repair", "--jobs",
                                  jobs, "--out",  (folder / "out").string()};
    args.insert(args.end(), files.begin(), files.end());
    RepairRun run{runProcess(args), {}, test::readTextFile(folder / "log" / "Activity Log.txt")};
    for (const auto& entry : std::filesystem::directory_iterator(folder / "out"))
      run.subfolder = entry.path();
    for (std::string* text : {&run.result.out, &run.result.err, &run.log}) {
      *text = replaced(*text, run.subfolder.string(), "<out>");
      *text = replaced(*text, (folder / "log").string(), "<log>");
    }
    return run;
  }

  test::TempDir dir;
  int runs = 0;
};

std::string dumpOf(const std::filesystem::path& destination) {
  return runProcess({kSqliteShell.string(), destination.string(), ".dump"}).out;
}

TEST_F(ParallelRepairTest, SeveralJobsSaveWhatOneSavesAndKeepEachFilesLinesTogether) {
  if (!std::filesystem::exists(kSqliteShell)) GTEST_SKIP() << "no sqlite3 shell";
  const auto corpus = *test::corpusDir();
  // One file that is no database among good ones, one of them twice (its second destination
  // gets " (2)"), and one that holds nothing.
  const auto bad = dir / "bad.mdb";
  std::ofstream(bad) << "not an Access database";
  const std::vector<std::string> files{
      bad.string(),
      (corpus / "jet3" / "mdbtools-nwind.mdb").string(),
      (corpus / "jet4" / "jackcess-testV2000.mdb").string(),
      (corpus / "jet3" / "jackcess-delTestV1997.mdb").string(),
      (corpus / "jet4" / "jackcess-empty.mdb").string(),
      (corpus / "jet4" / "gabriellogue-Northwind.mdb").string(),
      (corpus / "jet3" / "jackcess-delTestV1997.mdb").string(),
      (corpus / "jet4" / "nodeadodb-node-adodb-r8603041.mdb").string()};
  const RepairRun serial = repair("1", files);
  const RepairRun parallel = repair("3", files);

  // The same end and the same failures, in list order.
  EXPECT_EQ(serial.result.exitCode, 1);
  EXPECT_EQ(parallel.result.exitCode, serial.result.exitCode);
  EXPECT_EQ(parallel.result.err, serial.result.err);
  const std::string endText = "Repairing failed for 2 files:";
  const size_t serialEnd = serial.result.out.find(endText);
  const size_t parallelEnd = parallel.result.out.find(endText);
  ASSERT_NE(serialEnd, std::string::npos) << serial.result.out;
  ASSERT_NE(parallelEnd, std::string::npos) << parallel.result.out;
  EXPECT_EQ(parallel.result.out.substr(parallelEnd), serial.result.out.substr(serialEnd));

  // Each file's saving list whole, in whatever order the files ended; the log likewise.
  const std::string fileStart = "Selected File For Repairing: ";
  EXPECT_EQ(blocksOf(parallel.result.out.substr(0, parallelEnd), fileStart),
            blocksOf(serial.result.out.substr(0, serialEnd), fileStart));
  const auto logBlocks = [&](const std::string& log) {
    return blocksOf(log.substr(0, log.rfind("\n\n" + endText)), "Destination File Path:");
  };
  const auto serialLog = logBlocks(serial.log);
  EXPECT_EQ(serialLog.size(), 8u) << "the log's head and seven destinations";
  EXPECT_EQ(logBlocks(parallel.log).size(), serialLog.size());
  for (size_t i = 1; i < serialLog.size() && i < logBlocks(parallel.log).size(); ++i)
    EXPECT_EQ(logBlocks(parallel.log)[i], serialLog[i]);

  // The same destinations, row for row.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(serial.subfolder))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names.size(), 6u);
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(std::filesystem::exists(parallel.subfolder / name));
    EXPECT_EQ(dumpOf(parallel.subfolder / name), dumpOf(serial.subfolder / name));
  }
}

TEST_F(ParallelRepairTest, CtrlCStopsEveryRunningFileAndStartsNoOther) {
  // Three copies of one long table; two jobs.
  const auto big = dir / "records.mdb";
  const auto generated = runProcess({kMkdb, "synthetic", big.string(), "--rows", "100000"});
  ASSERT_EQ(generated.exitCode, 0) << generated.err;
  const auto log = dir / "log";
  std::filesystem::create_directories(log);
  ::setenv("VANTREL_LOG_PATH", log.c_str(), 1);
  const auto out = dir / "out";
  test::BackgroundProcess repair({kCli, "repair", "--jobs", "2", "--out", out.string(),
                                  big.string(), big.string(), big.string()});
  // Both files are being saved once both destinations exist; most likely their table by
  // a moment later.
  const auto destinationsMade = [&] {
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out, error))
      count += entry.path().extension() == ".sqlite" ? 1 : 0;
    return count;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (destinationsMade() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(::kill(repair.pid(), SIGINT), 0);
  const auto result = repair.wait();
  EXPECT_EQ(result.exitCode, 130) << result.err;
  EXPECT_NE(result.out.find("\nRepairing aborted\n"), std::string::npos) << result.out;

  // Both running files stopped, each at its next row; the third never started.
  const std::string aborted = "******************* Repairing aborted****";
  const std::string logText = test::readTextFile(log / "Activity Log.txt");
  EXPECT_EQ(blocksOf(logText, aborted).size(), 3u) << logText;
  std::vector<std::filesystem::path> destinations;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(out))
    if (entry.is_regular_file()) destinations.push_back(entry.path());
  ASSERT_EQ(destinations.size(), 2u);
  for (const auto& destination : destinations) {
    // A stop may also come while the catalog is read, before the table is made.
    test::SqliteFile saved(destination);
    EXPECT_EQ(saved.scalar("PRAGMA integrity_check"), "ok") << destination;
    const bool made =
        saved.scalar("SELECT count(*) FROM sqlite_master WHERE name = 'Records'") == "1";
    if (made) {
      EXPECT_LT(std::stoi(saved.scalar("SELECT count(*) FROM Records")), 100000) << destination;
    }
  }
}

}  // namespace
}  // namespace vantrel
