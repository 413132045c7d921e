// The saving run: subfolder and destination names, the overwrite answers, the single-file
// save, a stop, files that cannot be opened or created, and sources left as they were.

#include "app/saving_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "run/walk_end.h"
#include "tests/support/corpus.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using Status = SavedFile::Status;

// The saving list, and a stop requested when a given table of the run starts.
class ListHooks : public SilentRunHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
  void reportProgress(const RunProgress& progress) override {
    const std::string key = std::to_string(progress.fileNumber) + progress.table;
    if (progress.table.empty() || key == lastTable) return;
    lastTable = key;
    if (++tablesStarted == stopAtTable) run->requestStop();
  }
  RunState* run = nullptr;
  int stopAtTable = 0;
  int tablesStarted = 0;
  std::string lastTable;
  std::vector<std::string> lines;
};

// Answers the overwrite questions from a script.
class ScriptedAnswers : public SavingHooks {
 public:
  OverwriteAnswer askOverwrite(const std::filesystem::path& destination) override {
    asked.push_back(destination.filename().string());
    if (stopWhenAsked != nullptr && asked.size() >= stopAtQuestion) stopWhenAsked->requestStop();
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question about " << destination;
      return OverwriteAnswer::No;
    }
    const OverwriteAnswer answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  bool confirmOverwrite(const std::filesystem::path& destination) override {
    asked.push_back(destination.filename().string());
    return confirm;
  }
  std::vector<OverwriteAnswer> answers;
  bool confirm = false;
  RunState* stopWhenAsked = nullptr;  // Ctrl-C while the question waits
  size_t stopAtQuestion = 0;          // from this question on (1-based; 0: every one)
  std::vector<std::string> asked;
};

class SavingRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::corpusDir()) GTEST_SKIP() << "no corpus";
    for (const char* name : {"a.mdb", "b.mdb", "c.mdb"}) {
      sources.push_back(copySource(dir.path(), name));
    }
  }

  std::string copySource(const std::filesystem::path& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    const auto path = folder / name;
    std::filesystem::copy_file(*test::corpusDir() / "jet3" / "jackcess-delTestV1997.mdb", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path.string();
  }

  SavingOutcome save(std::vector<std::string> files, std::vector<OverwriteAnswer> answers = {},
                     bool saveAll = true, int fileNumber = 1) {
    hooks.lines.clear();
    hooks.tablesStarted = 0;
    hooks.lastTable.clear();
    saving.answers = std::move(answers);
    saving.asked.clear();
    SavingRequest request{std::move(files), dir / "out", saveAll, fileNumber, kStart};
    request.jobs = jobs;
    return runSaving(request, run, saving, &log);
  }

  std::filesystem::path destination(const std::string& name) const {
    return dir / "out" / "Repair_9-5-7" / name;
  }
  void markOld(const std::string& name) const { std::ofstream(destination(name)) << "old"; }
  bool isOld(const std::string& name) const {
    return test::readTextFile(destination(name)) == "old";
  }
  std::string logText() const { return test::readTextFile(log.path()); }

  static constexpr LogTime kStart{7, 12, 2026, 9, 5, 7};
  test::TempDir dir;
  ListHooks hooks;
  RunState run{hooks};
  ScriptedAnswers saving;
  ActivityLog log{dir / "log.txt"};
  std::vector<std::string> sources;
  int jobs = 1;
};

std::vector<Status> statusesOf(const SavingOutcome& outcome) {
  std::vector<Status> statuses;
  for (const SavedFile& file : outcome.files)
    statuses.push_back(file.status);
  return statuses;
}

