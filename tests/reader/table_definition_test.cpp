#include "reader/table_definition.h"

#include <gtest/gtest.h>

#include "tests/support/page_image.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using test::FileImage;
using test::TdefColumn;
using test::TdefSpec;
using test::TempDir;

constexpr int kMapPage = 1;
constexpr int kTdefPage = 3;

// A file whose usage map is row 0 of page 1 and whose definition starts on page 3.
FileImage fileWithMap(int version, int pages = 8) {
  FileImage file(version, pages);
  test::writeRowPage(file.page(kMapPage), file.layout(), 0,
                     {{test::inlineUsageMap(5, {5})}, {test::inlineUsageMap(6, {6, 7})}});
  return file;
}

TdefSpec specWithColumns(std::vector<TdefColumn> columns) {
  TdefSpec spec;
  spec.rowCount = 3;
  spec.columns = std::move(columns);
  spec.usageMapPage = kMapPage;
  spec.freeMapPage = kMapPage;
  spec.freeMapRow = 1;
  return spec;
}

TdefColumn textColumn(std::string name, int number, int varIndex) {
  return {.name = std::move(name),
          .type = 10,
          .size = 100,
          .fixed = false,
          .number = number,
          .varIndex = varIndex};
}

std::vector<TdefColumn> manyColumns(int count) {
  std::vector<TdefColumn> columns;
  for (int i = 0; i < count; ++i)
    columns.push_back(textColumn("Column" + std::to_string(i), i, i));
  return columns;
}

class TableDefinitionTest : public ::testing::Test {
 protected:
  std::unique_ptr<SourceDatabase> open(const FileImage& file) {
    const auto path = dir_ / ("db" + std::to_string(files_++) + ".mdb");
    file.write(path);
    return openSourceDatabase(path);
  }

 private:
  TempDir dir_;
  int files_ = 0;
};

std::optional<TableDefinition> readWithColumns(SourceDatabase& db, int64_t page = kTdefPage) {
  auto table = readTableDefinition(db, {.name = "T", .objectType = 1, .tdefPage = page});
  if (table) readColumns(db, *table);
  return table;
}

std::vector<std::string> namesOf(const TableDefinition& table) {
  std::vector<std::string> names;
  for (const auto& column : table.columns)
    names.push_back(column.name);
  return names;
}

TEST_F(TableDefinitionTest, ReadsCountsUsageMapAndColumnsInBothVersions) {
  for (int version : {0, 1}) {
    FileImage file = fileWithMap(version);
    TdefSpec spec = specWithColumns({
        {.name = "Id", .type = 4, .size = 4, .fixed = true, .number = 0, .fixedOffset = 0},
        {.name = "Flag", .type = 1, .size = 1, .fixed = true, .number = 1, .fixedOffset = 4},
        textColumn("Name", 2, 0),
        {.name = "Amount",
         .type = 16,
         .size = 17,
         .fixed = true,
         .number = 3,
         .fixedOffset = 4,
         .precision = 18,
         .scale = 2},
    });
    spec.indexCount = 1;
    spec.realIndexCount = 1;
    test::writeTableDefinition(file, kTdefPage, {}, spec);
    auto db = open(file);
    auto table = readWithColumns(*db);
    ASSERT_TRUE(table) << "version " << version;
    EXPECT_EQ(table->rowCount, 3);
    EXPECT_EQ(table->columnCount, 4);
    EXPECT_EQ(table->variableColumnSwitch, 4);
    EXPECT_EQ(table->indexCount, 1);
    EXPECT_EQ(table->realIndexCount, 1);
    EXPECT_EQ(table->usageMap.bytes(), test::inlineUsageMap(5, {5}));
    ASSERT_EQ(namesOf(*table), (std::vector<std::string>{"Id", "Flag", "Name", "Amount"}));
    EXPECT_EQ(table->columns[1].size, 0) << "a boolean has no size, whatever the entry says";
    EXPECT_EQ(table->columns[2].type, 10);
    EXPECT_FALSE(table->columns[2].isFixed);
    EXPECT_EQ(table->columns[2].size, 100);
    EXPECT_EQ(table->columns[3].precision, 18);
    EXPECT_EQ(table->columns[3].scale, 2);
    EXPECT_EQ(table->columns[3].fixedOffset, 4);
    EXPECT_EQ(table->columns[3].columnNumber, 3);
    EXPECT_EQ(table->indexSectionPage, kTdefPage);
  }
}

