#include "reader/value_rendering.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "reader/date_text.h"
#include "reader/number_text.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::RowImage;
using test::TableFixture;
using test::TdefColumn;

TEST(NumberTextTest, Currency) {
  EXPECT_EQ(currencyText(125000), "12.5000");
  EXPECT_EQ(currencyText(0), "0.0000");
  EXPECT_EQ(currencyText(1), "0.0001");
  EXPECT_EQ(currencyText(-15000), "-1.5000");
  EXPECT_EQ(currencyText(std::numeric_limits<int64_t>::max()), "922337203685477.5807");
  EXPECT_EQ(currencyText(std::numeric_limits<int64_t>::min()), "-922337203685477.5808");
}

TEST(NumberTextTest, SingleAndDouble) {
  EXPECT_EQ(singleText(0.1f), "0.1");
  EXPECT_EQ(singleText(1.5f), "1.5");
  EXPECT_EQ(singleText(0.0f), "0");
  EXPECT_EQ(singleText(-2.25f), "-2.25");
  EXPECT_EQ(singleText(100.0f), "100");
  EXPECT_EQ(singleText(1234567.0f), "1234567");
  EXPECT_EQ(doubleText(123.456), "123.456");
  EXPECT_EQ(doubleText(0.0), "0");
  EXPECT_EQ(doubleText(100.0), "100");
  EXPECT_EQ(doubleText(-1.5), "-1.5");
  EXPECT_EQ(doubleText(1e20), "100000000000000000000");
  EXPECT_EQ(doubleText(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(doubleText(0.000125), "0.000125");
  EXPECT_EQ(doubleText(std::numeric_limits<double>::infinity()), "inf");
}

// A negative value has the digits of its magnitude; the destination gets the stored bits.
TEST(NumberTextTest, NegativeValuesKeepTheirDigitsAndSavedNumbersTheirBits) {
  EXPECT_EQ(doubleText(-1.23456789), "-1.23456789");
  EXPECT_EQ(doubleText(-1.0 / 3), "-0.333333333333333");
  EXPECT_EQ(doubleText(-0.0000001), "-0.0000001");
  EXPECT_EQ(doubleText(-122.4194155), "-122.4194155");
  EXPECT_EQ(singleText(-0.00035134f), "-0.00035134");
  EXPECT_EQ(singleText(-1234.5f), "-1234.5");
  EXPECT_EQ(shortestText(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(shortestText(-1.23456789), "-1.23456789");
  EXPECT_EQ(shortestText(0.15f), "0.15");
}

std::vector<uint8_t> numericField(bool negative, std::array<uint32_t, 4> words) {
  std::vector<uint8_t> field{static_cast<uint8_t>(negative ? 0x80 : 0)};
  for (uint32_t word : words) {
    for (int i = 0; i < 4; ++i)
      field.push_back(static_cast<uint8_t>(word >> (8 * i)));
  }
  return field;
}

TEST(NumberTextTest, NumericUsesSignScaleAndAll128Bits) {
  EXPECT_EQ(numericText(numericField(false, {0, 0, 0, 12345}), 18, 2), "123.45");
  EXPECT_EQ(numericText(numericField(true, {0, 0, 0, 12345}), 18, 2), "-123.45");
  EXPECT_EQ(numericText(numericField(false, {0, 0, 0, 5}), 18, 2), "0.05");
  EXPECT_EQ(numericText(numericField(false, {0, 0, 0, 0}), 18, 4), "0.0000");
  EXPECT_EQ(numericText(numericField(true, {0, 0, 0, 0}), 18, 0), "0");
  EXPECT_EQ(numericText(numericField(false, {0, 0, 1, 0}), 28, 0), "4294967296");
  // 10^28, the largest power of ten that Jet's 28-digit decimals hold.
  EXPECT_EQ(numericText(numericField(false, {0, 0x204FCE5E, 0x3E250261, 0x10000000}), 28, 0),
            "10000000000000000000000000000");
  EXPECT_EQ(
      numericText(numericField(false, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}), 28, 10),
      "34028236692093846346337460743.1768211455");
  EXPECT_EQ(numericText(std::vector<uint8_t>(16, 0), 18, 0), "") << "a field cut short";
}

TEST(NumberTextTest, Guid) {
  const std::vector<uint8_t> bytes{0x6A, 0x27, 0x39, 0x8E, 0xA8, 0xBC, 0xC4, 0x4A,
                                   0x89, 0x1E, 0x49, 0x91, 0x1D, 0x84, 0x38, 0xDD};
  EXPECT_EQ(guidText(bytes), "{8E39276A-BCA8-4AC4-891E-49911D8438DD}");
}

TEST(DateTextTest, SpecifiedForms) {
  EXPECT_EQ(dateText(38537.5), "07/04/2005 12:00:00 PM");
  EXPECT_EQ(dateText(38537), "07/04/2005 ");
  EXPECT_EQ(dateText(0.25), "06:00:00 AM");
  EXPECT_EQ(dateText(0.5), "12:00:00 PM");
  EXPECT_EQ(dateText(0), "12:00:00 AM");
  EXPECT_EQ(dateText(1), "12:00:00 AM");
  EXPECT_EQ(dateText(36526.75), "01/01/2000 06:00:00 PM");
}

TEST(DateTextTest, EveryDayFrom100To9999) {
  EXPECT_EQ(dateText(19725), "01/01/1954 ") << "before 1970";
  EXPECT_EQ(dateText(2), "01/01/1900 ");
  EXPECT_EQ(dateText(-1.25), "12/29/1899 06:00:00 AM");
  EXPECT_EQ(dateText(-0.5), "12:00:00 PM");
  EXPECT_EQ(dateText(-657434), "01/01/100 ");
  EXPECT_EQ(dateText(2958465.5), "12/31/9999 12:00:00 PM");
  EXPECT_EQ(dateText(-16000.75), "03/10/1856 06:00:00 PM");
  EXPECT_EQ(dateText(2958466), "");
  EXPECT_EQ(dateText(-657435), "");
  EXPECT_EQ(dateText(std::nan("")), "");
}

TEST(DateTextTest, TimesRoundToTheNearestSecond) {
  // 10:30:15 is not exact as a double; it must not come out as 10:30:14.
  const double value = 38537 + (10 * 3600 + 30 * 60 + 15) / 86400.0;
  EXPECT_EQ(dateText(value), "07/04/2005 10:30:15 AM");
  EXPECT_EQ(dateText(std::nextafter(value, 0.0)), "07/04/2005 10:30:15 AM");
  // A hundredth of a second before midnight is midnight: the next day, with no time.
  EXPECT_EQ(dateText(38537.9999999), "07/05/2005 ");
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
    EXPECT_EQ(fetchRow(*db, *table, cursor), RunResult::kDone);
    EXPECT_EQ(cursor.dataPage.number(), 4) << "the row's page is the data page";
    return {cursor.columnText(0), cursor.columnTexts[1]};
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
  EXPECT_EQ(ole.text, "OLE DATA");
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
  EXPECT_EQ(oleValue.text, "OLE DATA");
}

TEST_P(LongValueTest, DeclaredLengthBoundsTheChain) {
  const auto value = stored(std::string(5000, 'z'));
  chain(value, 10, 1000);
  const size_t declared = version() == 1 ? 400 : 200;
  const auto [memoText, ole] = readRow(header(static_cast<uint32_t>(declared), 0, 10), {});
  EXPECT_EQ(memoText, std::string(200, 'z'));
}

INSTANTIATE_TEST_SUITE_P(BothVersions, LongValueTest, ::testing::Values(0, 1));

TEST(ValueRenderingTest, FixedTypesIntegersSignedAndBinaryKeepsItsBytes) {
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
  ASSERT_EQ(fetchRow(*db, *table, cursor), RunResult::kDone);
  EXPECT_EQ(cursor.columnText(0), "255");
  EXPECT_EQ(cursor.columnText(1), "-1");
  EXPECT_EQ(cursor.columnText(2), "-1");
  EXPECT_EQ(cursor.columnText(3), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
  EXPECT_EQ(cursor.columnText(4), "");
  EXPECT_EQ(cursor.columnTexts[4].bytes, (std::vector<uint8_t>{0x00, 0x01, 0xFF}));
  std::string expected;
  for (int i = 0; i < 300; ++i)
    expected += "é";
  EXPECT_EQ(cursor.columnText(5), expected);
  EXPECT_EQ(cursor.columnText(6), "") << "a type code with no form";
  EXPECT_EQ(table->columns[5].size, 510) << "the column's size is left alone";
}

TEST(ValueRenderingTest, ValuesThatDoNotFitThePageAreEmpty) {
  TableFixture t(1, {{.name = "D", .type = 8, .size = 8, .fixed = true, .number = 0}});
  auto db = t.open();
  const PageView view = db->page(2);
  const auto page = view.bytes();
  EXPECT_EQ(valueToText(*db, page, 4092, 8, 8), "")
      << "a date whose last bytes are beyond the page";
  EXPECT_EQ(valueToText(*db, page, 4092, 8, 7), "");
  EXPECT_EQ(valueToText(*db, page, 4088, 8, 7), "0");
  EXPECT_EQ(valueToText(*db, page, -1, 8, 7), "");
  EXPECT_EQ(valueToText(*db, page, 4000, 200, 10), "") << "a text running over the page end";
  EXPECT_EQ(longValueToText(*db, page, 4090, 20), "");
  EXPECT_EQ(valueToText(*db, page, 100, 8, 11), "OLE DATA");
}

}  // namespace
}  // namespace vantrel