TEST_F(SavingRunTest, SaveAllWritesEachSourceIntoTheRunsSubfolder) {
  const std::string before = test::readTextFile(sources[0]);
  const auto modified = std::filesystem::last_write_time(sources[0]);
  const SavingOutcome outcome = save(sources);
  EXPECT_EQ(outcome.subfolder, dir / "out" / "Repair_9-5-7");
  EXPECT_EQ(statusesOf(outcome),
            (std::vector<Status>{Status::Saved, Status::Saved, Status::Saved}));
  EXPECT_EQ(outcome.end, SavingEnd::ViewLog);
  EXPECT_FALSE(outcome.savingAborted);
  EXPECT_EQ(outcome.lastFileEnd, WalkEnd::kFinished);
  EXPECT_TRUE(saving.asked.empty());
  EXPECT_EQ(outcome.files[1].destination, destination("b.sqlite"));
  test::SqliteFile saved(destination("c.sqlite"));
  EXPECT_NE(saved.scalar("SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'MSys%'"), "0");

  const std::string text = logText();
  EXPECT_EQ(text.rfind("************************* Step 3 :- File Saving ***********************\n\n"
                       "Destination File Path:     " +
                           destination("a.sqlite").string() +
                           "\n\n"
                           "Repairing Table :           ",
                       0),
            0u);
  EXPECT_NE(text.find("Destination File Path:     " + destination("c.sqlite").string()),
            std::string::npos);
  EXPECT_EQ(hooks.lines.at(0), "Selected File For Repairing: " + sources[0]);
  EXPECT_EQ(hooks.lines.at(1), "Scanning file for Table[s] ");
  // The sources are only read.
  EXPECT_EQ(test::readTextFile(sources[0]), before);
  EXPECT_EQ(std::filesystem::last_write_time(sources[0]), modified);
}

TEST_F(SavingRunTest, OverwriteAnswersOfRunsInTheSameSecond) {
  using A = OverwriteAnswer;
  save(sources);
  const auto markAllOld = [&] {
    for (const char* name : {"a.sqlite", "b.sqlite", "c.sqlite"})
      markOld(name);
  };

  markAllOld();
  SavingOutcome outcome = save(sources, {A::Yes, A::No, A::Yes});
  EXPECT_EQ(saving.asked, (std::vector<std::string>{"a.sqlite", "b.sqlite", "c.sqlite"}));
  EXPECT_EQ(statusesOf(outcome), (std::vector<Status>{Status::Saved, Status::Kept, Status::Saved}));
  EXPECT_FALSE(isOld("a.sqlite"));
  EXPECT_TRUE(isOld("b.sqlite"));
  EXPECT_EQ(outcome.end, SavingEnd::ViewLog);

  markAllOld();
  outcome = save(sources, {A::YesToAll});
  EXPECT_EQ(saving.asked, std::vector<std::string>{"a.sqlite"}) << "asked once";
  EXPECT_FALSE(isOld("a.sqlite") || isOld("b.sqlite") || isOld("c.sqlite"));
  EXPECT_EQ(outcome.end, SavingEnd::ViewLog);

  markAllOld();
  outcome = save(sources, {A::No, A::NoToAll});
  EXPECT_EQ(saving.asked, (std::vector<std::string>{"a.sqlite", "b.sqlite"}));
  EXPECT_TRUE(isOld("a.sqlite") && isOld("b.sqlite") && isOld("c.sqlite"));
  // No To All is not counted as a refusal, so the run still ends with the end dialog.
  EXPECT_EQ(outcome.end, SavingEnd::ViewLog);

  outcome = save(sources, {A::No, A::No, A::No});
  EXPECT_EQ(saving.asked.size(), 3u);
  EXPECT_EQ(outcome.end, SavingEnd::Quiet) << "every destination refused: a quiet return";
  EXPECT_TRUE(isOld("a.sqlite") && isOld("b.sqlite") && isOld("c.sqlite"));
}

TEST_F(SavingRunTest, SourcesOfOneNameFromSeveralFoldersKeepTheirOwnDestinations) {
  const std::vector<std::string> sameName{copySource(dir / "a", "x.mdb"),
                                          copySource(dir / "b", "x.mdb"),
                                          copySource(dir / "c", "x.mdb")};
  SavingOutcome outcome = save(sameName);
  EXPECT_TRUE(saving.asked.empty()) << "no source's question deletes another's result";
  EXPECT_EQ(statusesOf(outcome),
            (std::vector<Status>{Status::Saved, Status::Saved, Status::Saved}));
  for (const char* name : {"x.sqlite", "x (2).sqlite", "x (3).sqlite"}) {
    test::SqliteFile saved(destination(name));
    EXPECT_NE(saved.scalar("SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'MSys%'"), "0")
        << name;
  }
  // Run again in the same second: each source meets its own earlier destination.
  outcome = save(sameName, {OverwriteAnswer::Yes, OverwriteAnswer::Yes, OverwriteAnswer::Yes});
  EXPECT_EQ(saving.asked, (std::vector<std::string>{"x.sqlite", "x (2).sqlite", "x (3).sqlite"}));
}

