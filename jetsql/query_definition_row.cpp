#include "jetsql/query_definition_row.h"

#include "reader/catalog_rows.h"

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

std::u16string textAt(std::span<const std::string> texts, size_t position) {
  if (position >= texts.size()) return {};
  std::u16string text = toWide(texts[position]);
  if (const size_t nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
  return text;
}

}  // namespace

QueryDefinitionRow queryRowFromTexts(std::span<const std::string> columnTexts, int formatVersion) {
  const QueryRowPositions& at = formatVersion == 1 ? kJet4Positions : kJet3Positions;
  QueryDefinitionRow row;
  row.attribute = textAt(columnTexts, at.attribute);
  row.expression = textAt(columnTexts, at.expression);
  row.flag = textAt(columnTexts, at.flag);
  row.name1 = textAt(columnTexts, at.name1);
  row.name2 = textAt(columnTexts, at.name2);
  if (at.objectId < columnTexts.size())
    row.objectId = parseLeadingInteger(columnTexts[at.objectId]);
  return row;
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
