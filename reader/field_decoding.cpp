#include "reader/field_decoding.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "reader/column_types.h"
#include "reader/date_fields.h"
#include "reader/long_value.h"

namespace vantrel {

namespace {

// The field's bytes, when they lie inside the page.
std::span<const uint8_t> fieldBytes(std::span<const uint8_t> page, int start, int size) {
  if (start < 0 || size < 0 || start + size > static_cast<int>(page.size())) return {};
  return page.subspan(static_cast<size_t>(start), static_cast<size_t>(size));
}

// Reads a fixed-width little-endian value at `start`, or nothing when its bytes do not lie
// inside the page.
template <typename T>
std::optional<T> fixedValue(std::span<const uint8_t> page, int start) {
  const auto bytes = fieldBytes(page, start, static_cast<int>(sizeof(T)));
  if (bytes.size() != sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, bytes.data(), sizeof(T));
  return value;
}

std::string inlineText(SourceDatabase& db, std::span<const uint8_t> page, int start, int size) {
  if (start <= 0) return {};  // offset 0 is the page's own header, never a field
  const auto bytes = fieldBytes(page, start, size);
  if (bytes.empty()) return {};
  if (db.isJet4() && !isCompressedJet4Text(bytes)) db.wideTextSeen = 1;
  return db.decodeText(bytes);
}

// A Jet 4 long text is decoded as its rows are read, so that its stored bytes are never held
// whole; once its text has passed a megabyte it is taken at its word and given the room its
// header declares at once (a UTF-8 text is at most as long as the stored text in all but the
// rarest scripts), not grown by doubling, which would hold it twice for a moment.
std::string jet4MemoText(SourceDatabase& db, std::span<const uint8_t> page, int start, int size) {
  constexpr size_t kTrustedLength = size_t{1} << 20;
  Jet4TextDecoder decoder;
  size_t declared = 0;
  readLongValueInPieces(db, page, start, size,
                        {.expect = [&declared](size_t length) { declared = length; },
                         .append =
                             [&decoder, &declared](std::span<const uint8_t> bytes) {
                               decoder.feed(bytes);
                               if (declared > 0 && decoder.size() >= kTrustedLength) {
                                 decoder.reserve(declared);
                                 declared = 0;
                               }
                             }});
  std::string text = decoder.finish();
  // A text far shorter than its header declared gives back the room it did not fill.
  if (text.capacity() > 2 * text.size() + kTrustedLength) text.shrink_to_fit();
  return text;
}

// A Jet 3 long text in a code page that keeps ASCII is mostly its own bytes: it is then
// turned into its text where it lies, not held as bytes and again as text.
std::string memoText(SourceDatabase& db, std::span<const uint8_t> page, int start, int size) {
  if (db.isJet4()) return jet4MemoText(db, page, start, size);
  std::string stored = readLongValueAsString(db, page, start, size);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(stored.data()),
                                       stored.size());
  const std::optional<size_t> kept = db.codePageDecoder().keptLength(bytes);
  if (!kept) return db.codePageDecoder().decode(bytes);
  stored.resize(*kept);
  return stored;
}

void setText(FieldValue& out, std::string text) {
  out.text = std::move(text);
  if (!out.text.empty()) out.value.kind = SavedValue::Kind::Text;
}

template <typename Number>
void setInteger(FieldValue& out, std::optional<Number> number) {
  if (!number) return;
  out.value.kind = SavedValue::Kind::Integer;
  out.value.integer = *number;
}

template <typename Number>
void setReal(FieldValue& out, std::optional<Number> number) {
  if (!number) return;
  out.value.kind = SavedValue::Kind::Double;
  out.value.number = static_cast<double>(*number);
}

void setCurrency(FieldValue& out, std::optional<int64_t> tenThousandths) {
  if (!tenThousandths) return;
  const bool negative = *tenThousandths < 0;
  const uint64_t magnitude = negative ? ~static_cast<uint64_t>(*tenThousandths) + 1
                                      : static_cast<uint64_t>(*tenThousandths);
  SavedDecimal& decimal = out.value.decimal;
  decimal.magnitude = {0, 0, static_cast<uint32_t>(magnitude >> 32),
                       static_cast<uint32_t>(magnitude)};
  decimal.negative = negative;
  decimal.scale = 4;
  out.value.kind = SavedValue::Kind::Decimal;
}

// A 17-byte field: a sign byte, then a 128-bit magnitude in four little-endian 32-bit words,
// the most significant word first.
void setNumeric(FieldValue& out, std::span<const uint8_t> field, int scale) {
  if (field.size() < 17) return;
  SavedDecimal& decimal = out.value.decimal;
  for (size_t word = 0; word < 4; ++word) {
    const size_t at = 1 + 4 * word;
    decimal.magnitude[word] =
        static_cast<uint32_t>(field[at]) | static_cast<uint32_t>(field[at + 1]) << 8 |
        static_cast<uint32_t>(field[at + 2]) << 16 | static_cast<uint32_t>(field[at + 3]) << 24;
  }
  const bool zero = decimal.magnitude == std::array<uint32_t, 4>{};
  decimal.negative = (field[0] & 0x80) != 0 && !zero;
  decimal.scale = scale;
  out.value.kind = SavedValue::Kind::Decimal;
}

// Decodes a value of a fixed-size type (and binary) from `page` at `start`; false for the
// types that are not so stored.
bool decodeFixedField(std::span<const uint8_t> page, int start, int size,
                      const ColumnDefinition& column, FieldValue& out) {
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
      setCurrency(out, fixedValue<int64_t>(page, start));
      break;
    case kTypeNumeric:
      setNumeric(out, fieldBytes(page, start, 17), column.scale);
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
          out.value.kind = SavedValue::Kind::DateTime;
          out.value.dateTime = *fields;
        }
      }
      break;
    case kTypeGuid:
      if (const auto bytes = fieldBytes(page, start, 16); bytes.size() == out.value.guid.size()) {
        std::copy(bytes.begin(), bytes.end(), out.value.guid.begin());
        out.value.kind = SavedValue::Kind::Guid;
      }
      break;
    case kTypeBinary: {
      const auto bytes = fieldBytes(page, start, size);
      out.bytes.assign(bytes.begin(), bytes.end());
      if (!out.bytes.empty()) out.value.kind = SavedValue::Kind::Bytes;
      break;
    }
    case kTypeBigInt:
      setInteger(out, fixedValue<int64_t>(page, start));
      break;
    case kTypeComplex:
      setInteger(out, fixedValue<int32_t>(page, start));
      break;
    case kTypeDateTimeExtended:
      if (const auto fields = extendedDateFields(fieldBytes(page, start, size))) {
        out.value.kind = SavedValue::Kind::DateTime;
        out.value.dateTime = *fields;
      }
      break;
    default:
      return false;
  }
  return true;
}

