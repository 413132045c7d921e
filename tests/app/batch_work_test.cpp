// The pieces a batch worker is made of: its work list, its shard, the names it gives, and the
// manifest it appends to and resumes from.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "app/destination_naming.h"
#include "app/run_manifest.h"
#include "app/work_list.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

TEST(WorkListTest, ReadsLinesOrNulSeparatedPathsAndRefusesFoldersAndEndlessLists) {
  std::istringstream lines("a.mdb\r\n\n/b c/d.mdb\nlast.mdb");
  EXPECT_EQ(*readWorkList(lines, ListSeparator::Line),
            (std::vector<std::string>{"a.mdb", "/b c/d.mdb", "last.mdb"}));
  // A NUL list keeps newlines and carriage returns as parts of names.
  std::istringstream nul(std::string("x\ny.mdb\0z\r.mdb\0\0", 16));
  EXPECT_EQ(*readWorkList(nul, ListSeparator::Nul),
            (std::vector<std::string>{"x\ny.mdb", "z\r.mdb"}));
  std::istringstream many("1\n2\n3\n");
  EXPECT_FALSE(readWorkList(many, ListSeparator::Line, 2));
  std::istringstream endless(std::string(10000, 'x'));
  EXPECT_FALSE(readWorkList(endless, ListSeparator::Line));

  const test::TempDir dir;
  EXPECT_EQ(*runSources({"a.mdb", "b.mdb", "a.mdb"}, true),
            (std::vector<std::string>{"a.mdb", "b.mdb"}));
  EXPECT_EQ(runSources({"a.mdb", "a.mdb"}, false)->size(), 2u);
  const auto folder = runSources({"a.mdb", dir.path().string()}, false);
  ASSERT_FALSE(folder);
  EXPECT_NE(folder.error().find("find " + dir.path().string() + " -name '*.mdb'"),
            std::string::npos);
}

TEST(ShardTest, TheHashIsFnv1aAndEveryPathFallsInExactlyOneShard) {
  // Published FNV-1a 64 values: the hash may never change, or workers of two versions would
  // split a list differently.
  EXPECT_EQ(sourcePathHash(""), 0xcbf29ce484222325ULL);
  EXPECT_EQ(sourcePathHash("a"), 0xaf63dc4c8601ec8cULL);
  EXPECT_EQ(sourcePathHash("foobar"), 0x85944171f73967e8ULL);

  std::vector<std::string> paths;
  for (int i = 0; i < 300; ++i)
    paths.push_back("/share/office " + std::to_string(i) + ".mdb");
  size_t total = 0;
  std::set<std::string> seen;
  for (int k = 1; k <= 3; ++k) {
    const auto part = shardOf(paths, {k, 3});
    EXPECT_GT(part.size(), 60u);  // roughly a third each
    total += part.size();
    seen.insert(part.begin(), part.end());
  }
  EXPECT_EQ(total, paths.size());
  EXPECT_EQ(seen.size(), paths.size());
  // A grown list leaves every earlier path in its shard.
  std::vector<std::string> grown = paths;
  grown.insert(grown.begin(), "/share/new.mdb");
  const auto before = shardOf(paths, {2, 3});
  const auto after = shardOf(grown, {2, 3});
  for (const std::string& path : before)
    EXPECT_NE(std::find(after.begin(), after.end(), path), after.end());
}

TEST(ShardTest, ParsesKOfNAndReadsTheSchedulersEnvironment) {
  EXPECT_EQ(*parseShard("2/5"), (Shard{2, 5}));
  for (const char* bad : {"0/3", "4/3", "1/0", "3", "a/b", "1/3x", "-1/3", ""})
    EXPECT_FALSE(parseShard(bad)) << bad;

  std::map<std::string, std::string> env;
  const auto variable = [&env](const char* name) -> std::optional<std::string> {
    const auto found = env.find(name);
    return found == env.end() ? std::nullopt : std::optional(found->second);
  };
  const auto nothing = shardFromEnvironment(variable);
  ASSERT_FALSE(nothing);
  EXPECT_NE(nothing.error().find("neither is set"), std::string::npos);
  env = {{"JOB_COMPLETION_INDEX", "0"}};
  EXPECT_FALSE(shardFromEnvironment(variable));  // no count
  env["VANTREL_SHARD_COUNT"] = "4";
  EXPECT_EQ(*shardFromEnvironment(variable), (Shard{1, 4}));
  env["JOB_COMPLETION_INDEX"] = "4";
  EXPECT_FALSE(shardFromEnvironment(variable));
  env = {
      {"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"}};
  EXPECT_EQ(*shardFromEnvironment(variable), (Shard{3, 3}));
  env = {{"SLURM_ARRAY_TASK_ID", "20"},
         {"SLURM_ARRAY_TASK_COUNT", "3"},
         {"SLURM_ARRAY_TASK_MIN", "10"},
         {"SLURM_ARRAY_TASK_STEP", "5"}};
  EXPECT_EQ(*shardFromEnvironment(variable), (Shard{3, 3}));
  env["SLURM_ARRAY_TASK_ID"] = "12";
  EXPECT_FALSE(shardFromEnvironment(variable));
}

