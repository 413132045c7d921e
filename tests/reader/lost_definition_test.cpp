// A table whose definition is lost: its columns inferred from its rows, on written databases of
// both versions, on hostile rows, and never on the healthy real files.

#include "reader/lost_definition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#include "app/analysis_handler.h"
#include "app/saving_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "reader/catalog_rows.h"
#include "reader/catalog_walk.h"
#include "reader/column_types.h"
#include "reader/row_layout_inference.h"
#include "reader/row_reader.h"
#include "run/catalog_summary.h"
#include "run/run_state.h"
#include "run/walk_end.h"
#include "tests/support/corpus.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

namespace mw = mdbwriter;

constexpr int kRows = 60;

std::string deletedText(int i) {
  return "deleted row " + std::to_string(i);
}

// A table of every kind of column, with nulls, a memo in the row and on long-value pages, and
// deleted rows whose texts must never come back.
mw::TableSpec everyKind() {
  mw::TableSpec table;
  table.name = "Everything";
  table.columns = {
      {.name = "Id", .type = mw::ColumnType::kLong, .autoNumber = true},
      {.name = "Name", .type = mw::ColumnType::kText, .size = 40, .compressedText = true},
      {.name = "Small", .type = mw::ColumnType::kInteger},
      {.name = "Local", .type = mw::ColumnType::kText, .size = 20},
      {.name = "Price", .type = mw::ColumnType::kDouble},
      {.name = "Taken", .type = mw::ColumnType::kDateTime},
      {.name = "Active", .type = mw::ColumnType::kBoolean},
      {.name = "Money", .type = mw::ColumnType::kCurrency},
      {.name = "Raw", .type = mw::ColumnType::kBinary, .size = 16},
      {.name = "Notes", .type = mw::ColumnType::kMemo, .compressedText = true},
  };
  std::vector<mw::Row> rows;
  for (int i = 1; i <= kRows; ++i) {
    const bool deleted = i % 20 == 7;
    const mw::Value notes = i % 5 == 0 ? mw::Value{}
                            : i % 9 == 0
                                ? mw::Value{std::string(3000, static_cast<char>('a' + i % 26))}
                                : mw::Value{"note " + std::to_string(i)};
    rows.push_back(
        {{int64_t{i}, deleted ? deletedText(i) : "Name " + std::to_string(i), int64_t{i % 7},
          i % 4 == 0 ? mw::Value{} : mw::Value{"Ort " + std::to_string(i) + " Köln"}, i * 1.25,
          mw::dateTime(2000 + i % 20, 1 + i % 12, 1 + i % 28), i % 3 == 0, mw::Currency{i * 100},
          mw::Bytes{0, 1, 2, static_cast<uint8_t>(i)}, notes},
         deleted});
  }
  table.rows = mw::rowsOf(std::move(rows));
  return table;
}

class LostDefinitionTest : public ::testing::TestWithParam<mw::JetVersion> {
 protected:
  // Writes the database and zeroes the table's definition page (and the catalog's rows when
  // asked); returns that page.
  int64_t writeWithLostDefinition(bool catalogRowsToo = false) {
    mw::DatabaseSpec spec;
    spec.version = GetParam();
    spec.tables.push_back(everyKind());
    const mw::Manifest manifest = mw::writeDatabase(path, std::move(spec));
    const int64_t page = manifest.table("Everything").definitionPage();
    std::vector<int64_t> zeroed{page};
    if (catalogRowsToo) {
      for (int64_t catalogPage : manifest.catalogPages().pages())
        zeroed.push_back(catalogPage);
    }
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const std::string zeros(static_cast<size_t>(manifest.pageSize), '\0');
    for (int64_t at : zeroed) {
      file.seekp(at * manifest.pageSize);
      file.write(zeros.data(), manifest.pageSize);
    }
    return page;
  }

  test::TempDir dir;
  std::filesystem::path path = dir / "lost.mdb";
};

