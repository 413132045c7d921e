// Fields decoded into typed values: fixed types, decimals, GUIDs, texts and long values, and
// fields that do not lie inside their page.

#include "reader/field_decoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "reader/column_types.h"
#include "tests/support/page_image.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::RowImage;
using test::TableFixture;
using test::TdefColumn;

// Decodes `stored` as a field of the given type, lying at the start of a page of its own.
FieldValue decoded(SourceDatabase& db, std::vector<uint8_t> stored, int type, int scale = 0) {
  FieldValue field;
  decodeField(db, stored, 0, static_cast<int>(stored.size()),
              ColumnDefinition{.type = type, .scale = scale}, 0, field);
  return field;
}

std::vector<uint8_t> littleEndian(uint64_t value, size_t width) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < width; ++i)
    bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return bytes;
}

std::vector<uint8_t> numericField(bool negative, std::array<uint32_t, 4> words) {
  std::vector<uint8_t> field{static_cast<uint8_t>(negative ? 0x80 : 0)};
  for (uint32_t word : words) {
    for (int i = 0; i < 4; ++i)
      field.push_back(static_cast<uint8_t>(word >> (8 * i)));
  }
  return field;
}

// Currency and numeric keep their exact digits and scale, to the last of 128 bits.
TEST(FieldDecodingTest, DecimalsKeepTheirDigitsAndScale) {
  TableFixture t(1, {{.name = "C", .type = kTypeCurrency, .size = 8, .fixed = true}});
  auto db = t.open();
  const auto currency = [&](int64_t value) {
    const FieldValue field =
        decoded(*db, littleEndian(static_cast<uint64_t>(value), 8), kTypeCurrency);
    EXPECT_EQ(field.value.kind, SavedValue::Kind::Decimal);
    return decimalText(field.value.decimal);
  };
  EXPECT_EQ(currency(125000), "12.5000");
  EXPECT_EQ(currency(0), "0.0000");
  EXPECT_EQ(currency(-15000), "-1.5000");
  EXPECT_EQ(currency(std::numeric_limits<int64_t>::max()), "922337203685477.5807");
  EXPECT_EQ(currency(std::numeric_limits<int64_t>::min()), "-922337203685477.5808");

  const auto numeric = [&](bool negative, std::array<uint32_t, 4> words, int scale) {
    const FieldValue field = decoded(*db, numericField(negative, words), kTypeNumeric, scale);
    return field.value.kind == SavedValue::Kind::Decimal ? decimalText(field.value.decimal)
                                                         : "(null)";
  };
  EXPECT_EQ(numeric(false, {0, 0, 0, 12345}, 2), "123.45");
  EXPECT_EQ(numeric(true, {0, 0, 0, 12345}, 2), "-123.45");
  EXPECT_EQ(numeric(false, {0, 0, 0, 5}, 2), "0.05");
  EXPECT_EQ(numeric(false, {0, 0, 0, 0}, 4), "0.0000");
  EXPECT_EQ(numeric(true, {0, 0, 0, 0}, 0), "0") << "zero has no sign";
  EXPECT_EQ(numeric(false, {0, 0, 1, 0}, 0), "4294967296");
  // 10^28, the largest power of ten that Jet's 28-digit decimals hold.
  EXPECT_EQ(numeric(false, {0, 0x204FCE5E, 0x3E250261, 0x10000000}, 0),
            "10000000000000000000000000000");
  EXPECT_EQ(numeric(false, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, 10),
            "34028236692093846346337460743.1768211455");
  EXPECT_EQ(decoded(*db, std::vector<uint8_t>(16, 0), kTypeNumeric).value.kind,
            SavedValue::Kind::Null)
      << "a field cut short";
  const std::vector<uint8_t> guid{0x6A, 0x27, 0x39, 0x8E, 0xA8, 0xBC, 0xC4, 0x4A,
                                  0x89, 0x1E, 0x49, 0x91, 0x1D, 0x84, 0x38, 0xDD};
  EXPECT_EQ(guidText(decoded(*db, guid, kTypeGuid).value.guid),
            "{8E39276A-BCA8-4AC4-891E-49911D8438DD}");
}

// A table of one memo (variable) and one OLE column, and helpers for long-value pages.
class LongValueTest : public ::testing::TestWithParam<int> {
 protected:
  LongValueTest() : t(GetParam(), columns(), 48) { t.setUsageMap(test::inlineUsageMap(4, {4})); }

  static std::vector<TdefColumn> columns() {
    return {{.name = "Memo", .type = 12, .size = 0, .fixed = false, .number = 0, .varIndex = 0},
            {.name = "Ole", .type = 11, .size = 0, .fixed = false, .number = 1, .varIndex = 1}};
  }