// A 16-byte decimal result: precision, a byte, scale, sign (0x80 negative), then the magnitude
// as a 32-bit high word and a 64-bit low part, little-endian.
void setWideDecimal(FieldValue& out, std::span<const uint8_t> result) {
  constexpr uint8_t kNegative = 0x80;
  constexpr int kLargestScale = 28;
  const int scale = result[2];
  if (scale > kLargestScale) return;
  SavedDecimal& decimal = out.value.decimal;
  const int64_t low =
      static_cast<int64_t>(u32Of(result, 8)) | static_cast<int64_t>(u32Of(result, 12)) << 32;
  decimal.magnitude = {0, static_cast<uint32_t>(u32Of(result, 4)),
                       static_cast<uint32_t>(static_cast<uint64_t>(low) >> 32),
                       static_cast<uint32_t>(low)};
  const bool zero = decimal.magnitude == std::array<uint32_t, 4>{};
  decimal.negative = (result[3] & kNegative) != 0 && !zero;
  decimal.scale = scale;
  out.value.kind = SavedValue::Kind::Decimal;
}

// The result of a calculated column is stored as the expression's own type, which the
// column's type does not always tell (that lives in the column's properties): its length
// does, but for 8 bytes under a double, where a currency result is told by its bits, which
// as a double would be a subnormal number or a NaN (a small negative amount), which no
// calculation stores.
void decodeCalculatedResult(std::span<const uint8_t> result, const ColumnDefinition& column,
                            FieldValue& out) {
  constexpr size_t kWideDecimalBytes = 16;
  ColumnDefinition stored = column;
  // The result's own type, when the table's properties give one that fits the bytes stored.
  const int resultType = column.calculatedResultType;
  const auto fits = [&](int type, size_t bytes) {
    return resultType == type && result.size() == bytes;
  };
  if (fits(kTypeCurrency, 8) || fits(kTypeDouble, 8) || fits(kTypeDateTime, 8) ||
      fits(kTypeLong, 4) || fits(kTypeSingle, 4) || fits(kTypeInteger, 2) || fits(kTypeByte, 1)) {
    stored.type = resultType;
    decodeFixedField(result, 0, static_cast<int>(result.size()), stored, out);
    return;
  }
  switch (result.size()) {
    case 0:
      return;
    case 1:
      // A Yes/No result, in a column its definition declares a number: Access's -1 and 0.
      setInteger(out, std::optional<int>(result[0] != 0 ? -1 : 0));
      return;
    case 2:
      stored.type = kTypeInteger;
      break;
    case 4:
      if (column.type != kTypeLong) stored.type = kTypeSingle;
      break;
    case 8:
      if (column.type == kTypeDouble) {
        const auto bits =
            static_cast<uint64_t>(u32Of(result, 0)) | static_cast<uint64_t>(u32Of(result, 4)) << 32;
        constexpr uint64_t kExponentBits = 0x7FF0000000000000;
        const uint64_t exponent = bits & kExponentBits;
        if ((exponent == 0 && bits != 0) || exponent == kExponentBits) stored.type = kTypeCurrency;
      } else if (column.type != kTypeCurrency && column.type != kTypeDateTime &&
                 column.type != kTypeBigInt) {
        stored.type = kTypeDouble;
      }
      break;
    case kWideDecimalBytes:
      setWideDecimal(out, result);
      return;
    default:
      break;
  }
  decodeFixedField(result, 0, static_cast<int>(result.size()), stored, out);
}

