#include "cli/value_output.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "display/number_text.h"
#include "display/value_text.h"
#include "reader/column_types.h"

namespace vantrel::cli {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Skips a run of digits from `at`; false when there is none.
bool skipDigits(std::string_view text, size_t& at) {
  const size_t start = at;
  while (at < text.size() && isDigit(text[at]))
    ++at;
  return at > start;
}

bool hasBytes(const FieldValue& field) {
  return field.value.kind == SavedValue::Kind::Bytes && !field.bytes.empty();
}

std::string twoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

}  // namespace

bool isJsonNumber(std::string_view text) {
  size_t at = 0;
  if (at < text.size() && text[at] == '-') ++at;
  if (at < text.size() && text[at] == '0') {
    ++at;
  } else if (!skipDigits(text, at)) {
    return false;
  }
  if (at < text.size() && text[at] == '.') {
    ++at;
    if (!skipDigits(text, at)) return false;
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (!skipDigits(text, at)) return false;
  }
  return at == text.size();
}

std::string isoDate(const SavedDateTime& date) {
  const std::string day =
      std::to_string(date.year) + "-" + twoDigits(date.month) + "-" + twoDigits(date.day);
  const std::string time =
      twoDigits(date.hour) + ":" + twoDigits(date.minute) + ":" + twoDigits(date.second);
  switch (date.parts) {
    case SavedDateTime::Parts::Date:
      return day;
    case SavedDateTime::Parts::Time:
      return time;
    case SavedDateTime::Parts::DateAndTime:
      break;
  }
  return day + "T" + time;
}

std::string formattedDate(const SavedDateTime& date, const std::string& format) {
  std::tm fields{};
  fields.tm_year = date.year - 1900;
  fields.tm_mon = date.month - 1;
  fields.tm_mday = date.day;
  fields.tm_hour = date.hour;
  fields.tm_min = date.minute;
  fields.tm_sec = date.second;
  fields.tm_isdst = -1;
  // Fills the day of the week and of the year for %a, %j and the like; the fields are valid.
  std::tm normalised = fields;
  if (std::mktime(&normalised) != static_cast<std::time_t>(-1)) {
    fields.tm_wday = normalised.tm_wday;
    fields.tm_yday = normalised.tm_yday;
  }
  // A form cannot grow a text beyond a few times its own length plus its fields.
  std::string text(format.size() * 8 + 64, '\0');
  const size_t length = std::strftime(text.data(), text.size(), format.c_str(), &fields);
  text.resize(length);
  return text;
}

std::string hexText(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

std::string base64Text(std::span<const uint8_t> bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = bytes.size() - i;
    const uint32_t group = (uint32_t{bytes[i]} << 16) |
                           (left > 1 ? uint32_t{bytes[i + 1]} << 8 : 0) |
                           (left > 2 ? uint32_t{bytes[i + 2]} : 0);
    text.push_back(kAlphabet[(group >> 18) & 0x3F]);
    text.push_back(kAlphabet[(group >> 12) & 0x3F]);
    text.push_back(left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=');
    text.push_back(left > 2 ? kAlphabet[group & 0x3F] : '=');
  }
  return text;
}

ValueRowWriter::ValueRowWriter(std::ostream& out, RowFormat format, ValueOptions options)
    : out_(out), format_(format), options_(std::move(options)), texts_(out, format) {}

void ValueRowWriter::writeHeadings(std::span<const ColumnDefinition> columns) {
  if (format_ != RowFormat::Json) {
    cells_.clear();
    for (const ColumnDefinition& column : columns)
      cells_.push_back(column.name);
    texts_.writeRow(cells_);
    return;
  }
  line_ = "{\"format\":" + std::to_string(kJsonFormatVersion) + ",\"columns\":[";
  for (size_t i = 0; i < columns.size(); ++i)
    line_ += (i ? "," : "") + jsonString(columns[i].name);
  line_ += "]}\n";
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

void ValueRowWriter::writeRow(std::span<const ColumnDefinition> columns,
                              std::span<const FieldValue> fields) {
  const size_t count = std::min(columns.size(), fields.size());
  if (format_ != RowFormat::Json) {
    cells_.resize(count);
    shown_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      // A text is shown as it is: it is written from the row itself, not from a copy.
      if (fields[i].value.kind == SavedValue::Kind::Text && columns[i].type != kTypeCurrency) {
        shown_[i] = fields[i].text;
      } else {
        cells_[i] = shownText(columns[i], fields[i]);
        shown_[i] = cells_[i];
      }
    }
    texts_.writeRow(shown_);
    return;
  }
  line_ = "[";
  for (size_t i = 0; i < count; ++i) {
    if (i) line_.push_back(',');
    appendJsonValue(line_, columns[i], fields[i]);
  }
  line_ += "]\n";
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

std::string ValueRowWriter::shownText(const ColumnDefinition& column,
                                      const FieldValue& field) const {
  const SavedValue& value = field.value;
  if (value.kind == SavedValue::Kind::DateTime && options_.dateFormat)
    return formattedDate(value.dateTime, *options_.dateFormat);
  if (hasBytes(field) && options_.binary) {
    switch (*options_.binary) {
      case BinaryForm::Hex:
        return hexText(field.bytes);
      case BinaryForm::Base64:
        return base64Text(field.bytes);
      case BinaryForm::Raw:
        return std::string(field.bytes.begin(), field.bytes.end());
    }
  }
  return options_.currencySymbol ? previewText(column, field) : fieldText(column, field);
}

void ValueRowWriter::appendJsonValue(std::string& out, const ColumnDefinition& column,
                                     const FieldValue& field) const {
  const SavedValue& value = field.value;
  // An infinity or NaN has no JSON form, and an OLE value that cannot be read no bytes.
  if (value.kind == SavedValue::Kind::Null ||
      (value.kind == SavedValue::Kind::Double && !std::isfinite(value.number)) ||
      (value.kind == SavedValue::Kind::Bytes && !hasBytes(field))) {
    out += "null";
    return;
  }
  switch (value.kind) {
    case SavedValue::Kind::Null:
      break;
    case SavedValue::Kind::Boolean:
      out += value.integer != 0 ? "true" : "false";
      return;
    case SavedValue::Kind::Integer:
      out += std::to_string(value.integer);
      return;
    case SavedValue::Kind::Double:
      // A single is written as the shortest decimal that reads back as it, not as the
      // double it widens to ("0.15", not "0.15000000596046448").
      out += column.type == kTypeSingle ? shortestText(static_cast<float>(value.number))
                                        : shortestText(value.number);
      return;
    case SavedValue::Kind::Decimal: {
      const std::string digits = decimalText(value.decimal);
      out += isJsonNumber(digits) ? digits : jsonString(digits);
      return;
    }
    case SavedValue::Kind::DateTime:
      out += jsonString(options_.dateFormat ? formattedDate(value.dateTime, *options_.dateFormat)
                                            : isoDate(value.dateTime));
      return;
    case SavedValue::Kind::Bytes:
      out += "\"";
      out += options_.binary == BinaryForm::Base64 ? base64Text(field.bytes) : hexText(field.bytes);
      out += "\"";
      return;
    case SavedValue::Kind::Guid:
      out += jsonString(guidText(value.guid));
      return;
    case SavedValue::Kind::Text:
      out += jsonString(field.text);
      return;
  }
  out += "null";
}

}  // namespace vantrel::cli