  int version() const { return GetParam(); }
  int pageSize() const { return t.file.pageSize(); }

  // A header for a value stored elsewhere: length, flags, then the row and page.
  static std::vector<uint8_t> header(uint32_t lengthAndFlags, int row, int page) {
    auto bytes = test::le32(lengthAndFlags);
    bytes.push_back(static_cast<uint8_t>(row));
    bytes.push_back(static_cast<uint8_t>(page));
    bytes.push_back(static_cast<uint8_t>(page >> 8));
    bytes.push_back(static_cast<uint8_t>(page >> 16));
    bytes.resize(12, 0);
    return bytes;
  }

  void lvalPage(int page, const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<test::RowSpec> specs;
    for (const auto& row : rows)
      specs.push_back({row});
    test::writeRowPage(t.file.page(page), t.file.layout(), 0, specs);
    t.file.page(page).putBytes(4, test::bytesOf("LVAL"));
  }

  // Splits `value` into chunks on pages from `firstPage` on, each linking to the next.
  void chain(const std::vector<uint8_t>& value, int firstPage, size_t chunkSize) {
    const size_t chunks = (value.size() + chunkSize - 1) / chunkSize;
    for (size_t c = 0; c < chunks; ++c) {
      const int next = c + 1 < chunks ? firstPage + static_cast<int>(c) + 1 : 0;
      std::vector<uint8_t> row{0, static_cast<uint8_t>(next), static_cast<uint8_t>(next >> 8), 0};
      const auto from = value.begin() + static_cast<ptrdiff_t>(c * chunkSize);
      row.insert(row.end(), from,
                 from + static_cast<ptrdiff_t>(std::min(chunkSize, value.size() - c * chunkSize)));
      lvalPage(firstPage + static_cast<int>(c), {row});
    }
  }

  std::vector<uint8_t> stored(std::string_view text) const {
    if (version() == 0) return test::bytesOf(text);
    return test::utf16Le(std::u16string(text.begin(), text.end()));
  }

  // Reads the one row whose memo and OLE fields are given.
  std::pair<std::string, FieldValue> readRow(const std::vector<uint8_t>& memo,
                                             const std::vector<uint8_t>& ole) {
    t.addDataPage(
        4, {{t.row(RowImage{
               .columnCount = 2, .variableFields = {memo, ole}, .presentColumns = {0, 1}})}});
    auto db = t.open();
    auto table = readTableDefinition(
        *db, {.name = "T", .objectType = 1, .tdefPage = test::kFixtureTdefPage});
    readColumns(*db, *table);
    RowCursor cursor;
    EXPECT_EQ(fetchRow(*db, *table, cursor), RowFetch::kRow);
    EXPECT_EQ(cursor.dataPage.number(), 4) << "the row's page is the data page";
    return {cursor.fields[0].text, cursor.fields[1]};
  }

  TableFixture t;
};

TEST_P(LongValueTest, ValueInTheRow) {
  auto memo = header(0x80000000 | 5, 0, 0);
  const auto text = stored("hello");
  memo[0] = static_cast<uint8_t>(text.size());
  memo.insert(memo.end(), text.begin(), text.end());
  auto empty = header(0x80000000, 0, 0);
  const auto [memoText, ole] = readRow(memo, empty);
  EXPECT_EQ(memoText, "hello");
  EXPECT_EQ(ole.value.kind, SavedValue::Kind::Bytes) << "an OLE value, though without bytes";
  EXPECT_TRUE(ole.bytes.empty());
}

TEST_P(LongValueTest, ValueOnOneLongValuePage) {
  const auto text = stored("on its own page");
  const std::vector<uint8_t> picture{0x15, 0x1C, 0x2F, 0x00, 0x02};
  lvalPage(20, {picture, text});
  const auto [memoText, ole] =
      readRow(header(0x40000000 | static_cast<uint32_t>(text.size()), 1, 20),
              header(0x40000000 | 5, 0, 20));
  EXPECT_EQ(memoText, "on its own page");
  EXPECT_EQ(ole.bytes, picture);
}

TEST_P(LongValueTest, ChainLongerThan16384CharactersComesBackWhole) {
  std::string text;
  for (int i = 0; text.size() < 20000; ++i)
    text += "line " + std::to_string(i) + "\r\n";
  const auto value = stored(text);
  chain(value, 10, static_cast<size_t>(pageSize() - 40));
  const auto [memoText, ole] = readRow(header(static_cast<uint32_t>(value.size()), 0, 10), {});
  EXPECT_EQ(memoText.size(), text.size());
  EXPECT_EQ(memoText, text);
}

