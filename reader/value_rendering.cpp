#include "reader/value_rendering.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "reader/column_types.h"
#include "reader/date_text.h"
#include "reader/long_value.h"
#include "reader/number_text.h"

namespace vantrel {

namespace {

constexpr const char* kOleDataText = "OLE DATA";

// The field's bytes, when they lie inside the page.
std::span<const uint8_t> fieldBytes(std::span<const uint8_t> page, int start, int size) {
  if (start < 0 || size < 0 || start + size > static_cast<int>(page.size())) return {};
  return page.subspan(static_cast<size_t>(start), static_cast<size_t>(size));
}

// Reads a fixed-width little-endian value of `width` bytes at `start`, or nothing when the
// bytes do not lie inside the page.
template <typename T>
std::optional<T> fixedValue(std::span<const uint8_t> page, int start) {
  const auto bytes = fieldBytes(page, start, static_cast<int>(sizeof(T)));
  if (bytes.size() != sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, bytes.data(), sizeof(T));
  return value;
}

std::string textValue(SourceDatabase& db, std::span<const uint8_t> page, int start, int size) {
  if (start <= 0) return {};  // offset 0 is the page's own header, never a field
  const auto bytes = fieldBytes(page, start, size);
  if (bytes.empty()) return {};
  if (db.isJet4() && !isCompressedJet4Text(bytes)) db.wideTextSeen = 1;
  return db.decodeText(bytes);
}

std::string memoText(SourceDatabase& db, std::span<const uint8_t> bytes) {
  return db.isJet4() ? decodeJet4Text(bytes) : db.codePageDecoder().decode(bytes);
}

}  // namespace

std::string valueToText(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                        int type) {
  if (start < 0) return {};
  switch (type) {
    case kTypeByte:
      return byteOf(page, start) < 0 ? std::string() : std::to_string(byteOf(page, start));
    case kTypeInteger: {
      const auto value = fixedValue<int16_t>(page, start);
      return value ? std::to_string(*value) : std::string();
    }
    case kTypeLong: {
      const auto value = fixedValue<int32_t>(page, start);
      return value ? std::to_string(*value) : std::string();
    }
    case kTypeCurrency: {
      const auto value = fixedValue<int64_t>(page, start);
      return value ? currencyText(*value) : std::string();
    }
    case kTypeSingle: {
      const auto value = fixedValue<float>(page, start);
      return value ? singleText(*value) : std::string();
    }
    case kTypeDouble: {
      const auto value = fixedValue<double>(page, start);
      return value ? doubleText(*value) : std::string();
    }
    case kTypeDateTime: {
      const auto value = fixedValue<double>(page, start);
      return value ? dateText(*value) : std::string();
    }
    case kTypeText:
      return textValue(db, page, start, size);
    case kTypeOle:
      return kOleDataText;
    case kTypeMemo:
      return longValueToText(db, page, start, size);
    case kTypeGuid:
      return guidText(fieldBytes(page, start, 16));
    default:
      return {};  // binary shows no text; other codes have no form
  }
}

std::string longValueToText(SourceDatabase& db, std::span<const uint8_t> page, int start,
                            int size) {
  return memoText(db, readLongValue(db, page, start, size));
}

namespace {

void setText(FieldValue& out, std::string text) {
  out.text = std::move(text);
  if (!out.text.empty()) out.value.kind = SavedValue::Kind::Text;
}

void setBytes(FieldValue& out) {
  if (!out.bytes.empty()) out.value.kind = SavedValue::Kind::Bytes;
}

template <typename Number>
void setInteger(FieldValue& out, std::optional<Number> number) {
  if (!number) return;
  out.text = std::to_string(*number);
  out.value.kind = SavedValue::Kind::Integer;
  out.value.integer = *number;
}

// A decimal that is its own text: currency and numeric.
void setDecimal(FieldValue& out, std::string digits) {
  out.text = std::move(digits);
  if (out.text.empty()) return;
  out.value.kind = SavedValue::Kind::Decimal;
}

template <typename Number>
void setReal(FieldValue& out, std::optional<Number> number) {
  if (!number) return;
  if constexpr (std::is_same_v<Number, float>) {
    out.text = singleText(*number);
  } else {
    out.text = doubleText(*number);
  }
  if (!std::isfinite(*number)) return;  // no destination takes an infinity or NaN
  out.value.kind = SavedValue::Kind::Double;
  out.value.number = *number;
}

}  // namespace

size_t bindValue(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                 const ColumnDefinition& column, size_t i, int valueByte, ColumnTexts& texts) {
  if (texts.size() <= i) texts.resize(i + 1);
  FieldValue& out = texts[i];
  out.text.clear();
  out.bytes.clear();
  out.value.kind = SavedValue::Kind::Null;
  if (column.type == kTypeBoolean) {
    out.text = valueByte != 0 ? "0" : "1";
    out.value.kind = SavedValue::Kind::Boolean;
    out.value.integer = valueByte != 0 ? 0 : 1;
    return out.text.size();
  }
  if (size == 0) return 0;
  switch (column.type) {
    case kTypeByte:
      if (const int byte = start < 0 ? -1 : byteOf(page, start); byte >= 0) {
        setInteger(out, std::optional<int>(byte));
      }
      break;
    case kTypeInteger:
      setInteger(out, fixedValue<int16_t>(page, start));
      break;
    case kTypeLong:
      setInteger(out, fixedValue<int32_t>(page, start));
      break;
    case kTypeCurrency:
      if (const auto value = fixedValue<int64_t>(page, start))
        setDecimal(out, currencyText(*value));
      break;
    case kTypeNumeric:
      setDecimal(out, numericText(fieldBytes(page, start, 17), column.precision, column.scale));
      break;
    case kTypeSingle:
      setReal(out, fixedValue<float>(page, start));
      break;
    case kTypeDouble:
      setReal(out, fixedValue<double>(page, start));
      break;
    case kTypeDateTime:
      if (const auto value = fixedValue<double>(page, start)) {
        if (const auto fields = dateFields(*value)) {
          out.text = dateText(*fields);
          out.value.kind = SavedValue::Kind::DateTime;
          out.value.dateTime = *fields;
        }
      }
      break;
    case kTypeGuid: {
      const auto bytes = fieldBytes(page, start, 16);
      out.text = guidText(bytes);
      if (bytes.size() == out.value.guid.size()) {
        std::copy(bytes.begin(), bytes.end(), out.value.guid.begin());
        out.value.kind = SavedValue::Kind::Guid;
      }
      break;
    }
    case kTypeBinary: {
      const auto bytes = fieldBytes(page, start, size);
      out.bytes.assign(bytes.begin(), bytes.end());
      setBytes(out);
      break;
    }
    case kTypeOle:
      out.bytes = readLongValue(db, page, start, size);
      out.text = kOleDataText;
      setBytes(out);
      break;
    case kTypeText:
    case kTypeMemo:
      setText(out, valueToText(db, page, start, size, column.type));
      break;
    default:
      break;  // other codes have no form
  }
  return out.text.size();
}

}  // namespace vantrel
