#include "dialects/common/jet_literals.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <vector>

namespace vantrel {

namespace {

std::string quoted(std::string_view text, char quote) {
  std::string out(1, quote);
  for (const char c : text) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return text;
}

// The numbers of a date or time part, split at any of `separators`; none when a part is not
// a number of at most four digits.
std::optional<std::vector<int>> numbersOf(std::string_view text, std::string_view separators) {
  std::vector<int> numbers;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(separators, start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view part = text.substr(start, end - start);
    int value = 0;
    if (part.empty() || part.size() > 4 ||
        std::from_chars(part.data(), part.data() + part.size(), value).ptr !=
            part.data() + part.size()) {
      return std::nullopt;
    }
    numbers.push_back(value);
    start = end + 1;
  }
  return numbers;
}

bool isLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}
bool isValidDate(int year, int month, int day) {
  constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  if (month == 2 && day == 29) return isLeapYear(year);
  return day <= kDays[static_cast<size_t>(month - 1)];
}

std::optional<std::string> dateText(std::string_view text) {
  const bool iso =
      text.find('-') != std::string_view::npos && text.find('/') == std::string_view::npos;
  const auto numbers = numbersOf(text, iso ? "-" : "/");
  if (!numbers || numbers->size() != 3) return std::nullopt;
  int year = iso ? (*numbers)[0] : (*numbers)[2];
  const int month = iso ? (*numbers)[1] : (*numbers)[0];
  const int day = iso ? (*numbers)[2] : (*numbers)[1];
  if (year < 100) year += year < 30 ? 2000 : 1900;
  if (!isValidDate(year, month, day)) return std::nullopt;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
  return std::string(buffer);
}

std::optional<std::string> timeText(std::string_view text) {
  text = trimmed(text);
  int addHours = 0;
  bool twelveHour = false;
  for (const auto& [suffix, add] :
       {std::pair<std::string_view, int>{"AM", 0}, {"PM", 12}, {"am", 0}, {"pm", 12}}) {
    if (text.size() > 2 && text.substr(text.size() - 2) == suffix) {
      text = trimmed(text.substr(0, text.size() - 2));
      addHours = add;
      twelveHour = true;
    }
  }
  const auto numbers = numbersOf(text, ":");
  if (!numbers || numbers->size() < 2 || numbers->size() > 3) return std::nullopt;
  int hour = (*numbers)[0];
  const int minute = (*numbers)[1];
  const int second = numbers->size() == 3 ? (*numbers)[2] : 0;
  if (twelveHour) {
    if (hour < 1 || hour > 12) return std::nullopt;
    hour = hour % 12 + addHours;
  }
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hour, minute, second);
  return std::string(buffer);
}

}  // namespace

std::string quotedName(std::string_view name) {
  return quoted(name, '"');
}

std::string quotedString(std::string_view text) {
  return quoted(text, '\'');
}

bool isStringLiteral(std::string_view sql) {
  if (sql.size() < 2 || sql.front() != '\'' || sql.back() != '\'') return false;
  for (size_t i = 1; i + 1 < sql.size(); ++i) {
    if (sql[i] != '\'') continue;
    if (sql[i + 1] != '\'' || i + 2 == sql.size()) return false;
    ++i;  // a doubled quote
  }
  return true;
}

std::optional<std::string> isoDateText(std::string_view jetDate) {
  const std::string_view text = trimmed(jetDate);
  if (text.empty()) return std::nullopt;
  const size_t blank = text.find(' ');
  const std::string_view first = text.substr(0, blank);
  // Dates are stored with their time, a time alone on Jet's day 0.
  if (first.find(':') != std::string_view::npos) {
    const auto time = timeText(text);
    if (!time) return std::nullopt;
    return "1899-12-30 " + *time;
  }
  auto date = dateText(first);
  if (!date) return std::nullopt;
  if (blank == std::string_view::npos) return *date + " 00:00:00";
  const auto time = timeText(text.substr(blank + 1));
  if (!time) return std::nullopt;
  return *date + " " + *time;
}

}  // namespace vantrel