TEST_F(TableDefinitionTest, UsageMapInRowZeroRunsToThePageEnd) {
  FileImage file = fileWithMap(1);
  test::writeTableDefinition(file, kTdefPage, {}, specWithColumns({textColumn("A", 0, 0)}));
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->usageMap.bytes().size(), test::inlineUsageMap(5, {5}).size());

  // Row 1 of the same page ends one byte before row 0 starts.
  TdefSpec second = specWithColumns({textColumn("A", 0, 0)});
  second.usageMapRow = 1;
  test::writeTableDefinition(file, 4, {}, second);
  db = open(file);
  table = readWithColumns(*db, 4);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->usageMap.bytes(), test::inlineUsageMap(6, {6, 7}));
}

TEST_F(TableDefinitionTest, DefinitionsThatCannotBeRead) {
  FileImage file = fileWithMap(1);
  test::writeTableDefinition(file, kTdefPage, {}, specWithColumns({textColumn("A", 0, 0)}));
  {
    FileImage noMapPage = file;
    TdefSpec spec = specWithColumns({textColumn("A", 0, 0)});
    spec.usageMapPage = 200;  // beyond the end
    test::writeTableDefinition(noMapPage, kTdefPage, {}, spec);
    auto db = open(noMapPage);
    auto table = readWithColumns(*db);
    ASSERT_TRUE(table) << "a lost usage map does not lose the table";
    EXPECT_TRUE(table->usageMapLost);
    EXPECT_TRUE(table->usageMap.bytes().empty());
    EXPECT_EQ(table->columns.size(), 1u);
  }
  {
    FileImage badLength = file;
    badLength.page(kTdefPage).put16(8, 0);
    auto db = open(badLength);
    EXPECT_FALSE(readWithColumns(*db)) << "a Jet 4 definition length of 0";
    badLength.page(kTdefPage).put16(8, 5000);
    db = open(badLength);
    EXPECT_FALSE(readWithColumns(*db)) << "longer than a page, with no continuation";
  }
  {
    FileImage absurdMapRow = file;
    absurdMapRow.page(kMapPage).put16(absurdMapRow.layout().rowCountOffset + 2, 0x5000);
    auto db = open(absurdMapRow);
    auto table = readWithColumns(*db);
    ASSERT_TRUE(table);
    EXPECT_TRUE(table->usageMapLost);
  }
  {
    // The free-space map's row start is still checked.
    FileImage absurdFreeMap = file;
    TdefSpec spec = specWithColumns({textColumn("A", 0, 0)});
    spec.freeMapRow = 2;
    test::writeTableDefinition(absurdFreeMap, kTdefPage, {}, spec);
    absurdFreeMap.page(kMapPage).put16(absurdFreeMap.layout().rowCountOffset + 2 + 4, 0x5000);
    auto db = open(absurdFreeMap);
    EXPECT_FALSE(readWithColumns(*db));
  }
  auto db = open(file);
  EXPECT_FALSE(readWithColumns(*db, 100)) << "a page beyond the end of the file";
  EXPECT_TRUE(readWithColumns(*db));
}

TEST_F(TableDefinitionTest, Jet3DefinitionIsReadWhateverItsFreeSpaceSays) {
  FileImage file = fileWithMap(0);
  test::writeTableDefinition(file, kTdefPage, {}, specWithColumns({textColumn("A", 0, 0)}));
  file.page(kTdefPage).put16(8, 0xFFFF);
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  EXPECT_EQ(namesOf(*table), std::vector<std::string>{"A"});
}

