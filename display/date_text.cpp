#include "display/date_text.h"

#include "reader/date_fields.h"

namespace vantrel {

namespace {

void appendTwoDigits(std::string& out, long value) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

// "%I:%M:%S %p" of a time of day.
void appendTime(std::string& out, long secondsOfDay) {
  const long hour = secondsOfDay / 3600;
  const long hour12 = hour % 12 == 0 ? 12 : hour % 12;
  appendTwoDigits(out, hour12);
  out.push_back(':');
  appendTwoDigits(out, secondsOfDay / 60 % 60);
  out.push_back(':');
  appendTwoDigits(out, secondsOfDay % 60);
  out += hour < 12 ? " AM" : " PM";
}

}  // namespace

std::string dateText(const SavedDateTime& fields) {
  std::string text;
  text.reserve(24);
  if (fields.parts != SavedDateTime::Parts::Time) {
    appendTwoDigits(text, fields.month);
    text.push_back('/');
    appendTwoDigits(text, fields.day);
    text.push_back('/');
    text += std::to_string(fields.year);
    text.push_back(' ');
  }
  if (fields.parts != SavedDateTime::Parts::Date) {
    appendTime(text, fields.hour * 3600L + fields.minute * 60L + fields.second);
  }
  return text;
}

std::string dateText(double value) {
  const auto fields = dateFields(value);
  return fields ? dateText(*fields) : std::string();
}

}  // namespace vantrel
