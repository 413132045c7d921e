// Rows with their stored values: typed JSON, dates and bytes in the forms asked for.

#include "cli/value_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "reader/column_types.h"

namespace vantrel::cli {
namespace {

ColumnDefinition column(std::string name, int type) {
  ColumnDefinition definition;
  definition.name = std::move(name);
  definition.type = type;
  return definition;
}

FieldValue field(SavedValue::Kind kind, std::string text = "") {
  FieldValue value;
  value.text = std::move(text);
  value.value.kind = kind;
  return value;
}

TEST(ValueOutputTest, BytesDatesAndNumbersInTheirForms) {
  const auto bytes = [](std::string_view text) {
    return std::vector<uint8_t>(text.begin(), text.end());
  };
  // RFC 4648's test vectors.
  EXPECT_EQ(base64Text(bytes("")), "");
  EXPECT_EQ(base64Text(bytes("f")), "Zg==");
  EXPECT_EQ(base64Text(bytes("fo")), "Zm8=");
  EXPECT_EQ(base64Text(bytes("foo")), "Zm9v");
  EXPECT_EQ(base64Text(bytes("foobar")), "Zm9vYmFy");
  EXPECT_EQ(hexText(std::vector<uint8_t>{0x00, 0xAB, 0x7F}), "00ab7f");

  SavedDateTime date{.year = 1998, .month = 3, .day = 14, .hour = 6, .minute = 5, .second = 9};
  EXPECT_EQ(isoDate(date), "1998-03-14T06:05:09");
  date.parts = SavedDateTime::Parts::Date;
  EXPECT_EQ(isoDate(date), "1998-03-14");
  date.parts = SavedDateTime::Parts::Time;
  EXPECT_EQ(isoDate(date), "06:05:09");
  EXPECT_EQ(formattedDate(date, "%d.%m.%Y %H:%M %a"), "14.03.1998 06:05 Sat");
  EXPECT_EQ(formattedDate(date, ""), "");

  for (const char* number : {"0", "-12.5000", "922337203685477.5808", "1e+20", "0.0050"})
    EXPECT_TRUE(isJsonNumber(number)) << number;
  for (const char* text : {"", "-", "01", "1.", ".5", "1e", "1,5", "12 ", "NaN", "+1"})
    EXPECT_FALSE(isJsonNumber(text)) << text;
}

TEST(ValueOutputTest, JsonRowsCarryTypedValues) {
  const std::vector<ColumnDefinition> columns{
      column("Empty", kTypeText),    column("Yes", kTypeBoolean),    column("Count", kTypeLong),
      column("Ratio", kTypeSingle),  column("Price", kTypeCurrency), column("Odd", kTypeNumeric),
      column("When", kTypeDateTime), column("Photo", kTypeOle),      column("Name", kTypeText)};
  std::vector<FieldValue> row{field(SavedValue::Kind::Null),
                              field(SavedValue::Kind::Boolean),
                              field(SavedValue::Kind::Integer),
                              field(SavedValue::Kind::Double),
                              field(SavedValue::Kind::Decimal),
                              field(SavedValue::Kind::Decimal),
                              field(SavedValue::Kind::DateTime),
                              field(SavedValue::Kind::Bytes),
                              field(SavedValue::Kind::Text, "a \"b\"\n")};
  row[1].value.integer = 1;
  row[2].value.integer = -7;
  row[3].value.number = static_cast<double>(0.15f);  // a single, widened
  row[4].value.decimal = {.magnitude = {0, 0, 0, 125000}, .negative = true, .scale = 4};
  row[5].value.decimal = {.magnitude = {0, 0, 0, 50}, .scale = 4};
  row[6].value.dateTime = {
      .parts = SavedDateTime::Parts::Date, .year = 1998, .month = 3, .day = 14};
  row[7].bytes = {0x01, 0xFF};

  std::ostringstream json;
  ValueRowWriter writer(json, RowFormat::Json, {});
  writer.writeHeadings(columns);
  writer.writeRow(columns, row);
  EXPECT_EQ(json.str(),
            "{\"format\":1,\"columns\":[\"Empty\",\"Yes\",\"Count\",\"Ratio\",\"Price\",\"Odd\","
            "\"When\",\"Photo\",\"Name\"]}\n"
            "[null,true,-7,0.15,-12.5000,0.0050,\"1998-03-14\",\"01ff\",\"a \\\"b\\\"\\n\"]\n");

  // TSV keeps the shown texts unless a form is asked for.
  std::ostringstream shown;
  ValueRowWriter(shown, RowFormat::Tsv, {}).writeRow(columns, row);
  EXPECT_EQ(shown.str(), "\t1\t-7\t0.15\t-12.5000\t0.0050\t03/14/1998 \tOLE DATA\ta \"b\"\\n\n");
  std::ostringstream chosen;
  ValueRowWriter(chosen, RowFormat::Csv, {.dateFormat = "%Y", .binary = BinaryForm::Base64})
      .writeRow(columns, row);
  EXPECT_EQ(chosen.str(), ",1,-7,0.15,-12.5000,0.0050,1998,Af8=,\"a \"\"b\"\"\n\"\r\n");

  // An OLE value whose bytes could not be read, and a number no JSON holds, are nulls there;
  // the OLE value still shows that it is there.
  row[3].value.number = std::nan("");
  row[7].bytes.clear();
  std::ostringstream unreadable;
  ValueRowWriter(unreadable, RowFormat::Json, {}).writeRow(columns, row);
  EXPECT_NE(unreadable.str().find(",true,-7,null,"), std::string::npos) << unreadable.str();
  EXPECT_NE(unreadable.str().find("\"1998-03-14\",null,"), std::string::npos);
  std::ostringstream asHex;
  ValueRowWriter(asHex, RowFormat::Tsv, {.binary = BinaryForm::Hex}).writeRow(columns, row);
  EXPECT_EQ(asHex.str(), "\t1\t-7\tnan\t-12.5000\t0.0050\t03/14/1998 \tOLE DATA\ta \"b\"\\n\n");
}

}  // namespace
}  // namespace vantrel::cli