TEST_F(TableDefinitionTest, ColumnEntryEndingAtThePageEndContinuesWithItsName) {
  // Jet 4: 63 + 309 real-index entries of 12 bytes + 13 column entries of 25 bytes = 4096.
  // (In Jet 3 the entries always end at an odd position, never at the page end.)
  FileImage file = fileWithMap(1);
  TdefSpec spec = specWithColumns(manyColumns(13));
  spec.realIndexCount = 309;
  test::writeTableDefinition(file, kTdefPage, {4}, spec);
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->columns.size(), 13u);
  EXPECT_EQ(table->columns.front().name, "Column0");
  EXPECT_EQ(table->columns.back().name, "Column12");
  EXPECT_EQ(table->columns.back().columnNumber, 12);
  EXPECT_EQ(table->indexSectionPage, 4);
}

TEST_F(TableDefinitionTest, DefinitionSpreadOverSeveralPages) {
  for (int version : {0, 1}) {
    FileImage file = fileWithMap(version, 12);
    TdefSpec spec = specWithColumns(manyColumns(200));
    const int used = test::writeTableDefinition(file, kTdefPage, {9, 4, 10, 11}, spec);
    ASSERT_GE(used, 3);
    auto db = open(file);
    auto table = readWithColumns(*db);
    ASSERT_TRUE(table) << "version " << version;
    ASSERT_EQ(table->columns.size(), 200u);
    for (int i = 0; i < 200; ++i) {
      EXPECT_EQ(table->columns[static_cast<size_t>(i)].name, "Column" + std::to_string(i));
      EXPECT_EQ(table->columns[static_cast<size_t>(i)].columnNumber, i % 256);
    }
  }
}

TEST_F(TableDefinitionTest, ContinuationChainThatLoopsOrEndsEarlyStops) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    FileImage file = fileWithMap(version, 20);
    TdefSpec spec = specWithColumns(manyColumns(400));
    spec.indexCount = 1;
    ASSERT_GE(test::writeTableDefinition(file, kTdefPage, {9, 10, 11, 12, 13, 14, 15, 16}, spec),
              5);

    // The second page points back to the first: the column entries stop there, the
    // columns read whole are kept, and the indexes are ignored.
    FileImage looping = file;
    looping.page(9).put32(4, kTdefPage);
    auto db = open(looping);
    auto table = readWithColumns(*db);
    ASSERT_TRUE(table);
    EXPECT_GT(table->columns.size(), 50u);
    EXPECT_LT(table->columns.size(), 400u);
    EXPECT_EQ(static_cast<size_t>(table->columnCount), table->columns.size());
    EXPECT_EQ(table->columns.front().name, kRepairedFieldName) << "no names could be read";
    EXPECT_EQ(table->indexCount, 0);

    // A chain that ends ("no next page") where the names are: the names read so far stay.
    FileImage ended = file;
    int lastPage = 16;
    while (ended.page(lastPage).bytes()[0] != 2)
      --lastPage;
    int previous = 9;
    for (int p : {10, 11, 12, 13, 14, 15, 16}) {
      if (p == lastPage) break;
      previous = p;
    }
    ended.page(previous).put32(4, 0);
    db = open(ended);
    table = readWithColumns(*db);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->columns.size(), 400u);
    EXPECT_EQ(table->columns.front().name, "Column0");
    EXPECT_EQ(table->columns.back().name, kRepairedFieldName);
    EXPECT_EQ(table->indexCount, 0);
  }
}

TEST_F(TableDefinitionTest, FifthNameLengthOf600NamesTheRestRepairedField) {
  FileImage file = fileWithMap(1);
  auto columns = manyColumns(40);
  columns[4].rawNameLength = 600;
  columns[4].rawName = std::vector<uint8_t>{};
  TdefSpec spec = specWithColumns(columns);
  spec.indexCount = 2;
  spec.realIndexCount = 1;
  test::writeTableDefinition(file, kTdefPage, {4}, spec);
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->columns.size(), 40u);
  for (int i = 0; i < 40; ++i) {
    const std::string expected = i < 4 ? "Column" + std::to_string(i) : "RepairedField";
    EXPECT_EQ(table->columns[static_cast<size_t>(i)].name, expected);
  }
  EXPECT_EQ(table->indexCount, 0);
  EXPECT_EQ(table->realIndexCount, 0);
}

