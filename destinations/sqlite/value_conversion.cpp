#include "destinations/sqlite/value_conversion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "destinations/sqlite/dao_exception.h"
#include "jetsql/identifier_text.h"

namespace vantrel {
namespace {

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return text;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

[[noreturn]] void refuse(std::string_view text, std::string_view why) {
  throw CDaoException("\"" + excerptForMessage(text, 40) + "\" " + std::string(why));
}

// [+-]digits
std::optional<long long> parseWholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// [+-] digits [. digits] [e [+-] digits], with digits on at least one side of the point.
// No infinities, no NaN, no hexadecimal: from_chars alone would take those.
bool isDecimalNumber(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && isDigit(text[i]))
    ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i]))
      ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < text.size() && isDigit(text[i]))
      ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == text.size();
}

std::optional<double> parseDecimalNumber(std::string_view text) {
  if (!isDecimalNumber(text)) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<long long> parseBoolean(std::string_view text) {
  for (const std::string_view word : {"true", "yes", "on"}) {
    if (equalsIgnoringAsciiCase(text, word)) return 1;
  }
  for (const std::string_view word : {"false", "no", "off"}) {
    if (equalsIgnoringAsciiCase(text, word)) return 0;
  }
  const auto number = parseWholeNumber(text);
  if (!number) return std::nullopt;
  return *number != 0 ? 1 : 0;
}

long long convertWholeNumber(std::string_view text, long long low, long long high,
                             std::string_view typeName) {
  const auto value = parseWholeNumber(text);
  if (!value) refuse(text, "is not a whole number");
  if (*value < low || *value > high) {
    refuse(text, "is out of range for " + std::string(typeName) + " (" + std::to_string(low) +
                     " to " + std::to_string(high) + ")");
  }
  return *value;
}

double convertDecimalNumber(std::string_view text, double limit, std::string_view typeName) {
  const auto value = parseDecimalNumber(text);
  if (!value) refuse(text, "is not a decimal number");
  if (std::fabs(*value) > limit) refuse(text, "is out of range for " + std::string(typeName));
  return *value;
}

// Reads 1 to `maxDigits` digits at `position`.
std::optional<int> readNumber(std::string_view text, size_t& position, size_t maxDigits) {
  int value = 0;
  size_t count = 0;
  while (position < text.size() && isDigit(text[position]) && count < maxDigits) {
    value = value * 10 + (text[position] - '0');
    ++position;
    ++count;
  }
  if (count == 0) return std::nullopt;
  return value;
}

bool isLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// The day a time of day alone lies on.
constexpr std::string_view kJetDayZero = "1899-12-30";

void appendTwoDigits(std::string& out, int value) {
  out += static_cast<char>('0' + value / 10);
  out += static_cast<char>('0' + value % 10);
}

// m/d/yyyy at `position`; appends yyyy-mm-dd. Jet dates run from the year 100 to 9999.
bool readDate(std::string_view text, size_t& position, std::string& iso) {
  const auto month = readNumber(text, position, 2);
  if (!month || position >= text.size() || text[position++] != '/') return false;
  const auto day = readNumber(text, position, 2);
  if (!day || position >= text.size() || text[position++] != '/') return false;
  const auto year = readNumber(text, position, 4);
  if (!year || *year < 100 || *month < 1 || *month > 12 || *day < 1 ||
      *day > daysInMonth(*year, *month)) {
    return false;
  }
  iso += static_cast<char>('0' + *year / 1000);
  iso += static_cast<char>('0' + *year / 100 % 10);
  appendTwoDigits(iso, *year % 100);
  iso += '-';
  appendTwoDigits(iso, *month);
  iso += '-';
  appendTwoDigits(iso, *day);
  return true;
}

// h:mm:ss AM|PM (or a 24-hour h:mm:ss) at `position`; appends hh:mm:ss.
bool readTime(std::string_view text, size_t& position, std::string& iso) {
  auto hour = readNumber(text, position, 2);
  if (!hour || position >= text.size() || text[position++] != ':') return false;
  const auto minute = readNumber(text, position, 2);
  if (!minute || position >= text.size() || text[position++] != ':') return false;
  const auto second = readNumber(text, position, 2);
  if (!second || *minute > 59 || *second > 59) return false;
  const std::string_view rest = trimBlanks(text.substr(position));
  position = text.size();
  if (rest.empty()) {
    if (*hour > 23) return false;
  } else {
    const bool am = equalsIgnoringAsciiCase(rest, "AM");
    if (!am && !equalsIgnoringAsciiCase(rest, "PM")) return false;
    if (*hour < 1 || *hour > 12) return false;
    *hour = *hour % 12 + (am ? 0 : 12);
  }
  appendTwoDigits(iso, *hour);
  iso += ':';
  appendTwoDigits(iso, *minute);
  iso += ':';
  appendTwoDigits(iso, *second);
  return true;
}

std::string convertDate(std::string_view text) {
  std::string iso;
  size_t position = 0;
  const bool hasDate = text.find('/') != std::string_view::npos;
  if (hasDate && !readDate(text, position, iso)) refuse(text, "is not a valid date");
  // Every value of a column has one form, date and time: a time alone lies on Jet's day 0.
  if (!hasDate) iso = kJetDayZero;
  iso += ' ';
  if (position < text.size() && text[position] == ' ') ++position;
  const size_t timeAt = iso.size();
  if (position < text.size() && !readTime(text, position, iso)) {
    refuse(text, "is not a valid date or time");
  }
  if (position != text.size() || (!hasDate && iso.size() == timeAt)) {
    refuse(text, "is not a valid date or time");
  }
  if (iso.size() == timeAt) iso += "00:00:00";
  return iso;
}

std::string convertGuid(std::string_view text) {
  std::string_view digits = text;
  if (digits.size() == 38 && digits.front() == '{' && digits.back() == '}') {
    digits = digits.substr(1, 36);
  }
  if (digits.size() != 36) refuse(text, "is not a GUID");
  std::string guid = "{";
  for (size_t i = 0; i < digits.size(); ++i) {
    const char c = digits[i];
    const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
    if (dashPlace ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c))) {
      refuse(text, "is not a GUID");
    }
    guid += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
  }
  guid += '}';
  return guid;
}