TEST_F(SavingRunTest, SaveCurrentDatabaseAsksYesOrNo) {
  SavingOutcome outcome = save(sources, {}, false, 2);
  EXPECT_EQ(outcome.files.size(), 1u);
  EXPECT_EQ(outcome.files[0].destination, destination("b.sqlite"));
  EXPECT_EQ(outcome.end, SavingEnd::CompletionNotice);
  EXPECT_EQ(completionNoticeText(outcome.lastFileEnd),
            "Repairing completed successfully                    ");
  EXPECT_FALSE(std::filesystem::exists(destination("a.sqlite")));

  markOld("b.sqlite");
  saving.confirm = false;
  const size_t logSize = logText().size();
  outcome = save(sources, {}, false, 2);
  EXPECT_EQ(saving.asked, std::vector<std::string>{"b.sqlite"});
  EXPECT_EQ(outcome.end, SavingEnd::Quiet);
  EXPECT_TRUE(isOld("b.sqlite"));
  EXPECT_EQ(logText().find("Destination File Path:", logSize), std::string::npos);

  saving.confirm = true;
  outcome = save(sources, {}, false, 2);
  EXPECT_FALSE(isOld("b.sqlite"));
  EXPECT_NE(logText().find("Destination File Path:  " + destination("b.sqlite").string(), logSize),
            std::string::npos)
      << "two blanks after a confirmed overwrite";

  outcome = save({sources[0]}, {}, false, 1);
  EXPECT_EQ(outcome.end, SavingEnd::ViewLog) << "a single selected file ends with the end dialog";
}

TEST_F(SavingRunTest, AStopEndsTheRunAfterTheCurrentTablesTotals) {
  hooks.run = &run;
  hooks.stopAtTable = 2;
  SavingOutcome outcome = save(sources);
  EXPECT_EQ(outcome.lastFileEnd, WalkEnd::kStopped);
  EXPECT_TRUE(outcome.savingAborted);
  EXPECT_EQ(outcome.end, SavingEnd::ViewLog);
  EXPECT_EQ(viewLogResultText(outcome.savingAborted), "Repairing aborted");
  ASSERT_FALSE(outcome.files.empty());
  EXPECT_EQ(outcome.files.back().status, Status::Stopped);
  EXPECT_LT(outcome.files.size(), 3u) << "no file after the stop";
  EXPECT_EQ(hooks.lines.back(), "") << "the stopped table's totals end the list";
  const auto lastTable =
      std::find_if(hooks.lines.rbegin(), hooks.lines.rend(),
                   [](const auto& line) { return line.rfind("Repairing Table :", 0) == 0; });
  ASSERT_NE(lastTable, hooks.lines.rend());
  EXPECT_EQ((lastTable - 2)->rfind("Total Records Recovered :", 0), 0u);
  const std::string aborted =
      "\n\n******************* Repairing aborted***********************************";
  const std::string text = logText();
  EXPECT_EQ(text.substr(text.size() - aborted.size()), aborted);

  // A stop requested while a question waits ends the run before that file is touched.
  hooks.stopAtTable = 0;
  markOld("a.sqlite");
  saving.stopWhenAsked = &run;
  outcome = save(sources, {OverwriteAnswer::Yes});
  saving.stopWhenAsked = nullptr;
  EXPECT_TRUE(outcome.savingAborted);
  EXPECT_EQ(statusesOf(outcome), std::vector<Status>{Status::Stopped});
  EXPECT_TRUE(isOld("a.sqlite"));
  EXPECT_EQ(logText().substr(logText().size() - aborted.size()), aborted);

  // Saving the current one of several files: the notice tells of the stop.
  hooks.stopAtTable = 1;
  outcome = save(sources, {OverwriteAnswer::Yes}, false, 3);
  EXPECT_FALSE(outcome.savingAborted);
  EXPECT_EQ(outcome.end, SavingEnd::CompletionNotice);
  EXPECT_EQ(completionNoticeText(outcome.lastFileEnd), "Repairing aborted                    ");
}

