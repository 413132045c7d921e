// Values read from stored bytes reach SQLite typed exactly as their shown texts would: the
// conversion that makes no text gives what converting the text gives.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "destinations/sqlite/dao_exception.h"
#include "destinations/sqlite/value_conversion.h"
#include "display/number_text.h"
#include "display/value_text.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::RowImage;
using test::TableFixture;

template <typename T>
void put(std::vector<uint8_t>& area, T value) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  area.insert(area.end(), bytes, bytes + sizeof(T));
}

struct Stored {
  uint8_t byte;
  int16_t integer;
  int32_t longValue;
  int64_t currency;
  float single;
  double number;
  double date;
  bool negativeNumeric;
  uint32_t numericHigh;
};

// The text a field's value would be saved from: its shown text, but a single or double from
// the shortest text of its stored bits.
std::string textPath(const ColumnDefinition& column, const FieldValue& field, int type,
                     const Stored& stored) {
  if (type == 6 && std::isfinite(stored.single)) {
    return std::fabs(stored.single) >= FLT_MAX ? shortestText(static_cast<double>(stored.single))
                                               : shortestText(stored.single);
  }
  if (type == 7 && std::isfinite(stored.number)) return shortestText(stored.number);
  return fieldText(column, field);
}

std::string described(const std::function<void(DestinationValue&)>& convert) {
  DestinationValue value;
  try {
    convert(value);
  } catch (const CDaoException&) {
    return "null";  // a value the column refuses leaves its field unset
  }
  switch (value.kind) {
    case DestinationValue::Kind::Null:
      return "null";
    case DestinationValue::Kind::Integer:
      return "integer " + std::to_string(value.integer);
    case DestinationValue::Kind::Real: {
      uint64_t bits;
      std::memcpy(&bits, &value.real, sizeof bits);
      return "real " + std::to_string(bits);
    }
    case DestinationValue::Kind::Text:
      return "text " + std::string(value.data());
    case DestinationValue::Kind::Blob:
      return "blob " + std::string(value.data());
  }
  return {};
}

TEST(SavedValueTest, EveryFixedTypeConvertsAsItsTextDid) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Stored> rows{
      {0, 0, 0, 0, 0.0f, 0.0, 0.0, false, 0},
      {255, -32768, std::numeric_limits<int32_t>::min(), std::numeric_limits<int64_t>::min(),
       FLT_MAX, 0.1 + 0.2, 38537.9999999, true, 0x7FFFFFFF},
      {7, 32767, std::numeric_limits<int32_t>::max(), std::numeric_limits<int64_t>::max(), 0.15f,
       -0.0, 0.25, false, 1},
      {1, -1, -1, -15000, -FLT_MAX, 1e300, 2958465.5, true, 0},
      {2, 2, 2, 1, std::numeric_limits<float>::denorm_min(), -inf, -1.25, false, 0},
      {3, 3, 3, 125000, static_cast<float>(inf), std::nan(""), 2958466, false, 0},
      {4, 4, 4, -1, std::nanf(""), 5e-324, -657434, true, 9},
      {5, 5, 5, 99, -0.00035134f, 123.456, std::nan(""), false, 0},
  };
  const std::vector<std::pair<int, JetType>> columns{
      {2, JetType::Byte},     {3, JetType::Int},    {4, JetType::Long},
      {5, JetType::Currency}, {6, JetType::Single}, {7, JetType::Double},
      {8, JetType::Date},     {15, JetType::Guid},  {16, JetType::Double}};
  const int sizes[] = {1, 2, 4, 8, 4, 8, 8, 16, 17};
  std::vector<test::TdefColumn> tdef;
  int offset = 0;
  for (size_t c = 0; c < columns.size(); ++c) {
    tdef.push_back({.name = "C" + std::to_string(c),
                    .type = columns[c].first,
                    .size = sizes[c],
                    .fixed = true,
                    .number = static_cast<int>(c),
                    .fixedOffset = offset,
                    .precision = 28,
                    .scale = 4});
    offset += sizes[c];
  }
  TableFixture t(1, tdef);
  t.spec.rowCount = static_cast<int64_t>(rows.size());
  std::vector<test::RowSpec> images;
  for (const Stored& s : rows) {
    RowImage image{.columnCount = static_cast<int>(columns.size())};
    std::vector<uint8_t>& area = image.fixedArea;
    area.push_back(s.byte);
    put(area, s.integer);
    put(area, s.longValue);
    put(area, s.currency);
    put(area, s.single);
    put(area, s.number);
    put(area, s.date);
    for (int b = 0; b < 16; ++b)
      area.push_back(static_cast<uint8_t>(s.byte * 16 + b));
    area.push_back(s.negativeNumeric ? 0x80 : 0);
    put(area, s.numericHigh);
    put(area, uint32_t{0});
    put(area, uint32_t{0xFFFFFFFF});
    put(area, static_cast<uint32_t>(s.currency));
    for (size_t c = 0; c < columns.size(); ++c)
      image.presentColumns.push_back(static_cast<int>(c));
    images.push_back({t.row(image)});
  }
  t.addDataPage(4, images);
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  auto db = t.open();
  ASSERT_TRUE(db);
  auto table = readTableDefinition(*db, {.name = "T", .objectType = 1, .tdefPage = t.tdefPage});
  ASSERT_TRUE(table);
  readColumns(*db, *table);
  RowCursor cursor;
  size_t r = 0;
  for (; fetchRow(*db, *table, cursor) == RowFetch::kRow; ++r) {
    ASSERT_LT(r, rows.size());
    for (size_t c = 0; c < columns.size(); ++c) {
      const auto [code, type] = columns[c];
      const FieldValue& field = cursor.fields[c];
      const std::string text = textPath(table->columns[c], field, code, rows[r]);
      EXPECT_EQ(described([&](DestinationValue& v) { convertSavedValue(type, field, v); }),
                described([&](DestinationValue& v) { convertValueText(type, text, v); }))
          << "row " << r << " column " << c << " text \"" << text << "\"";
    }
  }
  EXPECT_EQ(r, rows.size());
}

}  // namespace
}  // namespace vantrel