TEST_P(LostDefinitionTest, RowsGiveTypedColumnsAndEveryLiveRowWithItsTexts) {
  const int64_t page = writeWithLostDefinition();
  SilentRunHooks hooks;
  RunState run(hooks);
  auto db = openSourceDatabase(path, &run);
  ASSERT_TRUE(db);
  EXPECT_TRUE(definitionIsLost(*db, page));
  EXPECT_FALSE(definitionIsLost(*db, kCatalogTdefPage));

  auto table =
      inferLostDefinition(*db, {.name = "T", .objectType = kObjectTable, .tdefPage = page});
  ASSERT_TRUE(table);
  const int live = kRows - 3;
  EXPECT_EQ(table->inferredFromRows, live);
  std::multiset<int> types;
  for (const ColumnDefinition& column : table->columns)
    types.insert(column.type);
  // The variable columns: two texts, the binary and the memo; the AutoNumber, the date and the
  // double are recognised; the boolean keeps its bit.
  EXPECT_EQ(types.count(kTypeText), 2u);
  EXPECT_EQ(types.count(kTypeMemo), 1u);
  EXPECT_GE(types.count(kTypeBinary), 1u);
  EXPECT_EQ(types.count(kTypeDateTime), 1u);
  EXPECT_EQ(types.count(kTypeDouble), 1u);
  EXPECT_GE(types.count(kTypeBoolean), 1u);
  const auto key = std::ranges::find_if(table->columns, [](const ColumnDefinition& column) {
    return column.isFixed && column.fixedOffset == 0 && column.type != kTypeBoolean;
  });
  ASSERT_NE(key, table->columns.end());
  EXPECT_EQ(key->type, kTypeLong);
  EXPECT_EQ(table->columns.front().name, "Field1");

  // Every live row comes back with every text, the null ones null; no deleted row does.
  std::set<std::string> expected;
  for (int i = 1; i <= kRows; ++i) {
    if (i % 20 == 7) continue;
    std::string row = "Name " + std::to_string(i) + "|";
    row += i % 4 == 0 ? "" : "Ort " + std::to_string(i) + " Köln";
    row += "|";
    row += i % 5 == 0   ? ""
           : i % 9 == 0 ? std::string(3000, static_cast<char>('a' + i % 26))
                        : "note " + std::to_string(i);
    expected.insert(row);
  }
  std::set<std::string> found;
  RowCursor cursor;
  while (fetchRow(*db, *table, cursor) == RowFetch::kRow) {
    std::vector<std::string> texts(3);
    for (size_t c = 0; c < table->columns.size(); ++c) {
      const ColumnDefinition& column = table->columns[c];
      const std::string& text = cursor.fields[c].text;
      if (text.rfind("deleted row", 0) == 0) ADD_FAILURE() << "a deleted row came back: " << text;
      if (column.type == kTypeMemo) texts[2] = text;
      if (column.type == kTypeText) texts[text.rfind("Name", 0) == 0 ? 0 : 1] = text;
    }
    found.insert(texts[0] + "|" + texts[1] + "|" + texts[2]);
  }
  std::vector<std::string> missing;
  std::ranges::set_difference(expected, found, std::back_inserter(missing));
  std::vector<std::string> extra;
  std::ranges::set_difference(found, expected, std::back_inserter(extra));
  EXPECT_TRUE(missing.empty() && extra.empty())
      << missing.size() << " rows missing, the first: " << (missing.empty() ? "" : missing[0])
      << "; " << extra.size()
      << " rows not written, the first: " << (extra.empty() ? "" : extra[0].substr(0, 80));
}

