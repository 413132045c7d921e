#include "reader/row_reader.h"

#include <gtest/gtest.h>

#include "run/run_state.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::RowImage;
using test::TableFixture;
using test::TdefColumn;

using Rows = std::vector<std::vector<std::string>>;

std::vector<TdefColumn> basicColumns() {
  return {
      {.name = "Id", .type = 4, .size = 4, .fixed = true, .number = 0, .fixedOffset = 0},
      {.name = "Flag", .type = 1, .size = 0, .fixed = true, .number = 1, .fixedOffset = 4},
      {.name = "Name", .type = 10, .size = 100, .fixed = false, .number = 2, .varIndex = 0},
      {.name = "Note", .type = 10, .size = 100, .fixed = false, .number = 3, .varIndex = 1},
  };
}

std::vector<uint8_t> textBytes(int version, std::string_view text) {
  if (version == 0) return test::bytesOf(text);
  return test::utf16Le(std::u16string(text.begin(), text.end()));
}

// A row of the basic table; a missing name or note is null.
std::vector<uint8_t> basicRow(const TableFixture& t, uint32_t id, bool flag,
                              std::optional<std::string> name, std::optional<std::string> note) {
  const int version = t.file.formatVersion();
  RowImage image{.columnCount = 4, .fixedArea = test::le32(id)};
  image.presentColumns.push_back(0);
  if (flag) image.presentColumns.push_back(1);
  image.variableFields.push_back(name ? textBytes(version, *name) : std::vector<uint8_t>{});
  image.variableFields.push_back(note ? textBytes(version, *note) : std::vector<uint8_t>{});
  if (name) image.presentColumns.push_back(2);
  if (note) image.presentColumns.push_back(3);
  return t.row(image);
}

TEST(RowReaderTest, WalksPagesSkipsDeletedRowsAndRendersFields) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    TableFixture t(version, basicColumns());
    t.setUsageMap(test::inlineUsageMap(4, {4, 6}));
    t.addDataPage(4, {{basicRow(t, 1, true, "one", "first")},
                      {basicRow(t, 2, false, "two", std::nullopt), true},
                      {basicRow(t, 3, false, "", std::nullopt)}});
    t.addDataPage(5, {{basicRow(t, 99, true, "not in the map", "")}});
    t.addDataPage(6, {{basicRow(t, 4, true, std::nullopt, "x")}});
    auto db = t.open();
    ASSERT_TRUE(db);
    // A null and an empty text look the same; a boolean is never null.
    EXPECT_EQ(TableFixture::readAll(*db),
              (Rows{{"1", "1", "one", "first"}, {"3", "0", "", ""}, {"4", "1", "", "x"}}));
  }
}

TEST(RowReaderTest, DeclaredRowCountNeitherStopsNorLimitsTheWalk) {
  for (const int64_t declared : {0, 1}) {
    TableFixture t(1, basicColumns());
    t.spec.rowCount = declared;
    t.setUsageMap(test::inlineUsageMap(4, {4, 5}));
    t.addDataPage(4, {{basicRow(t, 1, true, "one", "first")}, {basicRow(t, 2, true, "two", "")}});
    t.addDataPage(5, {{basicRow(t, 3, true, "three", "")}});
    auto db = t.open();
    EXPECT_EQ(TableFixture::readAll(*db).size(), 3u) << declared;
  }
}

TEST(RowReaderTest, InlineMapStartingAboveTheCurrentPageStartsAtItsFirstBit) {
  TableFixture t(0, basicColumns());
  t.setUsageMap(test::inlineUsageMap(9, {9, 11}));
  t.addDataPage(9, {{basicRow(t, 9, true, "a", "b")}});
  t.addDataPage(11, {{basicRow(t, 11, true, "c", "d")}});
  auto db = t.open();
  const auto rows = TableFixture::readAll(*db);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "9");
  EXPECT_EQ(rows[1][0], "11");
}

TEST(RowReaderTest, BadPagesTheMapNamesArePassedOver) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    TableFixture t(version, basicColumns());
    t.setUsageMap(test::inlineUsageMap(4, {4, 5, 6, 7, 8, 40}));
    t.addDataPage(4, {{basicRow(t, 4, true, "a", "b")}});
    // 5: zeroed; 6: another table's page; 7: a long-value page; 40: beyond the file.
    t.addDataPage(6, {{basicRow(t, 6, true, "other", "table")}}, 12);
    t.file.page(7).put8(0, 1).put8(1, 1).putBytes(4, test::bytesOf("LVAL"));
    t.addDataPage(8, {{basicRow(t, 8, true, "c", "d")}});
    auto db = t.open();
    const auto rows = TableFixture::readAll(*db);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "4");
    EXPECT_EQ(rows[1][0], "8");
  }
}

