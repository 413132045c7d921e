// Rows with their stored values: typed JSON, dates and bytes in the forms asked for.

#include "cli/value_output.h"

#include <gtest/gtest.h>

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
                              field(SavedValue::Kind::Decimal, "-12.5000"),
                              field(SavedValue::Kind::Decimal, "1.2.3"),
                              field(SavedValue::Kind::DateTime, "03/14/1998 "),
                              field(SavedValue::Kind::Bytes, "OLE DATA"),
                              field(SavedValue::Kind::Text, "a \"b\"\n")};
  row[1].value.integer = 1;
  row[2].value.integer = -7;
  row[3].value.number = static_cast<double>(0.15f);  // a single, widened
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
            "[null,true,-7,0.15,-12.5000,\"1.2.3\",\"1998-03-14\",\"01ff\",\"a \\\"b\\\"\\n\"]\n");

  // TSV keeps the shown texts unless a form is asked for.
  std::ostringstream shown;
  ValueRowWriter(shown, RowFormat::Tsv, {}).writeRow(columns, row);
  EXPECT_EQ(shown.str(), "\t\t\t\t-12.5000\t1.2.3\t03/14/1998 \tOLE DATA\ta \"b\"\\n\n");
  std::ostringstream chosen;
  ValueRowWriter(chosen, RowFormat::Csv, {.dateFormat = "%Y", .binary = BinaryForm::Base64})
      .writeRow(columns, row);
  EXPECT_EQ(chosen.str(), ",,,,-12.5000,1.2.3,1998,Af8=,\"a \"\"b\"\"\n\"\r\n");
}

}  // namespace
}  // namespace vantrel::cli
