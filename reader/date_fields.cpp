#include "reader/date_fields.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

constexpr long kFirstDay = -657434;  // 0100-01-01
constexpr long kLastDay = 2958465;   // 9999-12-31
constexpr long kSecondsPerDay = 86400;
constexpr long kDaysFrom1970To1899 = -25569;  // 1899-12-30 counted from 1970-01-01

struct CivilDate {
  long year;
  unsigned month;
  unsigned day;
};

// The proleptic Gregorian date of a day count from 1970-01-01.
CivilDate civilFromDays(long days) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned long>(days - era * 146097);
  const unsigned long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned long mp = (5 * dayOfYear + 2) / 153;
  const auto day = static_cast<unsigned>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const auto month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  const long year = static_cast<long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

// Whether "%f" of the value (six decimals, rounded) shows a non-zero fraction: the test for a
// time part.
bool hasTimePart(double value) {
  char buffer[400];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (error != std::errc()) return false;
  for (const char* c = end - 6; c < end; ++c) {
    if (*c != '0') return true;
  }
  return false;
}

// The 19 decimal digits at `at`; none when any is no digit.
std::optional<int64_t> nineteenDigits(std::span<const uint8_t> stored, size_t at) {
  constexpr size_t kDigits = 19;
  if (stored.size() < at + kDigits) return std::nullopt;
  int64_t value = 0;
  for (size_t i = at; i < at + kDigits; ++i) {
    if (stored[i] < '0' || stored[i] > '9') return std::nullopt;
    // 19 digits may pass the largest 64-bit number: such a count is no date anyway.
    if (value > (std::numeric_limits<int64_t>::max() - 9) / 10) return std::nullopt;
    value = value * 10 + (stored[i] - '0');
  }
  return value;
}

}  // namespace

std::optional<SavedDateTime> extendedDateFields(std::span<const uint8_t> stored) {
  constexpr int64_t kTicksPerSecond = 10'000'000;
  constexpr int64_t kTicksPerDay = kTicksPerSecond * kSecondsPerDay;
  constexpr int64_t kDaysFromYearOneTo1970 = 719162;
  constexpr int64_t kDaysFromYearOneTo1899 = 693594;
  constexpr int64_t kLastExtendedDay = kDaysFromYearOneTo1970 + kLastDay + kDaysFrom1970To1899;
  const auto days = nineteenDigits(stored, 0);
  const auto ticks = nineteenDigits(stored, 20);
  if (!days || !ticks || stored[19] != ':' || *days > kLastExtendedDay || *ticks >= kTicksPerDay)
    return std::nullopt;
  const CivilDate date = civilFromDays(static_cast<long>(*days - kDaysFromYearOneTo1970));
  SavedDateTime fields;
  fields.parts = *ticks == 0 ? SavedDateTime::Parts::Date : SavedDateTime::Parts::DateAndTime;
  fields.year = static_cast<int>(date.year);
  fields.month = static_cast<int>(date.month);
  fields.day = static_cast<int>(date.day);
  const int64_t seconds = *ticks / kTicksPerSecond;
  fields.hour = static_cast<int>(seconds / 3600);
  fields.minute = static_cast<int>(seconds / 60 % 60);
  fields.second = static_cast<int>(seconds % 60);
  fields.nanosecond = static_cast<int>(*ticks % kTicksPerSecond * 100);
  fields.serial = static_cast<double>(*days - kDaysFromYearOneTo1899) +
                  static_cast<double>(*ticks) / static_cast<double>(kTicksPerDay);
  return fields;
}

std::optional<SavedDateTime> dateFields(double value) {
  if (!std::isfinite(value) || value < static_cast<double>(kFirstDay) ||
      value >= static_cast<double>(kLastDay + 1)) {
    return std::nullopt;
  }
  SavedDateTime fields;
  fields.serial = value;
  const double dayPart = std::trunc(value);
  long day = static_cast<long>(dayPart);
  long seconds = 0;
  if (value > -1 && value <= 1) {
    // Values from -1 to 1 are a time of day alone (1 itself is midnight).
    fields.parts = SavedDateTime::Parts::Time;
    seconds = std::lround(std::fabs(value) * kSecondsPerDay) % kSecondsPerDay;
  } else {
    // The time of day, rounded to the second; a time that rounds up to midnight is the next
    // day's (a negative value counts its fraction forwards too).
    seconds = std::lround(std::fabs(value - dayPart) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
      seconds -= kSecondsPerDay;
      day += value < 0 ? -1 : 1;
    }
    if (day < kFirstDay || day > kLastDay) return std::nullopt;
    const CivilDate date = civilFromDays(day + kDaysFrom1970To1899);
    fields.year = static_cast<int>(date.year);
    fields.month = static_cast<int>(date.month);
    fields.day = static_cast<int>(date.day);
    fields.parts =
        hasTimePart(value) ? SavedDateTime::Parts::DateAndTime : SavedDateTime::Parts::Date;
  }
  fields.hour = static_cast<int>(seconds / 3600);
  fields.minute = static_cast<int>(seconds / 60 % 60);
  fields.second = static_cast<int>(seconds % 60);
  return fields;
}

}  // namespace vantrel
