#include "destinations/sqlite/value_conversion.h"

#include <gtest/gtest.h>

#include "destinations/sqlite/dao_exception.h"

namespace vantrel {
namespace {

std::string converted(JetType type, std::string_view text) {
  DestinationValue value;
  try {
    convertValueText(type, text, value);
  } catch (const CDaoException&) {
    return "refused";
  }
  switch (value.kind) {
    case DestinationValue::Kind::Null:
      return "null";
    case DestinationValue::Kind::Integer:
      return std::to_string(value.integer);
    case DestinationValue::Kind::Real:
      return std::to_string(value.real);
    default:
      return value.bytes;
  }
}

TEST(ValueConversionTest, DatesAndTimes) {
  EXPECT_EQ(converted(JetType::Date, "07/04/2005 12:00:00 PM"), "2005-07-04 12:00:00");
  EXPECT_EQ(converted(JetType::Date, "07/04/2005 12:00:00 AM"), "2005-07-04 00:00:00");
  EXPECT_EQ(converted(JetType::Date, "12/31/9999 11:59:59 PM"), "9999-12-31 23:59:59");
  // One form for every value: a date alone at midnight, a time alone on Jet's day 0.
  EXPECT_EQ(converted(JetType::Date, "01/01/100 "), "0100-01-01 00:00:00");
  EXPECT_EQ(converted(JetType::Date, "02/29/2000"), "2000-02-29 00:00:00");
  EXPECT_EQ(converted(JetType::Date, "12:00:00 AM"), "1899-12-30 00:00:00");
  EXPECT_EQ(converted(JetType::Date, "23:15:00"), "1899-12-30 23:15:00");
  EXPECT_EQ(converted(JetType::Date, "   "), "null");
  for (const std::string_view bad :
       {"02/29/1900", "02/31/2005", "13/01/2005", "00/10/2005", "01/01/0099", "01/01/10000",
        "07/04/2005 13:00:00 PM", "07/04/2005 00:00:00 AM", "07/04/2005 10:60:00 AM", "10:00:00 XM",
        "24:00:00", "07-04-2005", "07/04/2005 12:00:00 PM x", "July 4"}) {
    EXPECT_EQ(converted(JetType::Date, bad), "refused") << bad;
  }
}

TEST(ValueConversionTest, NumbersWithinTheirTypes) {
  EXPECT_EQ(converted(JetType::Bit, "-1"), "1");
  EXPECT_EQ(converted(JetType::Bit, "True"), "1");
  EXPECT_EQ(converted(JetType::Bit, "no"), "0");
  EXPECT_EQ(converted(JetType::Byte, "0"), "0");
  EXPECT_EQ(converted(JetType::Byte, "-1"), "refused");
  EXPECT_EQ(converted(JetType::Long, "+2147483647"), "2147483647");
  EXPECT_EQ(converted(JetType::Long, "-2147483649"), "refused");
  EXPECT_EQ(converted(JetType::Long, "99999999999999999999"), "refused");
  EXPECT_EQ(converted(JetType::Long, "1.0"), "refused");
  EXPECT_EQ(converted(JetType::Int, " 12 "), "12");
  EXPECT_EQ(converted(JetType::Double, ".5"), "0.500000");
  EXPECT_EQ(converted(JetType::Double, "-5."), "-5.000000");
  EXPECT_EQ(converted(JetType::Double, "1e3"), "1000.000000");
  EXPECT_EQ(converted(JetType::Single, "1e39"), "refused");
  EXPECT_EQ(converted(JetType::Currency, "922337203685478"), "refused");
  for (const std::string_view bad :
       {"inf", "nan", "0x10", "1e", "--1", "+-1", ".", "1 2", "1e999"}) {
    EXPECT_EQ(converted(JetType::Double, bad), "refused") << bad;
  }
}

TEST(ValueConversionTest, GuidsTextsAndBytes) {
  EXPECT_EQ(converted(JetType::Guid, "6f9619ff-8b86-d011-b42d-00c04fc964ff"),
            "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_EQ(converted(JetType::Guid, "{6F9619FF-8B86-D011-B42D-00C04FC964F}"), "refused");
  EXPECT_EQ(converted(JetType::Guid, "{6F9619FF08B86-D011-B42D-00C04FC964FF}"), "refused");
  EXPECT_EQ(converted(JetType::Memo, "  "), "  ") << "texts keep their blanks";
  EXPECT_EQ(converted(JetType::Text, ""), "null");
  EXPECT_EQ(converted(JetType::Binary, "ab"), "ab");

  DestinationValue value;
  value.kind = DestinationValue::Kind::Integer;
  value.integer = 42;
  EXPECT_THROW(convertValueText(JetType::Long, "x", value), CDaoException);
  EXPECT_EQ(value.integer, 42) << "a refused text leaves the value as it was";
  const std::vector<uint8_t> bytes{0, 1};
  convertValueBytes(JetType::OleObject, bytes, value);
  EXPECT_EQ(value.kind, DestinationValue::Kind::Blob);
  EXPECT_EQ(value.bytes, std::string("\0\1", 2));
  EXPECT_THROW(convertValueBytes(JetType::Memo, bytes, value), CDaoException);
}

}  // namespace
}  // namespace vantrel
