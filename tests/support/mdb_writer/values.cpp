#include "tests/support/mdb_writer/values.h"

#include <cstdio>
#include <stdexcept>

namespace vantrel::mdbwriter {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

DateTime dateTime(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30);
  const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  return {days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction};
}

Guid parseGuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
      text[23] != '-') {
    throw std::invalid_argument("not a GUID: " + std::string(text));
  }
  std::array<uint8_t, 16> plain{};  // the GUID's bytes in text order
  size_t at = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '-') continue;
    const int high = hexDigit(text[i]);
    const int low = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
    if (high < 0 || low < 0) throw std::invalid_argument("not a GUID: " + std::string(text));
    plain[at++] = static_cast<uint8_t>(high * 16 + low);
    ++i;
  }
  Guid guid;
  // The first three groups are stored little-endian, the last two as they read.
  static constexpr std::array<int, 16> kOrder{3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (size_t i = 0; i < 16; ++i)
    guid.bytes[i] = plain[static_cast<size_t>(kOrder[i])];
  return guid;
}

std::string guidText(const Guid& guid) {
  const auto& b = guid.bytes;
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return text;
}

const char* columnTypeName(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean:
      return "boolean";
    case ColumnType::kByte:
      return "byte";
    case ColumnType::kInteger:
      return "integer";
    case ColumnType::kLong:
      return "long";
    case ColumnType::kCurrency:
      return "currency";
    case ColumnType::kSingle:
      return "single";
    case ColumnType::kDouble:
      return "double";
    case ColumnType::kDateTime:
      return "datetime";
    case ColumnType::kBinary:
      return "binary";
    case ColumnType::kText:
      return "text";
    case ColumnType::kOle:
      return "ole";
    case ColumnType::kMemo:
      return "memo";
    case ColumnType::kGuid:
      return "guid";
    case ColumnType::kNumeric:
      return "numeric";
  }
  return "unknown";
}

}  // namespace vantrel::mdbwriter
