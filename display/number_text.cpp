#include "display/number_text.h"

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

}  // namespace

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

}  // namespace vantrel
