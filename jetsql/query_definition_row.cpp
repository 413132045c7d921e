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
  row.attribute = textAt(columns, at.attribute);
  row.expression = textAt(columns, at.expression);
  row.flag = textAt(columns, at.flag);
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
