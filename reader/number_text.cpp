#include "reader/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace vantrel {

namespace {

// Removes trailing zeros after a decimal point, then a bare point.
void trimZeros(std::string& text) {
  if (text.find('.') == std::string::npos) return;
  while (!text.empty() && text.back() == '0')
    text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
}

// "%.*f": a negative precision means the default of six decimals.
std::string fixedText(double value, int precision) {
  if (precision < 0) precision = 6;
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  std::array<char, 400> buffer;
  auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, precision);
  if (error != std::errc()) return {};
  return std::string(buffer.data(), end);
}

// Decimal digits of an unsigned number held as 32-bit words, most significant first.
std::string decimalDigits(std::array<uint32_t, 4> words) {
  if (words[0] == 0 && words[1] == 0) {
    // Fits 64 bits: the common case.
    const uint64_t value = static_cast<uint64_t>(words[2]) << 32 | words[3];
    return std::to_string(value);
  }
  std::string digits;
  const auto isZero = [&] {
    return words[0] == 0 && words[1] == 0 && words[2] == 0 && words[3] == 0;
  };
  do {
    // Divide by 10^9 word by word; the remainder gives nine digits.
    uint64_t remainder = 0;
    for (uint32_t& word : words) {
      const uint64_t current = remainder << 32 | word;
      word = static_cast<uint32_t>(current / 1000000000u);
      remainder = current % 1000000000u;
    }
    for (int i = 0; i < 9; ++i) {
      digits.push_back(static_cast<char>('0' + remainder % 10));
      remainder /= 10;
    }
  } while (!isZero());
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  return {digits.rbegin(), digits.rend()};
}

std::string decimalDigits(uint64_t value) {
  return std::to_string(value);
}

// Places a point before the last `scale` digits, keeping at least one integer digit.
std::string withScale(std::string digits, int scale) {
  if (scale <= 0) return digits;
  const auto decimals = static_cast<size_t>(scale);
  if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
  digits.insert(digits.size() - decimals, 1, '.');
  return digits;
}

}  // namespace

std::string currencyText(int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  const uint64_t magnitude =
      negative ? ~static_cast<uint64_t>(tenThousandths) + 1 : static_cast<uint64_t>(tenThousandths);
  std::string text = withScale(decimalDigits(magnitude), 4);
  return negative ? "-" + text : text;
}

std::string singleText(float value) {
  // The precision comes from the magnitude in single precision (a negative value has the
  // digits of its magnitude); zero, or a value that is not a number, has no logarithm and
  // gets the default precision.
  int precision = -1;
  if (value != 0 && std::isfinite(value)) {
    precision = 6 - static_cast<int>(std::ceil(std::log10(std::fabs(value))));
  }
  std::string text = fixedText(static_cast<double>(value), precision);
  trimZeros(text);
  return text;
}

std::string doubleText(double value) {
  int precision = -1;
  if (value != 0 && std::isfinite(value)) {
    precision = 15 - static_cast<int>(std::ceil(std::log10(std::fabs(value))));
  }
  std::string text = fixedText(value, precision);
  trimZeros(text);
  return text;
}

template <typename Number>
std::string shortestNumberText(Number value) {
  std::array<char, 64> buffer;
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (error != std::errc()) return {};
  return std::string(buffer.data(), end);
}

std::string shortestText(float value) {
  return shortestNumberText(value);
}

std::string shortestText(double value) {
  return shortestNumberText(value);
}

std::string numericText(std::span<const uint8_t> field, int /*precision*/, int scale) {
  if (field.size() < 17) return {};
  std::array<uint32_t, 4> magnitude{};
  for (size_t word = 0; word < 4; ++word) {
    const size_t at = 1 + 4 * word;
    magnitude[word] = static_cast<uint32_t>(field[at]) | static_cast<uint32_t>(field[at + 1]) << 8 |
                      static_cast<uint32_t>(field[at + 2]) << 16 |
                      static_cast<uint32_t>(field[at + 3]) << 24;
  }
  const bool zero = magnitude == std::array<uint32_t, 4>{};
  const bool negative = (field[0] & 0x80) != 0 && !zero;
  std::string text = withScale(decimalDigits(magnitude), scale);
  return negative ? "-" + text : text;
}

std::string guidText(std::span<const uint8_t> field) {
  if (field.size() < 16) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  // The first three groups are little-endian numbers; the last eight bytes stand as stored.
  static constexpr std::array<int, 16> kOrder{3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::array<char, 38> text;
  size_t at = 0;
  text[at++] = '{';
  for (size_t i = 0; i < kOrder.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text[at++] = '-';
    const uint8_t byte = field[static_cast<size_t>(kOrder[i])];
    text[at++] = kHex[byte >> 4];
    text[at++] = kHex[byte & 0xF];
  }
  text[at] = '}';
  return std::string(text.data(), text.size());
}

}  // namespace vantrel