TEST_F(TableDefinitionTest, CompressedAndUtf16NamesGiveTheSameName) {
  FileImage file = fileWithMap(1);
  auto wide = textColumn("", 0, 0);
  wide.rawName = test::utf16Le(u"Straße");
  auto compressed = textColumn("", 1, 1);
  compressed.rawName = test::compressedJet4(
      "Stra\xDF"
      "e");
  auto unicode = textColumn("", 2, 2);
  unicode.rawName = test::utf16Le(u"Имя");
  // Compressed form switching to UTF-16 for one character and back.
  auto mixed = textColumn("", 3, 3);
  mixed.rawName = std::vector<uint8_t>{0xFF, 0xFE, 'a', 0x00, 0x18, 0x04, 0x00, 'b'};
  test::writeTableDefinition(file, kTdefPage, {},
                             specWithColumns({wide, compressed, unicode, mixed}));
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  EXPECT_EQ(namesOf(*table), (std::vector<std::string>{"Straße", "Straße", "Имя", "aИb"}));
}

TEST_F(TableDefinitionTest, LongCompressedNameIsCutAtACharacterBoundary) {
  FileImage file = fileWithMap(1);
  auto column = textColumn("", 0, 0);
  column.rawName = test::compressedJet4(std::string(300, '\xE9'));  // é, two bytes in UTF-8
  test::writeTableDefinition(file, kTdefPage, {}, specWithColumns({column}));
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  std::string expected;
  for (int i = 0; i < 256; ++i)
    expected += "é";
  EXPECT_EQ(table->columns[0].name, expected);
}

TEST_F(TableDefinitionTest, Jet3NamesAreDecodedFromTheCodePage) {
  FileImage file = fileWithMap(0);
  auto column = textColumn("", 0, 0);
  column.rawName = std::vector<uint8_t>{'N', 0xE4, 'h', 'e', 0x80};  // "Nähe€" in 1252
  test::writeTableDefinition(file, kTdefPage, {}, specWithColumns({column}));
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->columns[0].name, "Nähe€");
}

TEST_F(TableDefinitionTest, CatalogDefinitionWithImplausibleEntriesHasNoColumns) {
  for (int version : {0, 1}) {
    FileImage file = fileWithMap(version);
    auto columns = manyColumns(3);
    columns[1].type = 0x55;
    columns[1].fixedOffset = 0x9000;
    test::writeTableDefinition(file, 2, {}, specWithColumns(columns));
    test::writeTableDefinition(file, kTdefPage, {}, specWithColumns(columns));
    auto db = open(file);
    auto catalog = readWithColumns(*db, 2);
    ASSERT_TRUE(catalog);
    EXPECT_TRUE(catalog->columns.empty());
    // Other tables are not held to that check.
    auto other = readWithColumns(*db, kTdefPage);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->columns.size(), 3u);
  }
}

TEST_F(TableDefinitionTest, TooManyRealIndexesLeaveNoColumns) {
  FileImage file = fileWithMap(1);
  TdefSpec spec = specWithColumns(manyColumns(2));
  test::writeTableDefinition(file, kTdefPage, {}, spec);
  file.page(kTdefPage).put32(file.layout().tdefRealIndexCountOffset, 400);
  auto db = open(file);
  auto table = readWithColumns(*db);
  ASSERT_TRUE(table);
  EXPECT_TRUE(table->columns.empty());
}

TEST_F(TableDefinitionTest, OpenTableGivesAColumnlessDefinitionOnlyWhenAskedTo) {
  FileImage file = fileWithMap(1);
  test::writeTableDefinition(file, kTdefPage, {}, specWithColumns(manyColumns(2)));
  file.page(kTdefPage).put32(file.layout().tdefRealIndexCountOffset, 400);
  auto db = open(file);
  const CatalogObject object{.name = "T", .objectType = 1, .tdefPage = kTdefPage};
  EXPECT_FALSE(openTable(*db, object));
  const auto kept = openTable(*db, object, {.keepWithoutColumns = true});
  ASSERT_TRUE(kept);
  EXPECT_TRUE(kept->definition.columns.empty());
  EXPECT_EQ(kept->definition.columnCount, 2) << "the counts it declares are kept";
}

}  // namespace
}  // namespace vantrel
