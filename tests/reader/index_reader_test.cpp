#include "reader/index_reader.h"

#include <gtest/gtest.h>

#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::TableFixture;
using test::TdefColumn;

struct RealIndex {
  std::vector<std::pair<int, int>> slots;  // (column number or 0xFFFF, order byte), up to ten
};
struct LogicalIndex {
  int number;
  int type;
  std::string name;
};

// The bytes after the column names: real entries, logical entries, names.
std::vector<uint8_t> indexSection(int version, const std::vector<RealIndex>& real,
                                  const std::vector<LogicalIndex>& logical,
                                  std::optional<int> lyingNameLength = std::nullopt) {
  const bool jet4 = version == 1;
  std::vector<uint8_t> out;
  auto put16 = [&](uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  for (const RealIndex& index : real) {
    const size_t start = out.size();
    if (jet4) out.insert(out.end(), 4, 0);
    for (int slot = 0; slot < 10; ++slot) {
      const auto [column, order] = slot < static_cast<int>(index.slots.size())
                                       ? index.slots[static_cast<size_t>(slot)]
                                       : std::pair{0xFFFF, 0};
      put16(static_cast<uint32_t>(column));
      out.push_back(static_cast<uint8_t>(order));
    }
    out.insert(out.end(), 4, 0);
    out.insert(out.end(), {0x21, 0, 0, 0});  // first index page
    if (jet4) out.insert(out.end(), 4, 0);
    out.push_back(1);  // flags: unique
    out.resize(start + (jet4 ? 52 : 39), 0);
  }
  for (const LogicalIndex& index : logical) {
    const size_t start = out.size();
    out.resize(start + (jet4 ? 28 : 20), 0);
    const size_t numberAt = start + (jet4 ? 8 : 4);
    out[numberAt] = static_cast<uint8_t>(index.number);
    out[start + (jet4 ? 23 : 19)] = static_cast<uint8_t>(index.type);
  }
  for (size_t i = 0; i < logical.size(); ++i) {
    const std::string& name = logical[i].name;
    if (jet4) {
      std::vector<uint8_t> stored = test::utf16Le(std::u16string(name.begin(), name.end()));
      put16(i == 0 && lyingNameLength ? static_cast<uint32_t>(*lyingNameLength)
                                      : static_cast<uint32_t>(stored.size()));
      out.insert(out.end(), stored.begin(), stored.end());
    } else {
      out.push_back(static_cast<uint8_t>(name.size()));
      out.insert(out.end(), name.begin(), name.end());
    }
  }
  return out;
}

std::vector<TdefColumn> threeColumns() {
  return {{.name = "A", .type = 4, .size = 4, .fixed = true, .number = 0},
          {.name = "B", .type = 4, .size = 4, .fixed = true, .number = 1, .fixedOffset = 4},
          {.name = "C", .type = 10, .size = 50, .fixed = false, .number = 2}};
}

struct Marked {
  std::vector<IndexDefinition> indexes;
  std::vector<std::pair<int, int>> flags;  // (is primary key, is indexed) per column
  int primaryKeyColumns = 0;
};

Marked readAndMark(TableFixture& t) {
  t.setUsageMap(test::inlineUsageMap(4, {}));
  auto db = t.open();
  auto table =
      readTableDefinition(*db, {.name = "T", .objectType = 1, .tdefPage = test::kFixtureTdefPage});
  EXPECT_TRUE(table);
  Marked marked;
  if (!table) return marked;
  readColumns(*db, *table);
  readIndexes(*db, *table);
  for (const auto& index : table->indexes)
    markKeyColumns(*table, index);
  marked.indexes = table->indexes;
  for (const auto& column : table->columns)
    marked.flags.emplace_back(column.isPrimaryKey, column.isIndexed);
  marked.primaryKeyColumns = table->primaryKeyColumnCount;
  return marked;
}

TEST(IndexReaderTest, CompoundKeyOrdinaryIndexAndRelationshipIndex) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    TableFixture t(version, threeColumns());
    // Real 0: key over A and B with an unused slot between them; real 1: C; real 2: B.
    t.spec.realIndexCount = 3;
    t.spec.indexCount = 3;
    t.spec.indexSection =
        indexSection(version, {{{{0, 1}, {0xFFFF, 0}, {1, 0}}}, {{{2, 1}}}, {{{1, 1}}}},
                     {{0, 1, "PrimaryKey"}, {1, 0, "CIndex"}, {2, 2, "Relationship"}});
    const Marked marked = readAndMark(t);
    ASSERT_EQ(marked.indexes.size(), 3u);
    EXPECT_EQ(marked.indexes[0].name, "PrimaryKey");
    EXPECT_EQ(marked.indexes[0].keyCount, 2) << "the unused slot is skipped";
    EXPECT_EQ(marked.indexes[0].keyColumnNumbers[1], 2);
    EXPECT_EQ(marked.indexes[0].keyOrders[0], 1) << "an order byte of 1 is ascending";
    EXPECT_EQ(marked.indexes[0].keyOrders[1], 0);
    EXPECT_EQ(marked.indexes[0].firstIndexPage, 0x21);
    EXPECT_EQ(marked.indexes[0].flags, 1) << "the flags follow the first page in either version";
    EXPECT_EQ(marked.indexes[2].keyCount, 0) << "a relationship's index reads no keys";
    EXPECT_EQ(marked.primaryKeyColumns, 2);
    EXPECT_EQ(marked.flags, (std::vector<std::pair<int, int>>{{1, 1}, {1, 1}, {0, 1}}));
  }
}

