#include "salvage/table_salvage.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

#include "app/activity_log.h"
#include "app/analysis_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "run/walk_end.h"
#include "tests/support/corpus.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::RowImage;
using test::TableFixture;
using test::TdefColumn;
using Lines = std::vector<std::string>;

// Hooks that keep the saving list, and confirm every stop.
class RecordingHooks : public SilentRunHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { savingList.emplace_back(text); }
  Lines savingList;
};

// One table saved into a fresh destination, or counted by the analysis.
class TableSalvageTest : public ::testing::Test {
 protected:
  enum class Mode { Saving, Analysis };

  WalkEnd salvage(TableFixture& t, Mode mode, const std::string& name = "Orders") {
    run.runPhase = RunPhase::kSaving;
    auto db = t.open(&run);
    if (mode == Mode::Analysis) return AnalysisHandler(summary).onTable(*db, t.tdefPage, name);
    if (!destination.IsOpen()) destination.Create(dir / "out.sqlite");
    SalvageContext context{run, &log, &destination};
    return saveTable(*db, t.tdefPage, name, context);
  }

  std::string logText() const { return test::readTextFile(log.path()); }
  std::unique_ptr<test::SqliteFile> saved() {
    if (destination.IsOpen()) destination.Close();
    return std::make_unique<test::SqliteFile>(dir / "out.sqlite");
  }

  test::TempDir dir;
  RecordingHooks hooks;
  RunState run{hooks};
  CatalogSummary summary;
  ActivityLog log{dir / "Activity Log.txt"};
  CDaoDatabase destination;
};

// Orders(ID long key, Name text, Total currency indexed) on page 9, so its keys are read.
TableFixture ordersTable(int version) {
  TableFixture t(
      version,
      {
          {.name = "ID", .type = 4, .size = 4, .fixed = true, .number = 0, .fixedOffset = 0},
          {.name = "Name", .type = 10, .size = 100, .fixed = false, .number = 1, .varIndex = 0},
          {.name = "Total", .type = 5, .size = 8, .fixed = true, .number = 2, .fixedOffset = 4},
      });
  t.tdefPage = 9;
  t.spec.rowCount = 3;
  t.spec.indexCount = 2;
  t.spec.realIndexCount = 2;
  // Real entries: 0 keys ID, 1 keys Total; logical: primary key on 0, index on 1.
  std::vector<uint8_t>& section = t.spec.indexSection;
  const bool jet4 = version == 1;
  for (int column : {0, 2}) {
    const size_t start = section.size();
    if (jet4) section.insert(section.end(), 4, 0);
    for (int slot = 0; slot < 10; ++slot) {
      const int c = slot == 0 ? column : 0xFFFF;
      section.insert(section.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), 0});
    }
    section.resize(start + (jet4 ? 52 : 39), 0);
  }
  for (auto [number, type] : {std::pair{0, 1}, std::pair{1, 0}}) {
    const size_t start = section.size();
    section.resize(start + (jet4 ? 28 : 20), 0);
    section[start + (jet4 ? 8 : 4)] = static_cast<uint8_t>(number);
    section[start + (jet4 ? 23 : 19)] = static_cast<uint8_t>(type);
  }
  for (const char* name : {"PrimaryKey", "Total"}) {
    const std::string n = name;
    if (jet4) {
      const auto stored = test::utf16Le(std::u16string(n.begin(), n.end()));
      section.insert(section.end(), {static_cast<uint8_t>(stored.size()), 0});
      section.insert(section.end(), stored.begin(), stored.end());
    } else {
      section.push_back(static_cast<uint8_t>(n.size()));
      section.insert(section.end(), n.begin(), n.end());
    }
  }
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  return t;
}

std::vector<uint8_t> orderRow(const TableFixture& t, uint32_t id, std::optional<std::string> name,
                              std::optional<int64_t> total) {
  RowImage image{.columnCount = 3};
  image.fixedArea = test::le32(id);
  const uint64_t money = static_cast<uint64_t>(total.value_or(0));
  for (int i = 0; i < 8; ++i)
    image.fixedArea.push_back(static_cast<uint8_t>(money >> (8 * i)));
  image.presentColumns.push_back(0);
  if (total) image.presentColumns.push_back(2);
  if (name) {
    image.presentColumns.push_back(1);
    image.variableFields.push_back(t.file.formatVersion() == 1
                                       ? test::utf16Le(std::u16string(name->begin(), name->end()))
                                       : test::bytesOf(*name));
  } else {
    image.variableFields.push_back({});
  }
  return t.row(image);
}

