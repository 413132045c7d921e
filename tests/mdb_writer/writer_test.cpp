// The bytes the writer produces, checked against the format itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "tests/mdb_writer/test_tables.h"
#include "tests/mdb_writer/written_database.h"
#include "tests/support/mdb_writer/query_builder.h"
#include "tests/support/mdb_writer/table_writer.h"
#include "tests/support/mdb_writer/text_encoding.h"

namespace vantrel::test {
namespace {

using namespace mdbwriter;
using mdbwriter::JetFormat;
using mdbwriter::JetVersion;
using ::testing::HasSubstr;

Bytes fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

uint32_t u16(const Bytes& b, size_t at) {
  return b[at] | uint32_t{b[at + 1]} << 8;
}
uint32_t u32(const Bytes& b, size_t at) {
  return u16(b, at) | u16(b, at + 2) << 16;
}

// Encodes single rows of a table without writing a database.
class RowEncoding {
 public:
  RowEncoding(const JetFormat& format, TableSpec table)
      : table_(std::move(table)),
        layout_(layoutTable(table_, format)),
        file_(dir_ / "scratch.mdb", format.pageSize),
        writer_(format, file_, 1252, table_, layout_, 7) {}
  Bytes encode(std::vector<Value> values) { return writer_.encodeRow({std::move(values)}); }