TEST_P(LongValueTest, DamagedChainsEndWithWhatWasRead) {
  const auto value = stored(std::string(300, 'x') + std::string(300, 'y'));
  chain(value, 10, value.size() / 2);
  // The second chunk links back to the first: the chain stops after it.
  const auto& layout = t.file.layout();
  const int secondRow = static_cast<int>(test::u16Of(t.file.page(11), layout.rowCountOffset + 2));
  t.file.page(11).put24(secondRow + 1, 10);
  std::vector<uint8_t> ole = header(0, 0, 30);  // the first link is beyond the file
  // The header declares more than the chain holds, so only the revisit rule ends it.
  const auto [memoText, oleValue] =
      readRow(header(static_cast<uint32_t>(value.size() * 3), 0, 10), ole);
  EXPECT_EQ(memoText, std::string(300, 'x') + std::string(300, 'y'));
  EXPECT_TRUE(oleValue.bytes.empty());
  EXPECT_EQ(oleValue.value.kind, SavedValue::Kind::Bytes);
}

TEST_P(LongValueTest, DeclaredLengthBoundsTheChain) {
  const auto value = stored(std::string(5000, 'z'));
  chain(value, 10, 1000);
  const size_t declared = version() == 1 ? 400 : 200;
  const auto [memoText, ole] = readRow(header(static_cast<uint32_t>(declared), 0, 10), {});
  EXPECT_EQ(memoText, std::string(200, 'z'));
}

INSTANTIATE_TEST_SUITE_P(BothVersions, LongValueTest, ::testing::Values(0, 1));

