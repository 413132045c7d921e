#include "reader/field_value.h"

#include <cmath>
#include <limits>

namespace vantrel {

namespace {

constexpr int64_t kMaxWhole = std::numeric_limits<int64_t>::max();

bool isZero(const std::array<uint32_t, 4>& words) {
  return words[0] == 0 && words[1] == 0 && words[2] == 0 && words[3] == 0;
}

// Divides the 128-bit number in place; returns the remainder.
uint32_t divideInPlace(std::array<uint32_t, 4>& words, uint32_t divisor) {
  uint64_t remainder = 0;
  for (uint32_t& word : words) {
    const uint64_t current = remainder << 32 | word;
    word = static_cast<uint32_t>(current / divisor);
    remainder = current % divisor;
  }
  return static_cast<uint32_t>(remainder);
}

std::string decimalDigits(std::array<uint32_t, 4> words) {
  if (words[0] == 0 && words[1] == 0) {
    // Fits 64 bits: the common case.
    return std::to_string(static_cast<uint64_t>(words[2]) << 32 | words[3]);
  }
  std::string digits;
  do {
    // Nine digits at a time.
    uint32_t nine = divideInPlace(words, 1000000000u);
    for (int i = 0; i < 9; ++i) {
      digits.push_back(static_cast<char>('0' + nine % 10));
      nine /= 10;
    }
  } while (!isZero(words));
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  return {digits.rbegin(), digits.rend()};
}

}  // namespace

bool holdsNothing(std::span<const FieldValue> fields) {
  for (const FieldValue& field : fields) {
    if (field.value.kind != SavedValue::Kind::Null) return false;
  }
  return true;
}

std::string decimalText(const SavedDecimal& decimal) {
  std::string digits = decimalDigits(decimal.magnitude);
  if (decimal.scale > 0) {
    // A point before the last `scale` digits, with at least one integer digit.
    const auto decimals = static_cast<size_t>(decimal.scale);
    if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
    digits.insert(digits.size() - decimals, 1, '.');
  }
  return decimal.negative ? "-" + digits : digits;
}

std::string secondFractionText(const SavedDateTime& dateTime) {
  constexpr int kDigits = 9;
  if (dateTime.nanosecond <= 0 || dateTime.nanosecond >= 1'000'000'000) return {};
  std::string text(kDigits + 1, '0');
  text[0] = '.';
  for (int i = kDigits, rest = dateTime.nanosecond; i > 0; --i, rest /= 10)
    text[static_cast<size_t>(i)] = static_cast<char>('0' + rest % 10);
  while (text.back() == '0')
    text.pop_back();
  return text;
}

std::string guidText(std::span<const uint8_t> guid) {
  if (guid.size() < 16) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr std::array<int, 16> kOrder{3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::array<char, 38> text;
  size_t at = 0;
  text[at++] = '{';
  for (size_t i = 0; i < kOrder.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text[at++] = '-';
    const uint8_t byte = guid[static_cast<size_t>(kOrder[i])];
    text[at++] = kHex[byte >> 4];
    text[at++] = kHex[byte & 0xF];
  }
  text[at] = '}';
  return std::string(text.data(), text.size());
}

int64_t parseLeadingInteger(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
    ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const int digit = text[at] - '0';
    if (value > (kMaxWhole - digit) / 10) {
      value = kMaxWhole;
      break;
    }
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

int64_t wholeNumber(const FieldValue& field) {
  const SavedValue& value = field.value;
  switch (value.kind) {
    case SavedValue::Kind::Boolean:
    case SavedValue::Kind::Integer:
      return value.integer;
    case SavedValue::Kind::Text:
      return parseLeadingInteger(field.text);
    case SavedValue::Kind::Decimal: {
      std::array<uint32_t, 4> whole = value.decimal.magnitude;
      for (int i = 0; i < value.decimal.scale && !isZero(whole); ++i)
        divideInPlace(whole, 10);
      const bool fits = whole[0] == 0 && whole[1] == 0 && (whole[2] & 0x80000000u) == 0;
      const int64_t magnitude =
          fits ? static_cast<int64_t>(static_cast<uint64_t>(whole[2]) << 32 | whole[3]) : kMaxWhole;
      return value.decimal.negative ? -magnitude : magnitude;
    }
    case SavedValue::Kind::Double: {
      if (!std::isfinite(value.number)) return 0;
      const double whole = std::trunc(value.number);
      if (std::fabs(whole) >= 9223372036854775807.0) return whole < 0 ? -kMaxWhole : kMaxWhole;
      return static_cast<int64_t>(whole);
    }
    default:
      return 0;
  }
}

const std::string& textOf(const FieldValue& field) {
  static const std::string kNone;
  return field.value.kind == SavedValue::Kind::Text ? field.text : kNone;
}

}  // namespace vantrel