TEST_F(TableSalvageTest, SavingRecreatesTheTableWritesRowsAndTotals) {
  TableFixture t = ordersTable(1);
  t.spec.rowCount = 2;
  t.addDataPage(4, {{orderRow(t, 1, "Tea", 125000)}, {orderRow(t, 2, std::nullopt, std::nullopt)}});
  EXPECT_EQ(salvage(t, Mode::Saving), WalkEnd::kFinished);
  EXPECT_EQ(hooks.savingList,
            (Lines{"Repairing Table :                   Orders", "Total Fields Recovered :       3",
                   "Total Records Recovered :   2", ""}));
  EXPECT_EQ(logText(),
            "Repairing Table :           Orders\nTotal Fields Recovered :    3\n"
            "Total Records Recovered :   2\n\n");
  const auto file = saved();
  EXPECT_EQ(file->query("SELECT ID, Name, Total FROM Orders ORDER BY ID"),
            (std::vector<Lines>{{"1", "Tea", "12.5"}, {"2", "", ""}}));
  EXPECT_EQ(file->scalar("SELECT pk FROM pragma_table_info('Orders') WHERE name = 'ID'"), "1");
  EXPECT_EQ(file->scalar("SELECT count(*) FROM MSysVantrelIndexes WHERE table_name = 'Orders' AND "
                         "index_name = 'Total'"),
            "1");
}

TEST_F(TableSalvageTest, EmptyRowsAreDroppedAndRefusedRowsCountedAsNotWritten) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    TableFixture t = ordersTable(version);
    // An all-null row (the key is null too), and a second row with key 1.
    RowImage empty{
        .columnCount = 3, .fixedArea = std::vector<uint8_t>(12, 0), .variableFields = {{}}};
    t.addDataPage(4, {{orderRow(t, 1, "Tea", 10)}, {t.row(empty)}, {orderRow(t, 1, "Again", 20)}});
    hooks.savingList.clear();
    destination.Close();
    std::filesystem::remove(dir / "out.sqlite");
    std::filesystem::remove(log.path());
    EXPECT_EQ(salvage(t, Mode::Saving), WalkEnd::kFinished);
    EXPECT_EQ(
        hooks.savingList,
        (Lines{"Repairing Table :                   Orders", "Total Fields Recovered :       3",
               "Total Records Recovered :   1", "Total Records Not Written :   1",
               "Total Records Declared :    3",
               "Not saved: table [Orders]: 1 row not written (refused by the destination)", ""}));
    // The empty row was dropped: two rows salvaged of the three the definition declares.
    EXPECT_NE(logText().find("Total Records Recovered :   1\nTotal Records Not Written :   1\n"
                             "Total Records Declared :    3\nNot saved: table [Orders]: 1 row "
                             "not written (refused by the destination)\n\n"),
              std::string::npos);
  }
}

// The file's unique index on Total, broken by two rows of one total: every row is saved, and
// the saving list and the log say the index was made without its uniqueness.
TEST_F(TableSalvageTest, AUniqueIndexTheRowsBreakIsToldAndNoRowRefused) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    TableFixture t = ordersTable(version);
    const bool jet4 = version == 1;
    // The flags byte of the second real entry, Total's.
    t.spec.indexSection[jet4 ? 52 + 46 : 39 + 38] = 0x01;
    t.spec.rowCount = 3;
    t.addDataPage(
        4, {{orderRow(t, 1, "Tea", 10)}, {orderRow(t, 2, "Ale", 10)}, {orderRow(t, 3, "Gin", 30)}});
    hooks.savingList.clear();
    destination.Close();
    std::filesystem::remove(dir / "out.sqlite");
    std::filesystem::remove(log.path());
    // A name of its own in each version: the destination remembers the names it placed.
    const std::string name = "Orders" + std::to_string(version);
    EXPECT_EQ(salvage(t, Mode::Saving, name), WalkEnd::kFinished);
    const std::string note =
        "Not re-created as unique: index [Total] of [" + name + "]: 1 duplicate value";
    EXPECT_EQ(hooks.savingList, (Lines{"Repairing Table :                   " + name,
                                       "Total Fields Recovered :       3",
                                       "Total Records Recovered :   3", note, ""}));
    EXPECT_NE(logText().find("Total Records Recovered :   3\n" + note + "\n\n"), std::string::npos);
    EXPECT_EQ(saved()->scalar("SELECT count(*) FROM " + name), "3");
  }
}

