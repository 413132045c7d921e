#include "reader/catalog_walk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "run/run_state.h"
#include "run/walk_end.h"
#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

// Records what the walk hands on, and stops when told to.
class RecordingHandler : public CatalogHandler {
 public:
  WalkEnd onTable(SourceDatabase&, int64_t page, const std::string& name) override {
    tables.push_back(name);
    pages.push_back(page);
    return name == stopAtTable ? WalkEnd::kStopped : WalkEnd::kFinished;
  }
  WalkEnd onQuery(SourceDatabase&, int64_t id, const std::string& name) override {
    listed.push_back(name);
    listedIds.push_back(std::to_string(id) + " " + name);
    return WalkEnd::kFinished;
  }
  WalkEnd onRelations(SourceDatabase&) override {
    ++relationCalls;
    return WalkEnd::kFinished;
  }

  std::vector<std::string> tables, listed, listedIds;
  std::vector<int64_t> pages;
  int relationCalls = 0;
  std::string stopAtTable;
};

std::vector<std::string> oracleNames(const std::filesystem::path& oracleDir,
                                     const std::string& kind) {
  const auto tables =
      nlohmann::json::parse(test::readTextFile(oracleDir / "mdbreader" / "tables.json"));
  std::vector<std::string> names;
  if (kind == "tables") {
    for (const auto& name : tables["user"])
      names.push_back(name);
    return names;
  }
  const auto queries =
      nlohmann::json::parse(test::readTextFile(oracleDir / "mdbreader" / "query_objects.json"));
  for (const auto& query : queries) {
    const std::string name = query["name"];
    if (name.rfind("~sq", 0) != 0) names.push_back(name);
  }
  return names;
}

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CatalogWalkTest, CorpusTablesAndQueries) {
  VANTREL_REQUIRE_CORPUS();
  for (const auto& file : test::corpusFiles()) {
    SCOPED_TRACE(file.stem);
    SilentRunHooks hooks;
    RunState run(hooks);
    auto db = openSourceDatabase(file.path, &run);
    ASSERT_TRUE(db);
    RecordingHandler handler;
    EXPECT_EQ(walkCatalog(*db, handler), WalkEnd::kFinished);
    // User tables: the catalog also holds the hidden ones that mdb-reader counts as system.
    const auto expected = oracleNames(file.oracleDir(), "tables");
    for (const auto& name : expected) {
      EXPECT_NE(std::find(handler.tables.begin(), handler.tables.end(), name), handler.tables.end())
          << name;
    }
    EXPECT_EQ(sorted(handler.listed), sorted(oracleNames(file.oracleDir(), "queries")));
    EXPECT_EQ(handler.relationCalls, 1);
    EXPECT_EQ(db->tableCount, static_cast<int>(handler.tables.size()));
    EXPECT_EQ(db->queryCount, static_cast<int>(handler.listed.size()));
  }
}

TEST(CatalogWalkTest, ScanFindsTheSameObjectsWhenPageTwoIsZeroed) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  for (const auto& file : test::corpusFiles()) {
    SCOPED_TRACE(file.stem);
    SilentRunHooks hooks;
    RunState run(hooks);
    RecordingHandler walked;
    {
      auto db = openSourceDatabase(file.path, &run);
      walkCatalog(*db, walked);
    }
    // A copy whose catalog definition page is zeros.
    const auto copy = dir / (file.stem + ".mdb");
    std::filesystem::copy_file(file.path, copy, std::filesystem::copy_options::overwrite_existing);
    const int pageSize = file.formatVersion == 1 ? 4096 : 2048;
    {
      std::fstream out(copy, std::ios::in | std::ios::out | std::ios::binary);
      out.seekp(2 * pageSize);
      const std::string zeros(static_cast<size_t>(pageSize), '\0');
      out.write(zeros.data(), pageSize);
    }
    RecordingHandler scanned;
    auto db = openSourceDatabase(copy, &run);
    ASSERT_TRUE(db);
    EXPECT_EQ(walkCatalog(*db, scanned), WalkEnd::kFinished);
    EXPECT_EQ(sorted(scanned.tables), sorted(walked.tables));
    // Queries keep their ids too: the query catalog's rows are found by them.
    EXPECT_EQ(sorted(scanned.listedIds), sorted(walked.listedIds));
    // One relations pass after the last page, when a relationship is found.
    EXPECT_LE(scanned.relationCalls, 1);
  }
}

TEST(CatalogWalkTest, AStopEndsTheWalk) {
  VANTREL_REQUIRE_CORPUS();
  const auto path = *test::corpusDir() / "jet3" / "mdbtools-nwind.mdb";
  SilentRunHooks hooks;
  RunState run(hooks);
  auto db = openSourceDatabase(path, &run);
  RecordingHandler handler;
  handler.stopAtTable = "Customers";
  EXPECT_EQ(walkCatalog(*db, handler), WalkEnd::kStopped);
  EXPECT_EQ(handler.tables.back(), "Customers");
  EXPECT_EQ(handler.relationCalls, 0) << "no relations step after a stop";
}

TEST(DisplayPathTest, DrivePrefixGetsExactlyOneBackslash) {
  EXPECT_EQ(displayPath("C:\\data\\a.mdb"), "C:\\data\\a.mdb");
  EXPECT_EQ(displayPath("C:\\\\data\\a.mdb"), "C:\\data\\a.mdb");
  EXPECT_EQ(displayPath("/home/user/a.mdb"), "/home/user/a.mdb");
  EXPECT_EQ(displayPath("\\\\server\\share\\a.mdb"), "\\\\server\\share\\a.mdb");
}

}  // namespace
}  // namespace vantrel
