// Catalog rows taken from the reader's texts, and which rows belong to a query.

#include <gtest/gtest.h>

#include "reader/catalog_rows.h"

#include "jetsql/query_definition_row.h"

namespace vantrel {
namespace {

TEST(QueryDefinitionRowTest, ColumnsByPositionForEachVersion) {
  const std::vector<std::string> jet4{"6", "Größe", "0", "lv", "Maß", "Ziel", "-2147483586", "o"};
  const QueryDefinitionRow row4 = queryRowFromTexts(jet4, 1);
  EXPECT_EQ(row4.attribute, 6);
  EXPECT_EQ(row4.expression, u"Größe");
  EXPECT_EQ(row4.flag, 0);
  EXPECT_EQ(row4.name1, u"Maß");
  EXPECT_EQ(row4.name2, u"Ziel");
  EXPECT_EQ(row4.objectId, -2147483586);

  const std::vector<std::string> jet3{
      "-2147483595", "1", "o", "T", "", std::string("DROP T;\0x", 9), "7"};
  const QueryDefinitionRow row3 = queryRowFromTexts(jet3, 0);
  EXPECT_EQ(row3.objectId, -2147483595);
  EXPECT_EQ(row3.attribute, 1);
  EXPECT_EQ(row3.name1, u"T");
  EXPECT_EQ(row3.expression, u"DROP T;") << "a stored text ends at its terminator";
  EXPECT_EQ(row3.flag, 7);

  const QueryDefinitionRow shortRow = queryRowFromTexts(std::vector<std::string>{"5"}, 0);
  EXPECT_EQ(shortRow.objectId, 5);
  EXPECT_FALSE(shortRow.attribute || shortRow.flag);

  const QueryDefinitionRow damaged =
      queryRowFromTexts(std::vector<std::string>{"6x", "", "-32768"}, 1);
  EXPECT_FALSE(damaged.attribute) << "a text that is no whole number";
  EXPECT_EQ(damaged.flag, -32768);
}

// The reader's typed fields: numbers written in decimal, texts cut at their terminator, and
// a damaged definition's text id read as a number all the same.
TEST(QueryDefinitionRowTest, ColumnsFromTypedFields) {
  const auto integer = [](int64_t n) {
    return FieldValue{.value = {.kind = SavedValue::Kind::Integer, .integer = n}};
  };
  const auto text = [](std::string t) {
    return FieldValue{.value = {.kind = SavedValue::Kind::Text}, .text = std::move(t)};
  };
  const std::vector<FieldValue> jet4{integer(6),  text("Größe"), integer(0),          text("lv"),
                                     text("Maß"), FieldValue{},  integer(-2147483586)};
  const QueryDefinitionRow row4 = queryRowFromFields(jet4, 1);
  EXPECT_EQ(row4.attribute, 6);
  EXPECT_EQ(row4.expression, u"Größe");
  EXPECT_EQ(row4.flag, 0);
  EXPECT_EQ(row4.name1, u"Maß");
  EXPECT_TRUE(row4.name2.empty()) << "a null field";
  EXPECT_EQ(row4.objectId, -2147483586);

  const std::vector<FieldValue> jet3{text(" 53x"), integer(5), FieldValue{},
                                     text("T"),    text(""),   text(std::string("DROP T;\0x", 9))};
  const QueryDefinitionRow row3 = queryRowFromFields(jet3, 0);
  EXPECT_EQ(row3.objectId, 53);
  EXPECT_EQ(row3.attribute, 5);
  EXPECT_EQ(row3.expression, u"DROP T;");
  EXPECT_FALSE(row3.flag) << "a position the row does not have";
}

TEST(QueryDefinitionRowTest, CatalogIntegers) {
  EXPECT_EQ(parseLeadingInteger(" -2147483586"), -2147483586);
  EXPECT_EQ(parseLeadingInteger("+42abc"), 42);
  EXPECT_EQ(parseLeadingInteger("abc"), 0);
  EXPECT_EQ(parseLeadingInteger(""), 0);
  EXPECT_EQ(parseLeadingInteger("99999999999999999999999"), INT64_MAX);
}

TEST(QueryDefinitionRowTest, RowsOfAQuery) {
  // Jet 4: the whole 32-bit id, however the caller holds it.
  EXPECT_TRUE(rowBelongsToQuery(-2147483586, 1, -2147483586));
  EXPECT_TRUE(rowBelongsToQuery(-2147483586, 1, 2147483710));
  EXPECT_FALSE(rowBelongsToQuery(-2147483586, 1, 62));
  // Jet 3: the low 11 bits of the row's id.
  EXPECT_TRUE(rowBelongsToQuery(-2147483595, 0, 0x35));
  EXPECT_TRUE(rowBelongsToQuery(0x835, 0, 0x35));
  EXPECT_TRUE(rowBelongsToQuery(-2147483595, 0, -2147483595));
  EXPECT_FALSE(rowBelongsToQuery(0x36, 0, 0x35));
  // A Jet 3 query id beyond 11 bits is found on the low 24 bits.
  EXPECT_TRUE(rowBelongsToQuery(static_cast<int32_t>(0x80000BB8), 0, 0xBB8));
  EXPECT_FALSE(rowBelongsToQuery(0x3B8, 0, 0xBB8));
}

}  // namespace
}  // namespace vantrel
