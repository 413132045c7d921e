#include "jetsql/query_definition_row.h"

#include <array>
#include <limits>

#include "jetsql/wide_text.h"

namespace vantrel {

namespace {

// Column positions of one catalog row.
struct QueryRowPositions {
  size_t attribute, expression, flag, name1, name2, objectId;
};
constexpr QueryRowPositions kJet3Positions{1, 5, 6, 3, 4, 0};
constexpr QueryRowPositions kJet4Positions{0, 1, 2, 4, 5, 6};

std::u16string wideUpToNul(std::string_view utf8) {
  std::u16string text = toWide(utf8);
  if (const size_t nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::u16string textAt(std::span<const std::string> texts, size_t position) {
  return position < texts.size() ? wideUpToNul(texts[position]) : std::u16string();
}

// Text fields as their text, numbers written in decimal.
std::u16string textAt(std::span<const FieldValue> fields, size_t position) {
  if (position >= fields.size()) return {};
  const FieldValue& field = fields[position];
  switch (field.value.kind) {
    case SavedValue::Kind::Boolean:
    case SavedValue::Kind::Integer:
      return wideUpToNul(std::to_string(field.value.integer));
    default:
      return wideUpToNul(textOf(field));
  }
}

// A text that is a whole number and nothing else: an optional sign and up to 18 digits.
std::optional<int64_t> wholeNumberIn(std::string_view text) {
  if (const size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

std::optional<int64_t> codeAt(std::span<const std::string> texts, size_t position) {
  return position < texts.size() ? wholeNumberIn(texts[position]) : std::nullopt;
}

// An integer field as it is; a damaged column's text when it is a whole number.
std::optional<int64_t> codeAt(std::span<const FieldValue> fields, size_t position) {
  if (position >= fields.size()) return std::nullopt;
  const FieldValue& field = fields[position];
  switch (field.value.kind) {
    case SavedValue::Kind::Boolean:
    case SavedValue::Kind::Integer:
      return field.value.integer;
    default:
      return wholeNumberIn(textOf(field));
  }
}

int64_t numberAt(std::span<const std::string> texts, size_t position) {
  return position < texts.size() ? parseLeadingInteger(texts[position]) : 0;
}

int64_t numberAt(std::span<const FieldValue> fields, size_t position) {
  return position < fields.size() ? wholeNumber(fields[position]) : 0;
}

template <typename Column>
QueryDefinitionRow queryRow(std::span<const Column> columns, int formatVersion) {
  const QueryRowPositions& at = formatVersion == 1 ? kJet4Positions : kJet3Positions;
  QueryDefinitionRow row;
  row.attribute = codeAt(columns, at.attribute);
  row.expression = textAt(columns, at.expression);
  row.flag = codeAt(columns, at.flag);
  row.name1 = textAt(columns, at.name1);
  row.name2 = textAt(columns, at.name2);
  row.objectId = numberAt(columns, at.objectId);
  return row;
}

}  // namespace

QueryDefinitionRow queryRowFromFields(std::span<const FieldValue> fields, int formatVersion) {
  return queryRow(fields, formatVersion);
}

QueryDefinitionRow queryRowFromTexts(std::span<const std::string> columnTexts, int formatVersion) {
  return queryRow(columnTexts, formatVersion);
}

bool rowBelongsToQuery(int64_t rowObjectId, int formatVersion, int64_t queryId) {
  if (formatVersion == 1) {
    return static_cast<uint32_t>(rowObjectId) == static_cast<uint32_t>(queryId);
  }
  const int64_t query = queryId & 0xFFFFFF;
  const int64_t mask = query <= 0x7FF ? 0x7FF : 0xFFFFFF;
  return (rowObjectId & mask) == query;
}

}  // namespace vantrel