TEST_F(TableSalvageTest, DefinitionPagesBelowEightGetNoKeys) {
  TableFixture t = ordersTable(1);
  t.tdefPage = 7;
  t.addDataPage(4, {{orderRow(t, 1, "Tea", 10)}, {orderRow(t, 1, "Twin", 20)}});
  EXPECT_EQ(salvage(t, Mode::Saving), WalkEnd::kFinished);
  const auto file = saved();
  EXPECT_EQ(file->scalar("SELECT count(*) FROM Orders"), "2") << "no key, so no refused twin";
  EXPECT_EQ(file->scalar("SELECT pk FROM pragma_table_info('Orders') WHERE name = 'ID'"), "0");
}

TEST_F(TableSalvageTest, ColumnsWithoutTypeAreLoggedAndATakenNameGetsANearOne) {
  TableFixture t(
      1, {{.name = "RepairedField", .type = 4, .size = 4, .fixed = true, .number = 0},
          {.name = "RepairedField",
           .type = 4,
           .size = 4,
           .fixed = true,
           .number = 1,
           .fixedOffset = 4},
          {.name = "Odd", .type = 13, .size = 4, .fixed = true, .number = 2, .fixedOffset = 8}});
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{t.row({.columnCount = 3,
                            .fixedArea = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0},
                            .presentColumns = {0, 1, 2}})}});
  EXPECT_EQ(salvage(t, Mode::Saving, "T"), WalkEnd::kFinished);
  const std::string text = logText();
  EXPECT_NE(
      text.find("Not re-created: column [Odd] of table [T] (its type has no destination type)\n"),
      std::string::npos);
  EXPECT_NE(text.find("Renamed: column [RepairedField] saved as [RepairedField_2] (the name is "
                      "taken, in table T)\n"),
            std::string::npos);
  EXPECT_NE(text.find("Total Records Recovered :   1\n"), std::string::npos);
  // Only the columns that exist in the destination are recovered fields.
  EXPECT_EQ(hooks.savingList[1], "Total Fields Recovered :       2");
  EXPECT_NE(text.find("Total Fields Recovered :    2\n"), std::string::npos);
  EXPECT_EQ(saved()->query("SELECT * FROM T"), (std::vector<Lines>{{"1", "2"}}));
}

TEST_F(TableSalvageTest, SinglesAndDoublesAreSavedFromTheirBits) {
  TableFixture t(
      1, {{.name = "S", .type = 6, .size = 4, .fixed = true, .number = 0},
          {.name = "D", .type = 7, .size = 8, .fixed = true, .number = 1, .fixedOffset = 4}});
  const auto row = [&](float single, double value) {
    std::vector<uint8_t> fixed(12);
    std::memcpy(fixed.data(), &single, 4);
    std::memcpy(fixed.data() + 4, &value, 8);
    return test::RowSpec{t.row({.columnCount = 2, .fixedArea = fixed, .presentColumns = {0, 1}})};
  };
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {row(0.15f, 0.1 + 0.2), row(-FLT_MAX, -1.23456789)});
  EXPECT_EQ(salvage(t, Mode::Saving, "T"), WalkEnd::kFinished);
  EXPECT_EQ(saved()->query("SELECT S = 0.15, D = 0.1 + 0.2, CAST(S AS TEXT), D FROM T"),
            (std::vector<Lines>{{"1", "1", "0.15", "0.3"},
                                {"0", "0", "-3.40282346638529e+38", "-1.23456789"}}));
}

TEST_F(TableSalvageTest, NamesHoldingBracketsBecomeTablesAndColumns) {
  TableFixture t(
      0,
      {{.name = "Id]x", .type = 4, .size = 4, .fixed = true, .number = 0},
       {.name = "[Note]]", .type = 10, .size = 100, .fixed = false, .number = 1, .varIndex = 0}});
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{t.row({.columnCount = 2,
                            .fixedArea = test::le32(7),
                            .variableFields = {test::bytesOf("hi")},
                            .presentColumns = {0, 1}})}});
  EXPECT_EQ(salvage(t, Mode::Saving, "Odd]Name"), WalkEnd::kFinished);
  EXPECT_EQ(hooks.savingList[1], "Total Fields Recovered :       2");
  EXPECT_EQ(hooks.savingList[2], "Total Records Recovered :   1");
  EXPECT_EQ(saved()->query("SELECT \"Id]x\", \"[Note]]\" FROM \"Odd]Name\""),
            (std::vector<Lines>{{"7", "hi"}}));
}

