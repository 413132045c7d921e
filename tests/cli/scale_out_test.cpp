// Batch workers of repair into one PostgreSQL: the corpus through three shard processes that
// share one manifest, one of them killed in the middle of a file and started again with
// --resume, must end as one run of a single worker does: every file once, with its outcome and
// its rows, and no schema left unfinished.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "tests/support/corpus.h"
#include "tests/support/postgres_server.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using test::runProcess;

const std::string kCli = test::builtProgram("vantrel-cli");
const std::string kPsql = "/usr/bin/psql";

std::vector<nlohmann::json> jsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(nlohmann::json::parse(line));
  }
  return lines;
}

// What a file's manifest line says of it that two runs must agree on.
struct FileEnd {
  std::string outcome;
  int64_t tables = 0;
  int64_t rows = 0;
  std::string schema;
  bool operator==(const FileEnd&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FileEnd& end) {
  return out << end.outcome << ", " << end.tables << " tables, " << end.rows << " rows, schema "
             << end.schema;
}

std::map<std::string, FileEnd> fileEnds(const std::filesystem::path& manifest) {
  std::map<std::string, FileEnd> ends;
  for (const nlohmann::json& line : jsonLines(test::readTextFile(manifest))) {
    const std::string destination = line["destination"];
    const size_t schema = destination.rfind(" schema ");
    const bool fresh =
        ends.emplace(line["source"].get<std::string>(),
                     FileEnd{line["outcome"], line["tables_saved"], line["rows_saved"],
                             schema == std::string::npos ? "" : destination.substr(schema + 8)})
            .second;
    EXPECT_TRUE(fresh) << line["source"] << " is in " << manifest << " twice";
  }
  return ends;
}

class ScaleOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANTREL_REQUIRE_CORPUS();
    VANTREL_REQUIRE_POSTGRES();
    if (!std::filesystem::exists(kPsql)) GTEST_SKIP() << "no psql to read the server with";
    const std::string url = *test::testPostgresUrl();
    server = url.substr(0, url.rfind('/') + 1);
    maintenance = url;
    std::filesystem::create_directories(dir / "log");
    ::setenv("VANTREL_LOG_PATH", (dir / "log").c_str(), 1);
  }
  void TearDown() override {
    for (const std::string& database : databases)
      psql(maintenance, "DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
    ::unsetenv("VANTREL_LOG_PATH");
  }

  std::string psql(const std::string& url, const std::string& sql) {
    const auto result =
        runProcess({kPsql, "-X", "-At", "-v", "ON_ERROR_STOP=1", "-d", url, "-c", sql});
    EXPECT_EQ(result.exitCode, 0) << sql << "\n" << result.err;
    return result.out;
  }

  // A database of its own on the test server, dropped after the test.
  std::string newDatabase(const std::string& prefix) {
    const std::string name = test::uniqueSchemaName(prefix);
    psql(maintenance, "CREATE DATABASE " + name);
    databases.push_back(name);
    return server + name;
  }

  // Every table and view of every schema, each table with its row count, and the schemas
  // still marked unfinished.
  std::string contents(const std::string& url) {
    return psql(
        url,
        "SELECT n.nspname || ' ' || c.relname || ' ' || c.relkind::text || ' ' || CASE WHEN "
        "c.relkind = 'r' THEN (xpath('/row/c/text()', query_to_xml(format('SELECT "
        "count(*) AS c FROM %I.%I', n.nspname, c.relname), false, true, '')))[1]::text "
        "ELSE '' END FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind IN ('r', 'v') AND n.nspname NOT IN ('pg_catalog', "
        "'information_schema', 'public') AND n.nspname NOT LIKE 'pg_%' ORDER BY 1");
  }
  std::string unfinishedSchemas(const std::string& url) {
    return psql(url,
                "SELECT string_agg(nspname, ', ') FROM pg_namespace WHERE "
                "obj_description(oid, 'pg_namespace') LIKE 'vantrel: unfinished%'");
  }

  std::vector<std::string> worker(const std::string& url, int shard) {
    return {kCli,
            "repair",
            "-q",
            "--jobs",
            "1",
            "--to",
            url,
            "--files-from",
            (dir / "list").string(),
            "--shard",
            std::to_string(shard) + "/3",
            "--resume",
            (dir / "shared.jsonl").string(),
            "--progress",
            "json"};
  }

  test::TempDir dir;
  std::string server;       // "postgresql://USER@HOST:PORT/"
  std::string maintenance;  // the test server's own database
  std::vector<std::string> databases;
};