// A calculated column stores its result wrapped: 16 bytes, the result's length (32 bits), the
// result as its type stores it, then a few bytes more. A long result is a long value.
void decodeCalculated(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                      const ColumnDefinition& column, FieldValue& out) {
  constexpr int kLengthAt = 16;
  constexpr int kResultAt = 20;
  std::vector<uint8_t> longValue;
  std::span<const uint8_t> wrapped;
  const bool longResult =
      column.type == kTypeMemo || (column.type == kTypeText && column.size == 0);
  if (longResult) {
    if (start < 0) return;
    longValue = readLongValue(db, page, start, size);
    wrapped = longValue;
  } else {
    wrapped = fieldBytes(page, start, size);
  }
  if (wrapped.size() < static_cast<size_t>(kResultAt)) return;
  const int64_t declared = u32Of(wrapped, kLengthAt);
  const auto available = static_cast<int64_t>(wrapped.size()) - kResultAt;
  // A length beyond the wrapper is damage: the bytes that are there are all the result has.
  const auto length = static_cast<int>(declared < 0 ? available : std::min(declared, available));
  const auto result = wrapped.subspan(kResultAt, static_cast<size_t>(length));
  if (column.type == kTypeText || column.type == kTypeMemo) {
    if (!result.empty()) setText(out, db.decodeText(result));
    return;
  }
  decodeCalculatedResult(result, column, out);
}

}  // namespace

void decodeField(SourceDatabase& db, std::span<const uint8_t> page, int start, int size,
                 const ColumnDefinition& column, int valueByte, FieldValue& out) {
  out.text.clear();
  out.bytes.clear();
  out.value.kind = SavedValue::Kind::Null;
  if (column.type == kTypeBoolean) {
    out.value.kind = SavedValue::Kind::Boolean;
    out.value.integer = valueByte != 0 ? 0 : 1;
    return;
  }
  if (size == 0) return;
  if (column.isCalculated) {
    decodeCalculated(db, page, start, size, column, out);
    return;
  }
  if (decodeFixedField(page, start, size, column, out)) return;
  switch (column.type) {
    case kTypeOle:
      out.bytes = readLongValue(db, page, start, size);
      out.value.kind = SavedValue::Kind::Bytes;
      break;
    case kTypeText:
      setText(out, inlineText(db, page, start, size));
      break;
    case kTypeMemo:
      if (start >= 0) setText(out, memoText(db, page, start, size));
      break;
    default:
      break;  // other codes have no form
  }
}

}  // namespace vantrel
