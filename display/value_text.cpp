#include "display/value_text.h"

#include <locale.h>
#include <clocale>

#include "display/date_text.h"
#include "display/number_text.h"
#include "reader/column_types.h"

namespace vantrel {

std::string fieldText(const ColumnDefinition& column, const FieldValue& field) {
  const SavedValue& value = field.value;
  switch (value.kind) {
    case SavedValue::Kind::Null:
      return {};
    case SavedValue::Kind::Boolean:
      return value.integer != 0 ? "1" : "0";
    case SavedValue::Kind::Integer:
      return std::to_string(value.integer);
    case SavedValue::Kind::Double:
      return column.type == kTypeSingle ? singleText(static_cast<float>(value.number))
                                        : doubleText(value.number);
    case SavedValue::Kind::Decimal:
      return decimalText(value.decimal);
    case SavedValue::Kind::DateTime:
      return dateText(value.dateTime);
    case SavedValue::Kind::Guid:
      return guidText(value.guid);
    case SavedValue::Kind::Bytes:
      return column.type == kTypeOle ? "OLE DATA" : std::string();
    case SavedValue::Kind::Text:
      return field.text;
  }
  return {};
}

std::string previewText(const ColumnDefinition& column, const FieldValue& field) {
  if (column.type != kTypeCurrency) return fieldText(column, field);
  const std::string text = fieldText(column, field);
  return localeCurrencySymbol() + (text.empty() ? "0" : text);
}

const std::string& localeCurrencySymbol() {
  static const std::string symbol = [] {
    std::string found;
    if (locale_t user = newlocale(LC_MONETARY_MASK, "", static_cast<locale_t>(nullptr))) {
      const locale_t previous = uselocale(user);
      found = localeconv()->currency_symbol;
      uselocale(previous);
      freelocale(user);
    }
    return found;
  }();
  return symbol;
}

}  // namespace vantrel