TEST_F(SavingRunTest, SeveralJobsAskFirstAndAStopDuringTheQuestionsKeepsEveryOldDestination) {
  jobs = 2;
  std::filesystem::create_directories(destination(""));
  markOld("a.sqlite");
  markOld("b.sqlite");
  // Yes to the first; Ctrl-C while the second waits: no file was saved yet, none is lost.
  saving.stopWhenAsked = &run;
  saving.stopAtQuestion = 2;
  SavingOutcome outcome = save(sources, {OverwriteAnswer::Yes, OverwriteAnswer::Yes});
  saving.stopWhenAsked = nullptr;
  EXPECT_TRUE(outcome.savingAborted);
  EXPECT_TRUE(isOld("a.sqlite"));
  EXPECT_TRUE(isOld("b.sqlite"));
  EXPECT_FALSE(std::filesystem::exists(destination("c.sqlite")));

  // Every question before any file is saved; then all of them, in list order.
  outcome = save(sources, {OverwriteAnswer::YesToAll});
  EXPECT_EQ(saving.asked, std::vector<std::string>{"a.sqlite"});
  EXPECT_EQ(statusesOf(outcome), std::vector<Status>(3, Status::Saved));
  EXPECT_FALSE(isOld("a.sqlite"));
  EXPECT_FALSE(isOld("b.sqlite"));
  EXPECT_EQ(std::count(hooks.lines.begin(), hooks.lines.end(), "Scanning file for Table[s] "), 3);
}

TEST_F(SavingRunTest, FilesThatCannotBeOpenedOrCreatedAreReported) {
  std::ofstream(dir / "broken.mdb") << "not a database";
  SavingOutcome outcome = save({(dir / "broken.mdb").string(), sources[0]});
  EXPECT_EQ(statusesOf(outcome), (std::vector<Status>{Status::NotOpened, Status::Saved}));
  EXPECT_EQ(outcome.end, SavingEnd::ViewLog);

  // The chosen folder is a file: no destination can be made, and no source is read.
  std::ofstream(dir / "file") << "x";
  SavingRequest request{{sources[0]}, dir / "file", true, 1, kStart};
  hooks.lines.clear();
  outcome = runSaving(request, run, saving, &log);
  EXPECT_EQ(statusesOf(outcome), std::vector<Status>{Status::NotCreated});
  EXPECT_TRUE(hooks.lines.empty());
  EXPECT_NE(logText().find("Not created: " + (dir / "file" / "Repair_9-5-7" / "a.sqlite").string()),
            std::string::npos);
}

TEST_F(SavingRunTest, SourcesThatGiveNothingFailWithTheirReasonAndLeaveNoDestination) {
  const auto bad = dir / "bad";
  std::filesystem::create_directories(bad / "folder.mdb");
  std::ofstream(bad / "empty.mdb").flush();
  std::ofstream(bad / "short.mdb") << "not a database";
  std::string newer(4096, '\0');
  newer.replace(4, 16, std::string("Standard ACE DB") + '\0');
  newer[0x299] = '\x40';  // an encryption description of version 4.4 without its XML
  newer[0x29B] = newer[0x29D] = '\x04';
  std::ofstream(bad / "new.accdb", std::ios::binary) << newer;
  std::mt19937 random(7);
  std::string noise(100 * 1024, '\0');
  for (char& c : noise)
    c = static_cast<char>(random());
  std::ofstream(bad / "random.mdb", std::ios::binary) << noise;
  const std::vector<std::pair<std::string, std::string>> expected{
      {"missing.mdb", "Cannot open {}: the file does not exist"},
      {"folder.mdb", "Cannot open {}: it is a folder, not a database file"},
      {"empty.mdb", "Cannot open {}: the file is empty (0 bytes)"},
      {"short.mdb", "Cannot open {}: the file is too short to be an Access database"},
      {"new.accdb",
       "Cannot open {}: the encryption description in its header is damaged, so its pages "
       "cannot be decrypted with any password"},
      {"random.mdb",
       "Nothing could be salvaged from {}: the file does not look like an Access database: it "
       "has no Access header, and no table, query or relation was found in it"}};
  std::vector<std::string> files;
  for (const auto& [name, text] : expected)
    files.push_back((bad / name).string());

  const SavingOutcome outcome = save(files);
  ASSERT_EQ(outcome.files.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const SavedFile& file = outcome.files[i];
    std::string text = expected[i].second;
    text.replace(text.find("{}"), 2, files[i]);
    EXPECT_EQ(file.status, i + 1 < expected.size() ? Status::NotOpened : Status::NothingSalvaged);
    EXPECT_EQ(file.problem, text);
    EXPECT_NE(logText().find(text + "\n"), std::string::npos) << text;
  }
  EXPECT_EQ(hooks.lines.at(3), outcome.files.back().problem);
  EXPECT_EQ(viewLogResultText(outcome).rfind("Repairing failed for ", 0), 0u);
  EXPECT_NE(viewLogResultText(outcome).find("\n" + outcome.files.back().problem),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(destination(""))) << "no destination is left behind";
}

}  // namespace
}  // namespace vantrel
