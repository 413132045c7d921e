// The reader opens every database the writer makes and lists the definitions it was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "reader/database_header.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "tests/mdb_writer/test_tables.h"
#include "tests/mdb_writer/written_database.h"
#include "tests/support/mdb_writer/system_tables.h"
#include "tests/support/mdb_writer/table_layout.h"
#include "tools/mkdb/spec_json.h"

namespace vantrel::test {
namespace {

using namespace mdbwriter;
using mdbwriter::JetFormat;
using mdbwriter::JetVersion;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The definition the reader should list: live columns, alphabetical for Jet 4 system tables.
void expectDefinition(SourceDatabase& db, const TableSpec& spec, const TableManifest& written,
                      bool alphabetical) {
  SCOPED_TRACE(spec.name);
  auto table = readTableDefinition(
      db, {.name = spec.name, .objectType = 1, .tdefPage = written.definitionPage()});
  ASSERT_TRUE(table.has_value());
  readColumns(db, *table);
  EXPECT_EQ(table->rowCount, written.rowCount);
  ASSERT_FALSE(table->usageMap.bytes().empty());
  EXPECT_EQ(table->usageMap.bytes()[0], written.usageMap.type);

  const TableLayout layout = layoutTable(spec, db.isJet4() ? kJet4Format : kJet3Format);
  std::vector<size_t> order;
  for (size_t i = 0; i < spec.columns.size(); ++i) {
    if (!spec.columns[i].deleted) order.push_back(i);
  }
  if (alphabetical) {
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return lower(spec.columns[a].name) < lower(spec.columns[b].name);
    });
  }
  ASSERT_EQ(table->columns.size(), order.size());
  for (size_t k = 0; k < order.size(); ++k) {
    const ColumnSpec& expected = spec.columns[order[k]];
    const ColumnLayout& place = layout.columns[order[k]];
    const ColumnDefinition& read = table->columns[k];
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(read.name, expected.name);
    EXPECT_EQ(read.type, static_cast<int>(expected.type));
    EXPECT_EQ(read.size, expected.type == ColumnType::kBoolean ? 0 : place.storedSize);
    EXPECT_EQ(read.isFixed, place.fixed);
    EXPECT_EQ(read.columnNumber, place.number);
    EXPECT_EQ(read.variableIndex, place.varIndex);
    if (place.fixed) {
      EXPECT_EQ(read.fixedOffset, place.fixedOffset);
    }
    if (expected.type == ColumnType::kNumeric) {
      EXPECT_EQ(read.precision, expected.precision);
      EXPECT_EQ(read.scale, expected.scale);
    }
  }
}

class ReaderTest : public ::testing::TestWithParam<JetVersion> {
 protected:
  JetVersion version() const { return GetParam(); }
  bool jet4() const { return version() == JetVersion::kJet4; }

  // Checks the four system tables and every user table of a written database.
  void expectAllDefinitions(const std::filesystem::path& path, const Manifest& manifest,
                            const std::vector<TableSpec>& user) {
    auto db = openSourceDatabase(path);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->formatVersion(), jet4() ? 1 : 0);
    EXPECT_EQ(headerCodePage(db->page(0).bytes()), 1252);
    const TableSpec system[] = {catalogTable(version()), accessControlTable(version()),
                                queryCatalogTable(version()), relationsTable(version())};
    for (const TableSpec& spec : system) {
      expectDefinition(*db, spec, manifest.table(spec.name), jet4());
    }
    for (const TableSpec& spec : user) {
      expectDefinition(*db, spec, manifest.table(spec.name), false);
    }
  }
};

TEST_P(ReaderTest, ListsTheDefinitionsWritten) {
  std::vector<TableSpec> user = {allTypesTable(version()), longValuesTable()};
  TableSpec edited{.name = "Edited"};
  edited.columns = {{.name = "Id", .type = ColumnType::kLong},
                    {.name = "Gone", .type = ColumnType::kDouble, .deleted = true},
                    {.name = "Name", .type = ColumnType::kText, .size = 20},
                    {.name = "Old", .type = ColumnType::kMemo, .deleted = true},
                    {.name = "Price", .type = ColumnType::kCurrency}};
  edited.rows = rowsOf({{{int64_t{1}, 2.0, std::string("a"), std::string("old"), Currency{5}}}});
  user.push_back(edited);
  DatabaseSpec spec{.version = version(), .tables = user};
  spec.tables[1].rows = rowsOf(longValuesRows(version()));
  WrittenDatabase written(std::move(spec));
  expectAllDefinitions(written.path(), written.manifest(), user);
}

TEST_P(ReaderTest, FollowsDefinitionsOverSeveralPages) {
  TableSpec wide{.name = "Wide"};
  for (int i = 0; i < 200; ++i) {
    wide.columns.push_back({.name = "Column number " + std::to_string(i) + std::string(40, 'x'),
                            .type = i % 3 == 0 ? ColumnType::kText : ColumnType::kLong});
  }
  wide.indexes = {{.name = "First", .columns = {{wide.columns[0].name}}}};
  WrittenDatabase written({.version = version(), .tables = {wide}});
  EXPECT_GE(written.manifest().table("Wide").definitionPages.size(), 6u);
  expectAllDefinitions(written.path(), written.manifest(), {wide});
}

TEST_P(ReaderTest, ListsTheSampleDefinitions) {
  const auto description = [] {
    std::ifstream in(VANTREL_SOURCE_DIR "/samples/sample.json");
    return nlohmann::json::parse(in);
  };
  // A fresh copy gives the manifest; the samples test makes sure its bytes are the
  // committed file's.
  const WrittenDatabase fresh(mkdb::specFromJson(description(), version()));
  const std::string committed =
      std::string(VANTREL_SOURCE_DIR "/samples/sample-") + (jet4() ? "jet4" : "jet3") + ".mdb";
  expectAllDefinitions(committed, fresh.manifest(),
                       mkdb::specFromJson(description(), version()).tables);
}

INSTANTIATE_TEST_SUITE_P(BothVersions, ReaderTest,
                         ::testing::Values(JetVersion::kJet3, JetVersion::kJet4),
                         [](const auto& test) { return versionName(test.param); });

}  // namespace
}  // namespace vantrel::test
