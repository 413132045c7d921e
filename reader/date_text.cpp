#include "reader/date_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

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
  const unsigned long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned long mp = (5 * dayOfYear + 2) / 153;
  const auto day = static_cast<unsigned>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const auto month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  const long year = static_cast<long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

std::string timeText(long secondsOfDay) {
  const long hour = secondsOfDay / 3600;
  const long minute = secondsOfDay / 60 % 60;
  const long second = secondsOfDay % 60;
  const long hour12 = hour % 12 == 0 ? 12 : hour % 12;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02ld:%02ld:%02ld %s", hour12, minute, second,
                hour < 12 ? "AM" : "PM");
  return buffer;
}

// Whether "%f" of the value shows a non-zero fraction: the test for a time part.
bool hasTimePart(double value) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%f", value);
  const char* point = std::strchr(buffer, '.');
  if (point == nullptr) return false;
  for (const char* c = point + 1; *c != '\0'; ++c) {
    if (*c != '0') return true;
  }
  return false;
}

}  // namespace

std::string dateText(double value) {
  if (!std::isfinite(value) || value < static_cast<double>(kFirstDay) ||
      value >= static_cast<double>(kLastDay + 1)) {
    return {};
  }
  const double dayPart = std::trunc(value);
  // Values from -1 to 1 are a time of day alone (1 itself is midnight).
  if (value > -1 && value <= 1) {
    return timeText(std::lround(std::fabs(value) * kSecondsPerDay) % kSecondsPerDay);
  }
  long day = static_cast<long>(dayPart);
  // The time of day, rounded to the second; a time that rounds up to midnight is the next
  // day's (a negative value counts its fraction forwards too).
  long seconds = std::lround(std::fabs(value - dayPart) * kSecondsPerDay);
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    day += value < 0 ? -1 : 1;
  }
  if (day < kFirstDay || day > kLastDay) return {};
  const CivilDate date = civilFromDays(day + kDaysFrom1970To1899);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02u/%02u/%ld ", date.month, date.day, date.year);
  std::string text = buffer;
  if (hasTimePart(value)) text += timeText(seconds);
  return text;
}

}  // namespace vantrel