// Whether the worker is in the middle of a file whose first table is committed: its last
// file_started is followed by three table events (a table is committed as the next is made)
// and no file_ended.
bool deepInAFile(const std::string& events) {
  const size_t started = events.rfind("\"event\":\"file_started\"");
  if (started == std::string::npos) return false;
  if (events.find("\"event\":\"file_ended\"", started) != std::string::npos) return false;
  int tables = 0;
  for (size_t at = events.find("\"event\":\"table\"", started); at != std::string::npos;
       at = events.find("\"event\":\"table\"", at + 1))
    ++tables;
  return tables >= 3;
}

TEST_F(ScaleOutTest, ThreeShardsWithAKilledWorkerResumedEndAsOneRun) {
  {
    std::ofstream list(dir / "list");
    for (const test::CorpusFile& file : test::corpusFiles())
      list << file.path.string() << "\n";
  }
  const std::string single = newDatabase("scale_single");
  const auto one =
      runProcess({kCli, "repair", "-q", "--jobs", "1", "--to", single, "--files-from",
                  (dir / "list").string(), "--manifest", (dir / "single.jsonl").string()});
  ASSERT_LE(one.exitCode, 1) << one.err;
  const auto expected = fileEnds(dir / "single.jsonl");
  ASSERT_EQ(expected.size(), test::corpusFiles().size());

  const std::string shared = newDatabase("scale_shards");
  std::vector<std::unique_ptr<test::BackgroundProcess>> workers;
  for (int shard = 1; shard <= 3; ++shard)
    workers.push_back(std::make_unique<test::BackgroundProcess>(worker(shared, shard)));
  // Killed at once (no chance to end its file) when it is deep in a file.
  int killed = 0;
  for (bool running = true; running && killed == 0;) {
    running = false;
    for (int k = 0; k < 3 && killed == 0; ++k) {
      if (::kill(workers[k]->pid(), 0) != 0) continue;
      running = true;
      if (deepInAFile(workers[k]->errSoFar())) {
        ::kill(workers[k]->pid(), SIGKILL);
        killed = k + 1;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_NE(killed, 0) << "no worker was seen in the middle of a file";
  for (int k = 0; k < 3; ++k) {
    const auto ended = workers[k]->wait();
    if (k + 1 == killed) {
      EXPECT_EQ(ended.exitCode, 128 + SIGKILL);
    } else {
      EXPECT_LE(ended.exitCode, 1) << ended.err;
    }
  }
  EXPECT_NE(unfinishedSchemas(shared), "\n") << "the kill left no schema unfinished";

  const auto resumed = runProcess(worker(shared, killed));
  EXPECT_LE(resumed.exitCode, 1) << resumed.err;
  // Its progress: JSON lines only, each file that started also ended.
  int starts = 0;
  int ends = 0;
  for (const nlohmann::json& event : jsonLines(resumed.err)) {
    starts += event["event"] == "file_started";
    ends += event["event"] == "file_ended";
  }
  EXPECT_GT(starts, 0);
  EXPECT_EQ(starts, ends);

  const auto got = fileEnds(dir / "shared.jsonl");
  for (const auto& [source, end] : expected) {
    const auto found = got.find(source);
    if (found == got.end()) {
      ADD_FAILURE() << source << " is not in the shared manifest";
    } else {
      EXPECT_EQ(found->second, end) << source;
    }
  }
  EXPECT_EQ(got.size(), expected.size());
  const std::string tables = contents(single);
  EXPECT_GT(std::count(tables.begin(), tables.end(), '\n'), 100);
  EXPECT_EQ(contents(shared), tables);
  EXPECT_EQ(unfinishedSchemas(shared), "\n");
}

}  // namespace
}  // namespace vantrel