TEST_P(LostDefinitionTest, SavingNamesTheTableByItsCatalogRowAndSaysTheDefinitionIsLost) {
  writeWithLostDefinition();
  class Lines : public SilentRunHooks {
   public:
    void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
  } hooks;
  RunState run(hooks);
  CatalogSummary summary;
  CDaoDatabase destination;
  destination.Create(dir / "out.sqlite");
  SalvageContext context{run, nullptr, &destination};
  SavingHandler handler(context);
  EXPECT_EQ(walkFile(path, handler, run), WalkEnd::kFinished);
  const auto at = std::find(hooks.lines.begin(), hooks.lines.end(),
                            "Repairing Table :                   Everything");
  ASSERT_NE(at, hooks.lines.end());
  ASSERT_LT(at + 3, hooks.lines.end());
  EXPECT_EQ(at[2], "Total Records Recovered :   " + std::to_string(kRows - 3));
  EXPECT_EQ(at[3], "Definition lost: columns inferred from " + std::to_string(kRows - 3) + " rows");
}

TEST_P(LostDefinitionTest, WithoutItsCatalogRowTheTableIsNamedByItsPageInTheAnalysis) {
  const int64_t page = writeWithLostDefinition(true);
  SilentRunHooks hooks;
  RunState run(hooks);
  CatalogSummary summary;
  AnalysisHandler handler(summary);
  auto db = openSourceDatabase(path, &run);
  ASSERT_TRUE(db);
  EXPECT_EQ(walkCatalog(*db, handler), WalkEnd::kFinished);
  ASSERT_EQ(summary.tables.size(), 1u);
  EXPECT_EQ(summary.tables[0].name, "Recovered_Rows_" + std::to_string(page));
  EXPECT_EQ(summary.tables[0].objectId, page);
  EXPECT_EQ(summary.tables[0].recordCount, kRows - 3);
  EXPECT_GE(summary.tables[0].columnCount, 10);
}

INSTANTIATE_TEST_SUITE_P(Versions, LostDefinitionTest,
                         ::testing::Values(mw::JetVersion::kJet3, mw::JetVersion::kJet4),
                         [](const auto& versionInfo) {
                           return versionInfo.param == mw::JetVersion::kJet3 ? "Jet3" : "Jet4";
                         });

// Rows of any bytes, any column count and any offsets: the inference stays inside them.
TEST(RowLayoutInferenceTest, HostileRowsNeverReadOutsideThemselves) {
  std::mt19937 random(20261207);
  const ValueChecks checks{.decodesCleanly = [](std::span<const uint8_t>) { return true; },
                           .leadsToLongValue = [](std::span<const uint8_t>) { return true; }};
  for (int round = 0; round < 300; ++round) {
    std::vector<ObservedRow> rows(1 + random() % 20);
    for (ObservedRow& row : rows) {
      row.bytes.resize(random() % 64);
      for (uint8_t& byte : row.bytes)
        byte = static_cast<uint8_t>(random() % 4 == 0 ? 0 : random());
      row.columnCount = static_cast<int>(random() % 80) - 5;
      row.variableOffsets.resize(random() % 6);
      for (int& offset : row.variableOffsets)
        offset = static_cast<int>(random() % 80) - 5;
      if (round % 3 == 0) std::sort(row.variableOffsets.begin(), row.variableOffsets.end());
    }
    for (const bool jet4 : {false, true}) {
      if (const auto layout = inferRowLayout(rows, jet4, checks)) {
        EXPECT_GT(layout->rowsUsed, 0);
      }
    }
  }
}

// Pages of dropped tables keep their rows; they are no lost definition.
TEST(CorpusLostDefinitionTest, HealthyFilesHaveNoLostDefinition) {
  VANTREL_REQUIRE_CORPUS();
  for (const auto& file : test::corpusFiles()) {
    SilentRunHooks hooks;
    RunState run(hooks);
    CatalogSummary summary;
    AnalysisHandler handler(summary);
    auto db = openSourceDatabase(file.path, &run);
    ASSERT_TRUE(db) << file.stem;
    walkCatalog(*db, handler);
    for (const auto& table : summary.tables) {
      EXPECT_EQ(table.name.rfind("Recovered_Rows_", 0), std::string::npos)
          << file.stem << ": " << table.name;
    }
  }
}

}  // namespace
}  // namespace vantrel