void setInteger(DestinationValue& out, long long value) {
  out.kind = DestinationValue::Kind::Integer;
  out.integer = value;
}

void setReal(DestinationValue& out, double value) {
  out.kind = DestinationValue::Kind::Real;
  out.real = value;
}

void setBytes(DestinationValue& out, DestinationValue::Kind kind, std::string_view bytes) {
  out.kind = kind;
  out.bytes.assign(bytes.data(), bytes.size());
  out.borrowed.reset();
}

void setText(DestinationValue& out, std::string&& text) {
  out.kind = DestinationValue::Kind::Text;
  out.bytes = std::move(text);
  out.borrowed.reset();
}

void setBorrowed(DestinationValue& out, DestinationValue::Kind kind, std::string_view bytes) {
  out.kind = bytes.empty() ? DestinationValue::Kind::Null : kind;
  out.borrowed = bytes;
}

// A single as the double its shortest decimal reads as; beyond the largest single that
// decimal lies outside the range (3.4028235e+38), so there the widened value stays.
double savedSingle(double widened) {
  if (std::fabs(widened) >= FLT_MAX) return widened;
  char buffer[32];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(widened));
  double value = widened;
  if (error == std::errc()) std::from_chars(buffer, end, value);
  return value;
}

// "yyyy-mm-dd hh:mm:ss", as convertDate makes it from the rendered text: a date alone at
// midnight, a time alone on Jet's day 0.
void setIsoDate(DestinationValue& out, const SavedDateTime& date) {
  std::string& iso = out.bytes;
  iso.clear();
  if (date.parts == SavedDateTime::Parts::Time) {
    iso += kJetDayZero;
  } else {
    iso += static_cast<char>('0' + date.year / 1000 % 10);
    iso += static_cast<char>('0' + date.year / 100 % 10);
    appendTwoDigits(iso, date.year % 100);
    iso += '-';
    appendTwoDigits(iso, date.month);
    iso += '-';
    appendTwoDigits(iso, date.day);
  }
  iso += ' ';
  const bool midnight = date.parts == SavedDateTime::Parts::Date;
  appendTwoDigits(iso, midnight ? 0 : date.hour);
  iso += ':';
  appendTwoDigits(iso, midnight ? 0 : date.minute);
  iso += ':';
  appendTwoDigits(iso, midnight ? 0 : date.second);
  if (!midnight) iso += secondFractionText(date);
  out.kind = DestinationValue::Kind::Text;
  out.borrowed.reset();
}