TEST(RowReaderTest, RowsTheMapDoesNotNameAreFoundByTheirPagesOwner) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    // A map of unknown type names no pages; a cleared map; a map naming only one of two pages
    // while the table declares three rows; a map whose row is lost altogether.
    for (int damage = 0; damage < 4; ++damage) {
      SCOPED_TRACE(damage);
      TableFixture t(version, basicColumns());
      t.spec.rowCount = 3;
      auto map = test::inlineUsageMap(4, {4});
      if (damage == 0) map[0] = 7;
      if (damage == 1) map.back() = 0;
      t.setUsageMap(map);
      if (damage == 3) t.spec.usageMapPage = 40;
      t.addDataPage(4, {{basicRow(t, 4, true, "a", "b")}, {basicRow(t, 5, true, "c", "d")}});
      t.addDataPage(6, {{basicRow(t, 6, true, "e", "f")}});
      t.addDataPage(7, {{basicRow(t, 7, true, "other", "table")}}, 12);
      auto db = t.open();
      const auto rows = TableFixture::readAll(*db);
      ASSERT_EQ(rows.size(), 3u) << "each page once, no row twice";
      EXPECT_EQ(rows[0][0], "4");
      EXPECT_EQ(rows[2][0], "6");
    }
  }
}

TEST(RowReaderTest, MapThatGivesEveryDeclaredRowIsNotSupplemented) {
  TableFixture t(1, basicColumns());
  t.spec.rowCount = 1;
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{basicRow(t, 4, true, "a", "b")}});
  t.addDataPage(6, {{basicRow(t, 6, true, "stale", "page")}});
  auto db = t.open();
  EXPECT_EQ(TableFixture::readAll(*db).size(), 1u);
}

TEST(RowReaderTest, PageListMapAcrossStretchesWithAbsentAndUnreadableBitmaps) {
  // Jet 3 bitmap pages cover (2048 - 4) * 8 = 16352 pages each.
  constexpr int kStretch = 16352;
  TableFixture t(0, basicColumns(), kStretch + 40);
  auto bitmap = [&](int page, std::vector<int> bits) {
    t.file.page(page).put8(0, 5);
    for (int bit : bits) {
      auto& byte = t.file.page(page).bytes()[static_cast<size_t>(4 + bit / 8)];
      byte = static_cast<uint8_t>(byte | (1u << (bit % 8)));
    }
  };
  // Stretch 0 has no bitmap; stretch 1 has pages kStretch and kStretch + 3; stretch 2's
  // bitmap lies beyond the end of the file; stretch 3 has no bitmap either.
  bitmap(10, {0, 3});
  t.setUsageMap(test::pageListUsageMap({0, 10, 99999, 0}));
  t.addDataPage(kStretch, {{basicRow(t, 1, true, "a", "b")}});
  t.addDataPage(kStretch + 3,
                {{basicRow(t, 2, true, "c", "d")}, {basicRow(t, 3, false, "e", "f")}});
  auto db = t.open();
  const auto rows = TableFixture::readAll(*db);
  ASSERT_EQ(rows.size(), 3u) << "a skipped entry does not hide the first pages of the next";
  EXPECT_EQ(rows[0][0], "1");
  EXPECT_EQ(rows[2][0], "3");
}

TEST(RowReaderTest, Jet3RowsLongerThan256BytesUseTheJumpBytes) {
  std::vector<TdefColumn> columns;
  for (int i = 0; i < 5; ++i) {
    columns.push_back({.name = "V" + std::to_string(i),
                       .type = 10,
                       .size = 255,
                       .fixed = false,
                       .number = i,
                       .varIndex = i});
  }
  TableFixture t(0, columns);
  const std::vector<std::string> values{std::string(200, 'a'), std::string(120, 'b'), "c",
                                        std::string(250, 'd'), std::string(30, 'e')};
  RowImage image{.columnCount = 5};
  for (int i = 0; i < 5; ++i) {
    image.variableFields.push_back(test::bytesOf(values[static_cast<size_t>(i)]));
    image.presentColumns.push_back(i);
  }
  const auto longRow = t.row(image);
  ASSERT_GT(longRow.size(), 600u);
  // A short row on the same page, and a row whose data ends just before a boundary.
  RowImage shortImage{
      .columnCount = 5, .variableFields = {{'x'}, {}, {}, {}, {}}, .presentColumns = {0}};
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{longRow}, {t.row(shortImage)}});
  auto db = t.open();
  const auto rows = TableFixture::readAll(*db);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], values);
  EXPECT_EQ(rows[1], (std::vector<std::string>{"x", "", "", "", ""}));
}

TEST(RowReaderTest, FieldsThatReachOutsideTheirRowAreMissing) {
  TableFixture t(1, basicColumns());
  auto row = basicRow(t, 7, true, "name", "note");
  // The offset that ends the note (the lowest of the three, before the count and the mask)
  // now points far beyond the row.
  const size_t endOfNote = row.size() - 1 - 2 - 6;
  row[endOfNote] = 0xF0;
  row[endOfNote + 1] = 0x0F;
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{row}});
  auto db = t.open();
  const auto rows = TableFixture::readAll(*db);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"7", "1", "name", ""}));
}

