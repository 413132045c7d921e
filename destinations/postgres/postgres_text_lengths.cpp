#include "destinations/postgres/postgres_text_lengths.h"

#include "reader/column_types.h"

namespace vantrel {

TextLengths::TextLengths(const TableDescription& table, const std::vector<bool>& created)
    : limits_(table.columns.size(), 0) {
  for (size_t i = 0; i < table.columns.size() && i < created.size(); ++i) {
    const DestinationColumn& column = table.columns[i];
    // 255 is Jet's longest text; a larger size is no text length Jet declared.
    if (created[i] && column.jetType == kTypeText && column.size > 0 && column.size <= 255)
      limits_[i] = column.size;
  }
}

int TextLengths::limit(size_t column) const {
  return column < limits_.size() ? limits_[column] : 0;
}

std::string TextLengths::createdType(size_t column, const std::string& type) const {
  if (limit(column) == 0) return type;
  return "varchar(" + std::to_string(limit(column)) + ")";
}

std::optional<TextLengths::Overflow> TextLengths::overflow(std::span<const FieldValue> row) const {
  for (size_t i = 0; i < limits_.size() && i < row.size(); ++i) {
    if (limits_[i] == 0 || row[i].value.kind != SavedValue::Kind::Text) continue;
    // A value of no more bytes than the limit has no more characters either.
    if (row[i].text.size() <= static_cast<size_t>(limits_[i])) continue;
    const size_t characters = characterCount(row[i].text);
    if (characters > static_cast<size_t>(limits_[i])) return Overflow{i, characters};
  }
  return std::nullopt;
}

void TextLengths::widen(size_t column) {
  if (column < limits_.size()) limits_[column] = 0;
}

size_t characterCount(std::string_view utf8) {
  size_t count = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace vantrel