TEST(FieldDecodingTest, FixedTypesIntegersSignedAndBinaryKeepsItsBytes) {
  std::vector<TdefColumn> columns{
      {.name = "Byte", .type = 2, .size = 1, .fixed = true, .number = 0, .fixedOffset = 0},
      {.name = "Int", .type = 3, .size = 2, .fixed = true, .number = 1, .fixedOffset = 1},
      {.name = "Long", .type = 4, .size = 4, .fixed = true, .number = 2, .fixedOffset = 3},
      {.name = "Guid", .type = 15, .size = 16, .fixed = true, .number = 3, .fixedOffset = 7},
      {.name = "Bin", .type = 9, .size = 255, .fixed = false, .number = 4, .varIndex = 0},
      {.name = "Text", .type = 10, .size = 510, .fixed = false, .number = 5, .varIndex = 1},
      {.name = "Odd", .type = 14, .size = 4, .fixed = true, .number = 6, .fixedOffset = 23},
  };
  TableFixture t(1, columns);
  std::vector<uint8_t> fixed{255, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (int i = 0; i < 16; ++i)
    fixed.push_back(static_cast<uint8_t>(i));
  fixed.insert(fixed.end(), {1, 2, 3, 4});
  // 300 characters: longer than 256 bytes in either form, still one text.
  std::u16string longText(300, u'é');
  RowImage image{.columnCount = 7,
                 .fixedArea = fixed,
                 .variableFields = {{0x00, 0x01, 0xFF}, test::utf16Le(longText)},
                 .presentColumns = {0, 1, 2, 3, 4, 5, 6}};
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  t.addDataPage(4, {{t.row(image)}});
  auto db = t.open();
  auto table =
      readTableDefinition(*db, {.name = "T", .objectType = 1, .tdefPage = test::kFixtureTdefPage});
  readColumns(*db, *table);
  RowCursor cursor;
  ASSERT_EQ(fetchRow(*db, *table, cursor), RowFetch::kRow);
  const RowFields& fields = cursor.fields;
  EXPECT_EQ(fields[0].value.integer, 255);
  EXPECT_EQ(fields[1].value.integer, -1);
  EXPECT_EQ(fields[2].value.integer, -1);
  EXPECT_EQ(fields[2].value.kind, SavedValue::Kind::Integer);
  EXPECT_EQ(guidText(fields[3].value.guid), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
  EXPECT_EQ(fields[4].value.kind, SavedValue::Kind::Bytes);
  EXPECT_EQ(fields[4].bytes, (std::vector<uint8_t>{0x00, 0x01, 0xFF}));
  std::string expected;
  for (int i = 0; i < 300; ++i)
    expected += "é";
  EXPECT_EQ(fields[5].text, expected);
  EXPECT_EQ(fields[6].value.kind, SavedValue::Kind::Null) << "a type code with no form";
  EXPECT_EQ(table->columns[5].size, 510) << "the column's size is left alone";
}

TEST(FieldDecodingTest, ValuesThatDoNotFitThePageAreNull) {
  TableFixture t(1, {{.name = "D", .type = 8, .size = 8, .fixed = true, .number = 0}});
  auto db = t.open();
  const PageView view = db->page(2);
  const auto page = view.bytes();
  const auto kind = [&](int start, int size, int type) {
    FieldValue field;
    field.text = "left over";
    decodeField(*db, page, start, size, ColumnDefinition{.type = type}, 0, field);
    EXPECT_TRUE(field.text.empty() || field.value.kind == SavedValue::Kind::Text);
    return field.value.kind;
  };
  EXPECT_EQ(kind(4092, 8, kTypeDateTime), SavedValue::Kind::Null)
      << "a date whose last bytes are beyond the page";
  EXPECT_EQ(kind(4092, 8, kTypeDouble), SavedValue::Kind::Null);
  EXPECT_EQ(kind(4088, 8, kTypeDouble), SavedValue::Kind::Double);
  EXPECT_EQ(kind(-1, 8, kTypeDouble), SavedValue::Kind::Null);
  EXPECT_EQ(kind(4000, 200, kTypeText), SavedValue::Kind::Null) << "a text running over the end";
  EXPECT_EQ(kind(4090, 20, kTypeMemo), SavedValue::Kind::Null);
  EXPECT_EQ(kind(4090, 16, kTypeGuid), SavedValue::Kind::Null);
  EXPECT_EQ(kind(100, 8, kTypeOle), SavedValue::Kind::Bytes);
  EXPECT_EQ(kind(100, 0, kTypeLong), SavedValue::Kind::Null) << "a field of no bytes";
}

// Access 2007 and later values at their bounds and damaged (the corpus has the usual ones):
// Large Number, Date/Time Extended from year 1, and calculated results whose wrapper lies.
TEST(FieldDecodingTest, AccessTwoThousandSevenValuesAtTheirBounds) {
  TableFixture t(1, {{.name = "C", .type = kTypeBigInt, .size = 8, .fixed = true}});
  auto db = t.open();
  EXPECT_EQ(decoded(*db, littleEndian(0x8000000000000001, 8), kTypeBigInt).value.integer,
            std::numeric_limits<int64_t>::min() + 1);
  const auto extended = [&](std::string_view text) {
    return decoded(*db, std::vector<uint8_t>(text.begin(), text.end()), kTypeDateTimeExtended);
  };
  const FieldValue first = extended("0000000000000000000:0000000000000000100:7");
  ASSERT_EQ(first.value.kind, SavedValue::Kind::DateTime);
  EXPECT_EQ(std::make_tuple(first.value.dateTime.year, first.value.dateTime.month,
                            first.value.dateTime.day, first.value.dateTime.nanosecond),
            std::make_tuple(1, 1, 1, 10000));
  EXPECT_EQ(secondFractionText(first.value.dateTime), ".00001");
  for (const std::string_view damaged :
       {"0000000000003652059:0000000000000000000:7",  // 10000-01-01
        "0000000000000737954:0000000864000000000:7",  // a day
        "00000000000007379x4:0000000000000000000:7", "9999999999999999999:0000000000000000000:7",
        "0000000000000737954-0000000000000000000:7", "0000000000000737954:00000000000"}) {
    EXPECT_EQ(extended(damaged).value.kind, SavedValue::Kind::Null) << damaged;
  }

  // 16 bytes, the result's length, the result, 3 bytes more.
  const auto calculated = [&](int type, std::vector<uint8_t> result, uint64_t length) {
    std::vector<uint8_t> stored(16, 0);
    const auto declared = littleEndian(length, 4);
    stored.insert(stored.end(), declared.begin(), declared.end());
    stored.insert(stored.end(), result.begin(), result.end());
    stored.insert(stored.end(), 3, 0);
    FieldValue field;
    decodeField(*db, stored, 0, static_cast<int>(stored.size()),
                ColumnDefinition{.type = type, .size = 39, .isCalculated = true}, 0, field);
    return field;
  };
  EXPECT_TRUE(calculated(kTypeText, test::compressedJet4("Wayne"), 4000).text.starts_with("Wayne"))
      << "a length beyond the wrapper takes the bytes there are";
  std::vector<uint8_t> wide(16, 0);
  wide[2] = 29;  // a scale no decimal has
  wide[8] = 1;
  EXPECT_EQ(calculated(kTypeDouble, wide, 16).value.kind, SavedValue::Kind::Null);
  EXPECT_EQ(calculated(kTypeLong, {}, 0).value.kind, SavedValue::Kind::Null);
}

}  // namespace
}  // namespace vantrel