TEST(RowReaderTest, TablesWithMoreThan256ColumnsAreReadWhole) {
  std::vector<TdefColumn> columns;
  RowImage image{.columnCount = 300};
  for (int i = 0; i < 300; ++i) {
    columns.push_back({.name = "C" + std::to_string(i),
                       .type = 2,
                       .size = 1,
                       .fixed = true,
                       .number = i,
                       .fixedOffset = i});
    image.fixedArea.push_back(static_cast<uint8_t>(i % 256));
    image.presentColumns.push_back(i);
  }
  TableFixture t(1, columns);
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{t.row(image)}});
  auto db = t.open();
  const auto rows = TableFixture::readAll(*db);
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].size(), 300u);
  EXPECT_EQ(rows[0][299], "43");
}

// Hooks that answer the stop question as told.
class AnswerHooks : public SilentRunHooks {
 public:
  explicit AnswerHooks(bool answer) : answer_(answer) {}
  bool confirmStop(RunPhase) override { return answer_; }

 private:
  bool answer_;
};

TEST(RowReaderTest, StopIsAskedBeforeEveryRow) {
  for (bool confirm : {true, false}) {
    AnswerHooks hooks(confirm);
    RunState run(hooks);
    run.runPhase = RunPhase::kSaving;
    TableFixture t(1, basicColumns());
    t.setUsageMap(test::inlineUsageMap(4, {4}));
    t.addDataPage(4, {{basicRow(t, 1, true, "a", "b")}, {basicRow(t, 2, true, "c", "d")}});
    auto db = t.open(&run);
    auto table = readTableDefinition(
        *db, {.name = "T", .objectType = 1, .tdefPage = test::kFixtureTdefPage});
    ASSERT_TRUE(table);
    readColumns(*db, *table);
    RowCursor cursor;
    ASSERT_EQ(fetchRow(*db, *table, cursor), RowFetch::kRow);
    run.requestStop();
    EXPECT_EQ(fetchRow(*db, *table, cursor), confirm ? RowFetch::kStopped : RowFetch::kRow);
  }
}

TEST(RowReaderTest, WalkGoesOnAfterOtherPagesWereLoaded) {
  TableFixture t(1, basicColumns());
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{basicRow(t, 1, true, "a", "b")}, {basicRow(t, 2, true, "c", "d")}});
  auto db = t.open();
  auto table =
      readTableDefinition(*db, {.name = "T", .objectType = 1, .tdefPage = test::kFixtureTdefPage});
  ASSERT_TRUE(table);
  readColumns(*db, *table);
  RowCursor cursor;
  ASSERT_EQ(fetchRow(*db, *table, cursor), RowFetch::kRow);
  db->page(1);  // a caller reads another page between two rows
  ASSERT_EQ(fetchRow(*db, *table, cursor), RowFetch::kRow);
  EXPECT_EQ(cursor.fields[0].value.integer, 2);
  EXPECT_EQ(fetchRow(*db, *table, cursor), RowFetch::kEnd);
}

TEST(RowReaderTest, CursorsOverOneDefinitionWalkApart) {
  TableFixture t(1, basicColumns());
  t.setUsageMap(test::inlineUsageMap(4, {4, 6}));
  t.addDataPage(4, {{basicRow(t, 1, true, "a", "b")}, {basicRow(t, 2, true, "c", "d")}});
  t.addDataPage(6, {{basicRow(t, 3, true, "e", "f")}});
  auto db = t.open();
  auto table = openTable(*db, {.name = "T", .objectType = 1, .tdefPage = test::kFixtureTdefPage});
  ASSERT_TRUE(table);
  const TableDefinition& definition = table->definition;
  RowCursor& first = table->cursor;
  ASSERT_EQ(fetchRow(*db, definition, first), RowFetch::kRow);
  ASSERT_EQ(fetchRow(*db, definition, first), RowFetch::kRow);
  // A fresh cursor starts at the first row, whatever the other one has read.
  RowCursor second;
  ASSERT_EQ(fetchRow(*db, definition, second), RowFetch::kRow);
  EXPECT_EQ(second.fields[0].value.integer, 1);
  ASSERT_EQ(fetchRow(*db, definition, first), RowFetch::kRow);
  EXPECT_EQ(first.fields[0].value.integer, 3);
  EXPECT_EQ(second.fields[2].text, "a") << "the other cursor's row is its own";
  EXPECT_EQ(fetchRow(*db, definition, first), RowFetch::kEnd);
  std::vector<int64_t> rest;
  while (fetchRow(*db, definition, second) == RowFetch::kRow)
    rest.push_back(second.fields[0].value.integer);
  EXPECT_EQ(rest, (std::vector<int64_t>{2, 3}));
}

}  // namespace
}  // namespace vantrel
