// vantrel-mkdb: JSON descriptions, the generated benchmark table, damaged copies, and the
// samples the repository ships.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/mdb_writer/written_database.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/mdbtools.h"
#include "tools/mkdb/damage.h"
#include "tools/mkdb/manifest_json.h"
#include "tools/mkdb/spec_json.h"
#include "tools/mkdb/synthetic.h"

namespace vantrel::test {
namespace {

using namespace mdbwriter;
using mdbwriter::JetFormat;
using mdbwriter::JetVersion;
using nlohmann::json;

const std::string kTool = VANTREL_BINARY_DIR "/tools/mkdb/vantrel-mkdb";
const std::filesystem::path kSamples = VANTREL_SOURCE_DIR "/samples";

Bytes fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path) << text;
}

std::vector<Row> allRows(const TableSpec& table) {
  std::vector<Row> rows;
  Row row;
  while (table.rows && table.rows(row))
    rows.push_back(row);
  return rows;
}

TEST(SpecJsonTest, ReadsTablesRowsQueriesAndRelations) {
  const json description = json::parse(R"({
    "format": "jet3",
    "tables": [{
      "name": "T",
      "usageMap": "page-list",
      "columns": [
        {"name": "Id", "type": "long"},
        {"name": "Only4", "type": "numeric", "scale": 2, "formats": ["jet4"]},
        {"name": "Money", "type": "currency"},
        {"name": "When", "type": "datetime"},
        {"name": "Blob", "type": "ole", "longValues": "chain"},
        {"name": "Gone", "type": "text", "deleted": true}
      ],
      "rows": [[1, "1.5", "-0.25", "2000-01-02 03:04:05", {"repeat": "AB", "count": 3}, "x"],
               {"Id": 2, "_deleted": true}],
      "generate": {"rows": 2}
    }],
    "queries": [{"name": "Q", "kind": "delete", "tables": ["T"], "where": "Id>1"},
                {"name": "R", "rows": [{"attribute": 1, "flag": 9, "order": "00000002"}],
                 "objectFlags": 128}],
    "relations": [{"name": "TT", "table": "T", "columns": ["Id"], "referencedTable": "T",
                   "referencedColumns": ["Id"], "flags": 2, "formats": ["jet4"]}]
  })");
  const DatabaseSpec jet3 = mkdb::specFromJson(description);
  EXPECT_EQ(jet3.version, JetVersion::kJet3);
  const TableSpec& table = jet3.tables.at(0);
  ASSERT_EQ(table.columns.size(), 5u);  // the Jet 4 column is left out
  EXPECT_EQ(table.usageMap, UsageMapKind::kPageList);
  EXPECT_EQ(table.columns[3].longValues, LongValueStorage::kChain);
  EXPECT_TRUE(table.columns[4].deleted);
  const std::vector<Row> rows = allRows(table);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].values[1], Value{Currency{-2500}});
  EXPECT_EQ(rows[0].values[2], Value{dateTime(2000, 1, 2, 3, 4, 5)});
  EXPECT_EQ(rows[0].values[3], (Value{Bytes{0xAB, 0xAB, 0xAB}}));
  EXPECT_TRUE(rows[1].deleted);
  EXPECT_TRUE(isNull(rows[1].values[1]));
  EXPECT_EQ(rows[3].values[0], Value{int64_t{2}});  // generated: 1, 2
  EXPECT_TRUE(jet3.relations.empty());
  EXPECT_EQ(jet3.queries.at(0).objectFlags, 32);
  EXPECT_EQ(jet3.queries.at(1).rows.at(0).order, (Bytes{0, 0, 0, 2}));

  const DatabaseSpec jet4 = mkdb::specFromJson(description, JetVersion::kJet4);
  EXPECT_EQ(jet4.tables.at(0).columns.size(), 6u);
  EXPECT_EQ(allRows(jet4.tables.at(0)).at(0).values.at(1), Value{Decimal{150}});
  EXPECT_EQ(jet4.relations.size(), 1u);
}

TEST(SpecJsonTest, NamesWhatItCannotUse) {
  const auto failure = [](const char* text) {
    try {
      mkdb::specFromJson(json::parse(text));
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_NE(failure(R"({"format": "jet5"})").find("jet5"), std::string::npos);
  EXPECT_NE(failure(R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "int"}]}]})")
                .find("\"int\""),
            std::string::npos);
  EXPECT_NE(failure(R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}],
                                   "rows": [["one"]]}]})")
                .find("column \"A\""),
            std::string::npos);
  EXPECT_NE(failure(R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "currency"}],
                                   "rows": [["1.23456"]]}]})")
                .find("more decimals"),
            std::string::npos);
}