TEST(IndexReaderTest, KeyNamingNoColumnEndsThatIndexOnly) {
  TableFixture t(1, threeColumns());
  t.spec.realIndexCount = 2;
  t.spec.indexCount = 2;
  t.spec.indexSection = indexSection(1, {{{{0, 0}, {40, 0}, {1, 0}}}, {{{2, 0}}}},
                                     {{0, 0, "Broken"}, {1, 0, "Fine"}});
  const Marked marked = readAndMark(t);
  EXPECT_EQ(marked.flags, (std::vector<std::pair<int, int>>{{0, 1}, {0, 0}, {0, 1}}));
}

TEST(IndexReaderTest, AbsurdJet4NameLengthLeavesEveryIndexWithoutKeys) {
  TableFixture t(1, threeColumns());
  t.spec.realIndexCount = 1;
  t.spec.indexCount = 1;
  t.spec.indexSection = indexSection(1, {{{{0, 0}}}}, {{0, 1, "PrimaryKey"}}, 600);
  const Marked marked = readAndMark(t);
  ASSERT_EQ(marked.indexes.size(), 1u);
  EXPECT_EQ(marked.indexes[0].keyCount, 0);
  EXPECT_EQ(marked.primaryKeyColumns, 0);
}

TEST(IndexReaderTest, SectionRunningOverThePageEnd) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    // Enough columns that the index section starts on the first page and ends on the next:
    // in Jet 3 its logical entries straddle the page end, in Jet 4 its names.
    std::vector<TdefColumn> columns;
    for (int i = 0; i < (version == 1 ? 89 : 70); ++i) {
      columns.push_back({.name = "Column" + std::to_string(i),
                         .type = 4,
                         .size = 4,
                         .fixed = true,
                         .number = i,
                         .fixedOffset = 4 * i});
    }
    TableFixture t(version, columns);
    t.spec.realIndexCount = 2;
    t.spec.indexCount = 2;
    const int last = version == 1 ? 88 : 69;
    t.spec.indexSection =
        indexSection(version, {{{{last - 1, 0}}}, {{{last, 0}}}},
                     {{0, 1, std::string(40, 'k')}, {1, 0, std::string(60, 'n')}});
    const Marked marked = readAndMark(t);
    ASSERT_EQ(marked.indexes.size(), 2u);
    EXPECT_EQ(marked.indexes[1].name, std::string(60, 'n'));
    EXPECT_EQ(marked.flags[static_cast<size_t>(last - 1)], (std::pair<int, int>{1, 1}));
    EXPECT_EQ(marked.flags[static_cast<size_t>(last)], (std::pair<int, int>{0, 1}));
  }
}

}  // namespace
}  // namespace vantrel
