#include "reader/value_rendering.h"

#include <cstring>

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

size_t bindValue(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                 const ColumnDefinition& column, size_t i, int valueByte, ColumnTexts& texts) {
  if (texts.size() <= i) texts.resize(i + 1);
  FieldValue& out = texts[i];
  out.text.clear();
  out.bytes.clear();
  out.number.reset();
  if (column.type == kTypeBoolean) {
    out.text = valueByte != 0 ? "0" : "1";
    return out.text.size();
  }
  if (size == 0) return 0;
  switch (column.type) {
    case kTypeNumeric:
      out.text = numericText(fieldBytes(page, start, 17), column.precision, column.scale);
      break;
    case kTypeBinary: {
      const auto bytes = fieldBytes(page, start, size);
      out.bytes.assign(bytes.begin(), bytes.end());
      break;
    }
    case kTypeOle:
      out.bytes = readLongValue(db, page, start, size);
      out.text = kOleDataText;
      break;
    case kTypeSingle:
      if (const auto value = fixedValue<float>(page, start)) out.number = *value;
      out.text = valueToText(db, page, start, size, column.type);
      break;
    case kTypeDouble:
      out.number = fixedValue<double>(page, start);
      out.text = valueToText(db, page, start, size, column.type);
      break;
    default:
      out.text = valueToText(db, page, start, size, column.type);
  }
  return out.text.size();
}

}  // namespace vantrel