 private:
  TempDir dir_;
  TableSpec table_;
  TableLayout layout_;
  PageFile file_;
  TableWriter writer_;
};

TEST(TextEncodingTest, CompressesJet4TextWithSwitchesToUtf16AndBack) {
  EXPECT_EQ(compressedJet4Text(u"abc"), (Bytes{0xFF, 0xFE, 'a', 'b', 'c'}));
  // 0x00 switches to UTF-16 units for the CJK character and back for the last letter.
  EXPECT_EQ(compressedJet4Text(u"a\u00E9\u4E2Db"),
            (Bytes{0xFF, 0xFE, 'a', 0xE9, 0x00, 0x2D, 0x4E, 0x00, 'b'}));
  // A unit whose low byte is 0 would read as a switch: no compressed form.
  EXPECT_FALSE(compressedJet4Text(u"\u0100").has_value());
  EXPECT_FALSE(compressedJet4Text(std::u16string(1, u'\0')).has_value());

  EXPECT_EQ(jet4Text("ab", true), (Bytes{0xFF, 0xFE, 'a', 'b'}));
  EXPECT_EQ(jet4Text("ab", false), (Bytes{'a', 0, 'b', 0}));
  EXPECT_EQ(jet4Text("\xC4\x80", true), (Bytes{0x00, 0x01}));    // U+0100 stays UTF-16
  EXPECT_EQ(codePageText("\xE2\x82\xAC", 1252), (Bytes{0x80}));  // the euro sign
  EXPECT_THROW(codePageText("\xE4\xB8\xAD", 1252), std::invalid_argument);
  EXPECT_THROW(utf8ToUtf16("\xC3"), std::invalid_argument);
}

TEST(RowEncodingTest, LaysOutJet4Rows) {
  TableSpec table{.name = "T"};
  table.columns = {{.name = "Id", .type = ColumnType::kLong},
                   {.name = "Flag", .type = ColumnType::kBoolean},
                   {.name = "Name", .type = ColumnType::kText, .size = 10},
                   {.name = "Note", .type = ColumnType::kText, .size = 10}};
  RowEncoding rows(kJet4Format, table);
  // Column count, fixed area, the variable data, then backwards: where the data ends, the
  // offsets of the variable columns, their count and the null mask.
  EXPECT_EQ(rows.encode({int64_t{0x01020304}, true, std::string("ab"), Value{}}),
            (Bytes{4, 0, 4, 3, 2, 1, 'a', 0, 'b', 0, 10, 0, 10, 0, 6, 0, 2, 0, 0b0111}));
}

TEST(RowEncodingTest, WritesJet3JumpTablesForLongRows) {
  TableSpec table{.name = "T"};
  for (int i = 0; i < 3; ++i) {
    table.columns.push_back(
        {.name = "Text" + std::to_string(i), .type = ColumnType::kText, .size = 255});
  }
  RowEncoding rows(kJet3Format, table);
  // Offsets 1, 201 and 401 and the end at 601: the boundaries 256 and 512 are first reached
  // by offsets 2 and 3. The trailer: the offsets' low bytes backwards, the jump table
  // backwards, the variable count, the null mask.
  Bytes row = rows.encode({varyingText(200), varyingText(200), varyingText(200)});
  ASSERT_EQ(row.size(), 609u);
  EXPECT_EQ(Bytes(row.end() - 8, row.end()),
            (Bytes{601 & 0xFF, 401 & 0xFF, 201, 1, 3, 2, 3, 0b111}));
  // Data ending at 510 in a row of 518 bytes: the second entry is there but unused (0xFF).
  row = rows.encode({varyingText(200), varyingText(200), varyingText(109)});
  ASSERT_EQ(row.size(), 518u);
  EXPECT_EQ(Bytes(row.end() - 8, row.end()),
            (Bytes{510 & 0xFF, 401 & 0xFF, 201, 1, 0xFF, 2, 3, 0b111}));

  RowEncoding fixed(kJet3Format, {.name = "F", .columns = {{.name = "A"}, {.name = "B"}}});
  // Without variable columns there is no offset table at all.
  EXPECT_EQ(fixed.encode({int64_t{1}, Value{}}), (Bytes{2, 1, 0, 0, 0, 0, 0, 0, 0, 0b01}));
}

TEST(RowEncodingTest, RejectsValuesThatDoNotSuitTheColumn) {
  TableSpec table{.name = "T"};
  table.columns = {{.name = "Small", .type = ColumnType::kByte},
                   {.name = "Name", .type = ColumnType::kText, .size = 3}};
  RowEncoding rows(kJet4Format, table);
  const auto failure = [&](std::vector<Value> values) {
    try {
      rows.encode(std::move(values));
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_THAT(failure({int64_t{256}, Value{}}), HasSubstr("\"Small\""));
  EXPECT_THAT(failure({std::string("1"), Value{}}), HasSubstr("wrong kind"));
  EXPECT_THAT(failure({Value{}, std::string("four")}), HasSubstr("longer than 3"));
  EXPECT_THAT(failure({Value{}}), HasSubstr("1 values for 2 columns"));
}

TEST(DatabaseWriterTest, PutsEveryStructureWhereTheManifestSays) {
  DatabaseSpec spec;
  TableSpec table = longValuesTable();
  table.rows = rowsOf(longValuesRows(JetVersion::kJet4));
  spec.tables.push_back(table);
  TableSpec plain{.name = "Plain", .columns = {{.name = "Id"}}};
  plain.rows = rowsOf({{{int64_t{1}}}, {{int64_t{2}}, true}, {{int64_t{3}}}});
  spec.tables.push_back(plain);
  WrittenDatabase db(std::move(spec));
  const Manifest& m = db.manifest();
  const Bytes file = fileBytes(db.path());
  ASSERT_EQ(static_cast<int64_t>(file.size()), m.pageCount * 4096);
  const auto page = [&](int64_t n) {
    return Bytes(file.begin() + n * 4096, file.begin() + (n + 1) * 4096);
  };

  EXPECT_EQ(file[0x14], 1);
  EXPECT_EQ(std::string(file.begin() + 4, file.begin() + 19), "Standard Jet DB");
  for (int64_t n = 2; n <= 5; ++n) {
    EXPECT_EQ(m.tables[static_cast<size_t>(n - 2)].definitionPage(), n);
    EXPECT_EQ(page(n)[0], kDefinitionPage);
  }
  m.catalogPages().forEach([&](int64_t n) {
    const Bytes catalog = page(n);
    EXPECT_EQ(catalog[0], kDataPage);
    EXPECT_EQ(u32(catalog, 4), 2u);  // owned by the catalog's definition
  });
  m.table("Long Values").longValuePages.forEach([&](int64_t n) {
    const Bytes longValues = page(n);
    EXPECT_EQ(std::string(longValues.begin() + 4, longValues.begin() + 8), "LVAL");
  });
  // The deleted row keeps its place, flagged 0x4000.
  const Bytes data = page(m.table("Plain").dataPages.first());
  EXPECT_EQ(u16(data, 12), 3u);
  EXPECT_EQ(u16(data, 16) & 0x4000, 0x4000u);
  EXPECT_EQ(m.table("Plain").rowCount, 2);
  // The definition names its usage map; the map row lists the data pages.
  const Bytes definition = page(m.table("Plain").definitionPage());
  EXPECT_EQ(u32(definition, 16), 2u);
  EXPECT_EQ(u32(definition, 55),
            pageRow(m.table("Plain").usageMap.page, m.table("Plain").usageMap.row));
  // Jet 4 keeps the definition's length at 8 and the page's free space, less 8, at 2.
  EXPECT_EQ(u16(definition, 2), 4096 - u32(definition, 8) - 8);
}

TEST(DatabaseWriterTest, RemovesTheFileWhenADescriptionFails) {
  TempDir dir;
  DatabaseSpec spec;
  TableSpec table{.name = "T", .columns = {{.name = "Id"}}};
  table.rows = rowsOf({{{std::string("not a number")}}});
  spec.tables.push_back(table);
  EXPECT_THROW(writeDatabase(dir / "x.mdb", std::move(spec)), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(dir / "x.mdb"));

  DatabaseSpec inlineTooWide;
  TableSpec wide{.name = "W", .columns = {{.name = "Text", .type = ColumnType::kText}}};
  wide.usageMap = UsageMapKind::kInline;
  std::vector<Row> rows(6000, Row{{varyingText(255)}});
  wide.rows = rowsOf(rows);
  inlineTooWide.tables.push_back(wide);
  EXPECT_THROW(writeDatabase(dir / "y.mdb", std::move(inlineTooWide)), std::invalid_argument);

  // Tables and queries share the catalog's names, the system tables' included.
  for (const char* clash : {"msysobjects", "orders"}) {
    DatabaseSpec named;
    named.tables.push_back({.name = "Orders", .columns = {{.name = "Id"}}});
    named.queries.push_back({.name = clash});
    EXPECT_THROW(writeDatabase(dir / "z.mdb", std::move(named)), std::invalid_argument) << clash;
  }
}

TEST(QueryBuilderTest, WritesRowsInAccessOrderWithOrderNumbersPerAttribute) {
  const SavedQuery query = buildQuery({.name = "Q",
                                       .kind = QueryKind::kAppend,
                                       .target = "Archive",
                                       .tables = {{"A", ""}, {"B", "b"}},
                                       .columns = {{"A.x", "", "x"}, {"b.y", "", "y"}},
                                       .joins = {{"A", "b", "A.id=b.id", JoinKind::kLeft}},
                                       .orderBy = {{"A.x", true}}});
  std::vector<int> attributes;
  for (const QueryRow& row : query.rows)
    attributes.push_back(row.attribute);
  EXPECT_EQ(attributes, (std::vector<int>{0, 255, 1, 3, 5, 5, 6, 6, 7, 11}));
  EXPECT_EQ(query.rows[2].flag, 3);
  EXPECT_EQ(query.rows[2].name1, "Archive");
  EXPECT_EQ(query.rows[5].name2, "b");
  EXPECT_EQ(query.rows[8].flag, 2);
  EXPECT_EQ(query.rows[9].name1, "D");
  EXPECT_EQ(query.objectFlags, 64);

  // Order numbers count per attribute, big-endian: the second table and column are 2.
  DatabaseSpec spec;
  spec.queries.push_back(query);
  WrittenDatabase db(std::move(spec));
  EXPECT_EQ(db.manifest().table("MSysQueries").rowCount, 10);
}

}  // namespace
}  // namespace vantrel::test