TEST(DamageTest, ZeroesFillsAndSetsWhatItIsTold) {
  TempDir dir;
  DatabaseSpec spec{.version = JetVersion::kJet3};
  TableSpec table{.name = "T",
                  .columns = {{.name = "Id"}, {.name = "Text", .type = ColumnType::kText}}};
  std::vector<Row> rows;
  for (int64_t i = 0; i < 200; ++i)
    rows.push_back({{i, std::string(200, 'x')}});
  table.rows = rowsOf(rows);
  spec.tables.push_back(table);
  const Manifest manifest = writeDatabase(dir / "db.mdb", std::move(spec));
  const json manifestJson = mkdb::manifestToJson(manifest);

  const std::vector<int64_t> pages = mkdb::dataPagesOf(manifestJson, "T", 1, 2);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], manifest.table("T").dataPages.nth(1));
  EXPECT_THROW(mkdb::dataPagesOf(manifestJson, "T", 0, 1000), std::invalid_argument);
  EXPECT_THROW(mkdb::dataPagesOf(manifestJson, "Nope", 0, 1), std::invalid_argument);

  mkdb::damageFile(dir / "db.mdb", dir / "bad.mdb",
                   {.zeroPages = pages, .fillPages = {{2, 0xFF}}, .setBytes = {{0x14, 0x4A}}});
  const Bytes before = fileBytes(dir / "db.mdb");
  const Bytes after = fileBytes(dir / "bad.mdb");
  ASSERT_EQ(before.size(), after.size());
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) {
    const int64_t page = static_cast<int64_t>(i / 2048);
    if (i == 0x14) {
      EXPECT_EQ(after[i], 0x4A);
    } else if (page == 2) {
      EXPECT_EQ(after[i], 0xFF);
    } else if (page == pages[0] || page == pages[1]) {
      EXPECT_EQ(after[i], 0);
    } else {
      changed += before[i] != after[i];
    }
  }
  EXPECT_EQ(changed, 0u);
  EXPECT_THROW(mkdb::damageFile(dir / "db.mdb", dir / "worse.mdb", {.zeroPages = {100000}}),
               std::runtime_error);
}

TEST(SyntheticTest, StreamsRowsWithMemosOnLongValuePages) {
  VANTREL_REQUIRE_MDBTOOLS();
  WrittenDatabase db(mkdb::syntheticSpec({.rows = 3000, .chainEvery = 500}));
  const TableManifest& records = db.manifest().table("Records");
  EXPECT_EQ(records.rowCount, 3000);
  EXPECT_FALSE(records.longValuePages.empty());
  const auto exported = mdbExport(db.path(), "Records");
  ASSERT_EQ(exported.size(), 3001u);
  EXPECT_EQ(exported[3000][0], "3000");
  EXPECT_EQ(exported[500][10]->size(), 6000u);  // a chained memo
  // The same seed gives the same file.
  WrittenDatabase again(mkdb::syntheticSpec({.rows = 3000, .chainEvery = 500}));
  EXPECT_EQ(fileBytes(db.path()), fileBytes(again.path()));
}

TEST(MkdbToolTest, MakesAndDamagesFromTheCommandLine) {
  TempDir dir;
  writeText(dir / "spec.json",
            R"({"tables": [{"name": "T", "columns": [{"name": "Id", "type": "long"}],
                           "generate": {"rows": 5}}]})");
  const std::string db = (dir / "db.mdb").string();
  const std::string manifest = (dir / "db.json").string();
  CommandResult made =
      runCommand({kTool, "make", (dir / "spec.json").string(), db, "--manifest", manifest});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_NE(made.out.find("1 tables, 5 rows"), std::string::npos) << made.out;
  std::ifstream manifestFile(manifest);
  EXPECT_EQ(json::parse(manifestFile).at("tables").at(4).at("rowCount"), 5);

  EXPECT_EQ(runCommand({kTool, "damage", db, (dir / "bad.mdb").string(), "--zero-data-pages",
                        "T:0:1", "--manifest", manifest})
                .exitCode,
            0);
  EXPECT_EQ(fileBytes(dir / "bad.mdb").size(), fileBytes(db).size());
  // Usage errors exit with 2, failures with 1 (and leave no file behind).
  EXPECT_EQ(
      runCommand({kTool, "damage", db, (dir / "x.mdb").string(), "--zero-data-pages", "T:0:1"})
          .exitCode,
      2);
  EXPECT_EQ(runCommand({kTool, "make"}).exitCode, 2);
  writeText(dir / "bad.json", R"({"tables": [{"name": "T", "columns": []}]})");
  EXPECT_EQ(
      runCommand({kTool, "make", (dir / "bad.json").string(), (dir / "y.mdb").string()}).exitCode,
      1);
  EXPECT_FALSE(std::filesystem::exists(dir / "y.mdb"));
}

// The committed samples are what scripts/make-samples.sh makes from samples/sample.json.
TEST(SamplesTest, AreWhatTheScriptMakes) {
  TempDir dir;
  std::ifstream in(kSamples / "sample.json");
  const json description = json::parse(in);
  for (const char* format : {"jet4", "jet3"}) {
    SCOPED_TRACE(format);
    const std::string name = std::string("sample-") + format;
    const Manifest manifest = writeDatabase(
        dir / (name + ".mdb"), mkdb::specFromJson(description, mkdb::parseFormat(format)));
    const json manifestJson = mkdb::manifestToJson(manifest);
    EXPECT_EQ(fileBytes(dir / (name + ".mdb")), fileBytes(kSamples / (name + ".mdb")));
    std::ifstream committed(kSamples / (name + ".manifest.json"));
    EXPECT_EQ(manifestJson, json::parse(committed));
    mkdb::damageFile(dir / (name + ".mdb"), dir / (name + "-damaged.mdb"),
                     {.zeroPages = mkdb::dataPagesOf(manifestJson, "Readings", 1, 2),
                      .fillPages = {{2, 0xFF}},
                      .setBytes = {{0x14, 0x4A}}});
    EXPECT_EQ(fileBytes(dir / (name + "-damaged.mdb")),
              fileBytes(kSamples / (name + "-damaged.mdb")));
  }
}

}  // namespace
}  // namespace vantrel::test
