#include "destinations/stored_properties.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "dialects/common/jet_literals.h"
#include "jetsql/identifier_text.h"

namespace vantrel {
namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// [+|-]digits[.digits] or [+|-].digits, written back without a plus sign.
std::optional<std::string> numberText(std::string_view text) {
  std::string sign;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    if (text.front() == '-') sign = "-";
    text.remove_prefix(1);
  }
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const auto digits = [](std::string_view part) {
    for (const char c : part) {
      if (!isDigit(c)) return false;
    }
    return true;
  };
  if ((whole.empty() && fraction.empty()) || !digits(whole) || !digits(fraction) ||
      (point != std::string_view::npos && fraction.empty())) {
    return std::nullopt;
  }
  return sign + (whole.empty() ? "0" : std::string(whole)) +
         (fraction.empty() ? "" : "." + std::string(fraction));
}

// "text" or 'text', its quote written twice inside.
std::optional<std::string> quotedText(std::string_view text) {
  if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') ||
      text.back() != text.front()) {
    return std::nullopt;
  }
  const char quote = text.front();
  std::string out;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == quote) {
      if (i + 2 >= text.size() || text[i + 1] != quote) return std::nullopt;
      ++i;
    }
    out += text[i];
  }
  return out;
}

std::optional<bool> booleanWord(std::string_view text) {
  for (const std::string_view word : {"True", "Yes", "On"}) {
    if (equalsIgnoringAsciiCase(text, word)) return true;
  }
  for (const std::string_view word : {"False", "No", "Off"}) {
    if (equalsIgnoringAsciiCase(text, word)) return false;
  }
  return std::nullopt;
}

// Date() and Now(), blanks allowed before and inside the parentheses.
std::optional<JetDefault::Kind> currentTimeCall(std::string_view text) {
  const size_t open = text.find('(');
  if (open == std::string_view::npos || text.back() != ')' ||
      !trimmed(text.substr(open + 1, text.size() - open - 2)).empty()) {
    return std::nullopt;
  }
  const std::string_view function = trimmed(text.substr(0, open));
  if (equalsIgnoringAsciiCase(function, "Date")) return JetDefault::Kind::kToday;
  if (equalsIgnoringAsciiCase(function, "Now")) return JetDefault::Kind::kNow;
  return std::nullopt;
}

std::string doubleText(double value) {
  std::array<char, 32> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() ? std::string(digits.data(), end) : std::string();
}

std::string dateTimeText(const SavedDateTime& value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d:%02d", value.year, value.month,
                value.day, value.hour, value.minute, value.second);
  return text.data();
}

void addGroup(TableDescription& table, const PropertyGroup& group, std::optional<size_t> column) {
  for (const StoredProperty& property : group.properties) {
    if (property.name.empty()) continue;
    if (auto value = propertyValueText(property))
      table.properties.push_back({column, property.name, std::move(*value)});
  }
}

}  // namespace

std::optional<JetDefault> columnDefault(std::string_view jetExpression) {
  std::string_view text = trimmed(jetExpression);
  if (!text.empty() && text.front() == '=') text = trimmed(text.substr(1));
  if (text.empty()) return std::nullopt;
  if (auto number = numberText(text)) return JetDefault{JetDefault::Kind::kNumber, *number, false};
  if (auto quoted = quotedText(text)) return JetDefault{JetDefault::Kind::kText, *quoted, false};
  if (const auto flag = booleanWord(text)) return JetDefault{JetDefault::Kind::kBoolean, {}, *flag};
  if (const auto call = currentTimeCall(text)) return JetDefault{*call, {}, false};
  if (text.size() > 2 && text.front() == '#' && text.back() == '#') {
    if (auto date = isoDateText(text.substr(1, text.size() - 2)))
      return JetDefault{JetDefault::Kind::kDateTime, *date, false};
  }
  return std::nullopt;
}

std::optional<std::string> propertyValueText(const StoredProperty& property) {
  const SavedValue& value = property.value.value;
  switch (value.kind) {
    case SavedValue::Kind::Text:
      return property.value.text;
    case SavedValue::Kind::Boolean:
      return std::string(value.integer != 0 ? "True" : "False");
    case SavedValue::Kind::Integer:
      return std::to_string(value.integer);
    case SavedValue::Kind::Double:
      if (!std::isfinite(value.number)) return std::nullopt;
      return doubleText(value.number);
    case SavedValue::Kind::Decimal:
      return decimalText(value.decimal);
    case SavedValue::Kind::DateTime:
      return dateTimeText(value.dateTime);
    default:
      return std::nullopt;
  }
}

void describeProperties(TableDescription& table, const PropertyBlock& block) {
  if (const PropertyGroup* own = block.objectGroup()) addGroup(table, *own, std::nullopt);
  for (size_t i = 0; i < table.columns.size(); ++i) {
    DestinationColumn& column = table.columns[i];
    const PropertyGroup* group = block.column(column.name);
    if (group == nullptr) continue;
    const ColumnProperties properties = columnPropertiesOf(*group);
    column.required = properties.required;
    // An AutoNumber numbers itself; a default would fight its numbering.
    if (properties.defaultValue && !column.autoNumber)
      column.defaultValue = columnDefault(*properties.defaultValue);
    addGroup(table, *group, i);
  }
}

}  // namespace vantrel