TEST(DestinationNamingTest, AStemSharedInTheListNeverStandsAlone) {
  const std::vector<std::string> list{"/a/Orders.mdb", "/b/Orders.mdb", "/c/Stock.mdb"};
  const auto names = listWideNames(list);
  EXPECT_EQ(names[2], "Stock");
  EXPECT_EQ(names[0].substr(0, 7), "Orders_");
  EXPECT_EQ(names[0].size(), 15u);
  EXPECT_NE(names[0], names[1]);
  // Each worker sees the whole list, so a shard's names are the list's.
  const std::vector<std::string> reordered{"/c/Stock.mdb", "/b/Orders.mdb", "/a/Orders.mdb"};
  EXPECT_EQ(listWideNames(reordered)[2], names[0]);
}

SavedFile savedFile(SavedFile::Status status) {
  SavedFile file;
  file.source = "/share/a.mdb";
  file.status = status;
  file.destination = "postgresql://db schema a";
  file.tally.savedTables = 3;
  file.tally.savedRows = 120;
  file.tally.objects.push_back({ObjectLoss::Kind::kTable, "Lost", true, 7, "refused"});
  return file;
}

TEST(RunManifestTest, LinesCarryTheOutcomeAndTotalsAndReadBack) {
  const std::string line = manifestLine("/share/a.mdb", SourceIdentity{4096, std::string(64, 'b')},
                                        savedFile(SavedFile::Status::SavedWithLosses), 1.23456);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  const auto json = nlohmann::json::parse(line);
  EXPECT_EQ(json["outcome"], "saved with losses");
  EXPECT_EQ(json["size"], 4096);
  EXPECT_EQ(json["tables_saved"], 3);
  EXPECT_EQ(json["rows_saved"], 120);
  EXPECT_EQ(json["tables_lost"], 1);
  EXPECT_EQ(json["rows_lost"], 7);
  EXPECT_EQ(json["seconds"], 1.235);
  const auto record = parseManifestLine(line);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->outcome, SavedFile::Status::SavedWithLosses);
  EXPECT_EQ(record->sha256, std::string(64, 'b'));
  // A source that could not be hashed is written with nulls and never taken as done.
  const auto unread = nlohmann::json::parse(
      manifestLine("/gone.mdb", std::nullopt, savedFile(SavedFile::Status::Saved), 0));
  EXPECT_TRUE(unread["sha256"].is_null());
  EXPECT_FALSE(parseManifestLine(R"({"source":"x","sha256":"a","outcome":"fine"})"));
}

TEST(RunManifestTest, ResumeSkipsOnlyFinalOutcomesOfTheSameContentAndSurvivesATornLine) {
  const test::TempDir dir;
  const auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  };
  const std::string saved = write("saved.mdb", "one");
  const std::string changed = write("changed.mdb", "two");
  const std::string lossy = write("lossy.mdb", "three");
  const std::string empty = write("empty.mdb", "four");
  const std::string torn = write("torn.mdb", "five");
  const auto line = [](const std::string& path, SavedFile::Status status) {
    return manifestLine(path, *identifySource(path), savedFile(status), 0) + "\n";
  };
  std::string manifest = line(saved, SavedFile::Status::Saved) +
                         line(changed, SavedFile::Status::Saved) +
                         line(lossy, SavedFile::Status::SavedWithLosses) +
                         line(empty, SavedFile::Status::NothingSalvaged) + "not json\n";
  const std::string last = line(torn, SavedFile::Status::Saved);
  manifest += last.substr(0, last.size() / 2);  // the worker was killed in the middle of it
  write("m.jsonl", manifest);
  write("changed.mdb", "two, edited since");

  const auto point = ResumePoint::read(dir / "m.jsonl");
  ASSERT_TRUE(point);
  EXPECT_EQ(point->unreadableLines(), 2u);
  const std::vector<std::string> sources{saved, changed, lossy, empty, torn};
  const auto [left, done] = sourcesLeft(sources, *point);
  EXPECT_EQ(left, (std::vector<std::string>{changed, lossy, torn}));
  EXPECT_EQ(done, 2u);
  // A worker's first start has no manifest yet.
  EXPECT_TRUE(ResumePoint::read(dir / "none.jsonl"));

  // The writer appends whole lines to what is there.
  auto writer = ManifestWriter::open(dir / "m.jsonl", sources);
  ASSERT_TRUE(writer);
  (*writer)->fileStarted(3);
  (*writer)->fileEnded(3, savedFile(SavedFile::Status::Saved));
  EXPECT_EQ((*writer)->failure(), "");
  // The torn line before it stays apart from the new one.
  const auto resumed = ResumePoint::read(dir / "m.jsonl");
  EXPECT_EQ(sourcesLeft(sources, *resumed).first, (std::vector<std::string>{changed, torn}));
}

}  // namespace
}  // namespace vantrel
