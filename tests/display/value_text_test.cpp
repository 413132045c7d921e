// The display texts of values: numbers, dates, and every kind of field as shown.

#include "display/value_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/date_text.h"
#include "display/number_text.h"
#include "reader/column_types.h"

namespace vantrel {
namespace {

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

FieldValue valueOf(SavedValue value, std::string text = {}, std::vector<uint8_t> bytes = {}) {
  return {.value = value, .text = std::move(text), .bytes = std::move(bytes)};
}

TEST(ValueTextTest, EveryKindAsShown) {
  using Kind = SavedValue::Kind;
  const auto shown = [](int type, const FieldValue& field) {
    return fieldText(ColumnDefinition{.type = type}, field);
  };
  EXPECT_EQ(shown(kTypeBoolean, valueOf({.kind = Kind::Boolean, .integer = 1})), "1");
  EXPECT_EQ(shown(kTypeLong, valueOf({.kind = Kind::Integer, .integer = -7})), "-7");
  // A single shows the digits of the single, not of the double it widens to.
  EXPECT_EQ(shown(kTypeSingle, valueOf({.kind = Kind::Double, .number = double{0.1f}})), "0.1");
  EXPECT_EQ(shown(kTypeDouble, valueOf({.kind = Kind::Double, .number = double{0.1f}})),
            "0.100000001490116");
  EXPECT_EQ(shown(kTypeDouble, valueOf({.kind = Kind::Double, .number = std::nan("")})), "nan");
  const SavedDecimal cents{.magnitude = {0, 0, 0, 5}, .negative = true, .scale = 4};
  EXPECT_EQ(shown(kTypeCurrency, valueOf({.kind = Kind::Decimal, .decimal = cents})), "-0.0005");
  SavedValue date{.kind = Kind::DateTime};
  date.dateTime = {.parts = SavedDateTime::Parts::Date, .year = 2005, .month = 7, .day = 4};
  EXPECT_EQ(shown(kTypeDateTime, valueOf(date)), "07/04/2005 ");
  SavedValue guid{.kind = Kind::Guid};
  for (uint8_t i = 0; i < 16; ++i)
    guid.guid[i] = i;
  EXPECT_EQ(shown(kTypeGuid, valueOf(guid)), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
  // An OLE field shows that it holds something, even when its bytes could not be read.
  EXPECT_EQ(shown(kTypeOle, valueOf({.kind = Kind::Bytes})), "OLE DATA");
  EXPECT_EQ(shown(kTypeBinary, valueOf({.kind = Kind::Bytes}, "", {1, 2})), "");
  EXPECT_EQ(shown(kTypeText, valueOf({.kind = Kind::Text}, "abc")), "abc");
  EXPECT_EQ(shown(kTypeOle, valueOf({})), "");

  // The preview puts the locale's symbol before every currency value, a null one too.
  const ColumnDefinition currency{.type = kTypeCurrency};
  EXPECT_EQ(previewText(currency, valueOf({})), localeCurrencySymbol() + "0");
  EXPECT_EQ(previewText(currency, valueOf({.kind = Kind::Decimal, .decimal = cents})),
            localeCurrencySymbol() + "-0.0005");
  EXPECT_EQ(previewText(ColumnDefinition{.type = kTypeLong},
                        valueOf({.kind = Kind::Integer, .integer = 3})),
            "3");
}

}  // namespace
}  // namespace vantrel