TEST_F(TableSalvageTest, BinaryOleAndGuidKeepTheirValues) {
  TableFixture t(
      1, {{.name = "G", .type = 15, .size = 16, .fixed = true, .number = 0},
          {.name = "B", .type = 9, .size = 10, .fixed = false, .number = 1, .varIndex = 0},
          {.name = "O", .type = 11, .size = 0, .fixed = false, .number = 2, .varIndex = 1}});
  std::vector<uint8_t> guid(16, 0xAB);
  std::vector<uint8_t> ole = test::le32(0x80000000u | 3);
  ole.resize(12, 0);
  ole.insert(ole.end(), {0xCA, 0xFE, 0x00});
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{t.row({.columnCount = 3,
                            .fixedArea = guid,
                            .variableFields = {{0x00, 0x01}, ole},
                            .presentColumns = {0, 1, 2}})},
                    // Only the binary field holds anything: the row is not empty.
                    {t.row({.columnCount = 3,
                            .fixedArea = std::vector<uint8_t>(16, 0),
                            .variableFields = {{0x07}, {}},
                            .presentColumns = {1}})}});
  EXPECT_EQ(salvage(t, Mode::Saving, "T"), WalkEnd::kFinished);
  EXPECT_EQ(hooks.savingList[2], "Total Records Recovered :   2");
  const auto file = saved();
  EXPECT_EQ(
      file->query("SELECT G, hex(B), hex(O), typeof(O) FROM T ORDER BY rowid"),
      (std::vector<Lines>{{"{ABABABAB-ABAB-ABAB-ABAB-ABABABABABAB}", "0001", "CAFE00", "blob"},
                          {"", "07", "", "null"}}));
}

TEST_F(TableSalvageTest, StopDuringATableStillWritesItsTotals) {
  TableFixture t = ordersTable(1);
  t.addDataPage(4, {{orderRow(t, 1, "Tea", 10)}});
  run.requestStop();
  EXPECT_EQ(salvage(t, Mode::Saving), WalkEnd::kStopped);
  EXPECT_EQ(hooks.savingList,
            (Lines{"Repairing Table :                   Orders", "Total Fields Recovered :       3",
                   "Total Records Recovered :   0", "Total Records Declared :    3",
                   "Stopped: 0 of 3 rows written", ""}));
}

TEST_F(TableSalvageTest, TableThatCannotBeCreatedCountsItsRowsAsNotWritten) {
  TableFixture t = ordersTable(1);
  t.addDataPage(4, {{orderRow(t, 1, "Tea", 10)}, {orderRow(t, 2, "Milk", 20)}});
  // A table the destination holds already, made behind the salvage's back.
  destination.Create(dir / "out.sqlite");
  destination.Execute("CREATE TABLE [Orders]([Other] LONG);");
  EXPECT_EQ(salvage(t, Mode::Saving), WalkEnd::kFinished);
  EXPECT_EQ(hooks.savingList[2], "Total Records Recovered :   0");
  EXPECT_EQ(hooks.savingList[3], "Total Records Not Written :   2");
  EXPECT_NE(logText().find("Not re-created: CREATE TABLE [Orders]"), std::string::npos);
}

TEST_F(TableSalvageTest, AnalysisCountsIntoTheSummary) {
  TableFixture t = ordersTable(0);
  RowImage empty{
      .columnCount = 3, .fixedArea = std::vector<uint8_t>(12, 0), .variableFields = {{}}};
  t.addDataPage(4, {{orderRow(t, 1, "Tea", 10)}, {t.row(empty)}, {orderRow(t, 2, "Milk", 20)}});
  EXPECT_EQ(salvage(t, Mode::Analysis), WalkEnd::kFinished);
  ASSERT_EQ(summary.tables.size(), 1u);
  EXPECT_EQ(summary.tables[0].objectId, 9);
  EXPECT_EQ(summary.tables[0].name, "Orders");
  EXPECT_EQ(summary.tables[0].columnCount, 3);
  EXPECT_EQ(summary.tables[0].recordCount, 2);
  EXPECT_TRUE(hooks.savingList.empty());
}

TEST_F(TableSalvageTest, UnreadableDefinitionLeavesNoTrace) {
  TableFixture t = ordersTable(1);
  t.tdefPage = 15;  // never written: no definition there
  t.spec.rowCount = 1;
  auto db = t.open(&run);
  SalvageContext context{run, &log, nullptr};
  EXPECT_EQ(saveTable(*db, 200, "Gone", context), WalkEnd::kFinished);
  EXPECT_EQ(AnalysisHandler(summary).onTable(*db, 200, "Gone"), WalkEnd::kFinished);
  EXPECT_TRUE(summary.tables.empty());
  EXPECT_TRUE(hooks.savingList.empty());
  EXPECT_FALSE(std::filesystem::exists(log.path()));
}

}  // namespace
}  // namespace vantrel