// The double nearest to a decimal, as reading its digits would give it: a magnitude below 2^53
// over a power of ten up to 10^22 are both exact, so their quotient is rounded once.
double nearestDouble(const SavedDecimal& decimal) {
  const auto& words = decimal.magnitude;
  const uint64_t low = static_cast<uint64_t>(words[2]) << 32 | words[3];
  if (words[0] == 0 && words[1] == 0 && low < (uint64_t{1} << 53) && decimal.scale <= 22) {
    static constexpr std::array<double, 23> kPowers{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double value =
        static_cast<double>(low) / kPowers[static_cast<size_t>(std::max(decimal.scale, 0))];
    return decimal.negative ? -value : value;
  }
  const std::string digits = decimalText(decimal);
  double value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

constexpr double kCurrencyLimit = 922337203685477.5807;
constexpr long long kLongLow = -2147483648LL;
constexpr long long kLongHigh = 2147483647LL;

}  // namespace

void convertValueText(JetType type, std::string_view text, DestinationValue& out) {
  if (text.empty()) {
    out.kind = DestinationValue::Kind::Null;
    return;
  }
  switch (type) {
    case JetType::Text:
    case JetType::Memo:
      setBytes(out, DestinationValue::Kind::Text, text);
      return;
    case JetType::OleObject:
    case JetType::Binary:
      setBytes(out, DestinationValue::Kind::Blob, text);
      return;
    default:
      break;
  }
  const std::string_view value = trimBlanks(text);
  if (value.empty()) {
    out.kind = DestinationValue::Kind::Null;
    return;
  }
  switch (type) {
    case JetType::Bit: {
      const auto flag = parseBoolean(value);
      if (!flag) refuse(text, "is not a Yes/No value");
      setInteger(out, *flag);
      return;
    }
    case JetType::Byte:
      setInteger(out, convertWholeNumber(value, 0, 255, "BYTE"));
      return;
    case JetType::Int:
    case JetType::Long:
    case JetType::Counter:
      setInteger(out, convertWholeNumber(value, kLongLow, kLongHigh, jetTypeName(type)));
      return;
    case JetType::BigInt:
      setInteger(out, convertWholeNumber(value, std::numeric_limits<long long>::min(),
                                         std::numeric_limits<long long>::max(), "BIGINT"));
      return;
    case JetType::Currency:
      setReal(out, convertDecimalNumber(value, kCurrencyLimit, "CURRENCY"));
      return;
    case JetType::Single:
      setReal(out, convertDecimalNumber(value, FLT_MAX, "SINGLE"));
      return;
    case JetType::Double:
      setReal(out, convertDecimalNumber(value, DBL_MAX, "DOUBLE"));
      return;
    case JetType::Date:
      setText(out, convertDate(value));
      return;
    case JetType::Guid:
      setText(out, convertGuid(value));
      return;
    default:
      return;
  }
}

void convertValueBytes(JetType type, std::span<const uint8_t> bytes, DestinationValue& out) {
  if (type != JetType::Binary && type != JetType::OleObject) {
    throw CDaoException("bytes can only go into a BINARY or OLEOBJECT column, not " +
                        std::string(jetTypeName(type)));
  }
  if (bytes.empty()) {
    out.kind = DestinationValue::Kind::Null;
    return;
  }
  setBytes(out, DestinationValue::Kind::Blob,
           std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace vantrel

namespace vantrel {

void convertSavedValue(JetType type, const FieldValue& field, DestinationValue& out) {
  const SavedValue& value = field.value;
  switch (value.kind) {
    case SavedValue::Kind::Null:
      out.kind = DestinationValue::Kind::Null;
      return;
    case SavedValue::Kind::Boolean:
    case SavedValue::Kind::Integer:
      setInteger(out, value.integer);
      return;
    case SavedValue::Kind::Double:
      // No destination column takes an infinity or NaN.
      if (!std::isfinite(value.number)) {
        out.kind = DestinationValue::Kind::Null;
        return;
      }
      setReal(out, type == JetType::Single ? savedSingle(value.number) : value.number);
      return;
    case SavedValue::Kind::Decimal:
      // SQLite keeps a double, the nearest to the exact digits.
      if (type == JetType::Currency || type == JetType::Double || type == JetType::Single) {
        setReal(out, nearestDouble(value.decimal));
      } else {
        convertValueText(type, decimalText(value.decimal), out);
      }
      return;
    case SavedValue::Kind::DateTime:
      setIsoDate(out, value.dateTime);
      return;
    case SavedValue::Kind::Guid:
      setText(out, guidText(value.guid));
      return;
    case SavedValue::Kind::Bytes:
      setBorrowed(
          out, DestinationValue::Kind::Blob,
          std::string_view(reinterpret_cast<const char*>(field.bytes.data()), field.bytes.size()));
      return;
    case SavedValue::Kind::Text:
      setBorrowed(out, DestinationValue::Kind::Text, field.text);
      return;
  }
}

}  // namespace vantrel
