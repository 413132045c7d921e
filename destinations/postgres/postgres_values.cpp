#include "destinations/postgres/postgres_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "destinations/escaped_text.h"
#include "reader/column_types.h"

namespace vantrel {

namespace {

constexpr int kMaxNumericPrecision = 1000;  // PostgreSQL's limit for NUMERIC(p,s)

bool validNumericPair(int precision, int scale) {
  return precision >= 1 && precision <= kMaxNumericPrecision && scale >= 0 && scale <= precision;
}

// Whether [-]digits[.digits] fits NUMERIC(precision, scale) without rounding.
bool fitsNumeric(std::string_view digits, int precision, int scale) {
  std::string_view text = digits;
  if (text.starts_with('-')) text.remove_prefix(1);
  const size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  while (whole.size() > 1 && whole.front() == '0')
    whole.remove_prefix(1);
  if (whole == "0") whole = {};
  if (whole.empty() && fraction.empty() && text.empty()) return false;
  for (const std::string_view part : {whole, fraction}) {
    for (const char c : part) {
      if (c < '0' || c > '9') return false;
    }
  }
  if (!validNumericPair(precision, scale)) return true;  // a plain numeric takes any
  return fraction.size() <= static_cast<size_t>(scale) &&
         whole.size() <= static_cast<size_t>(precision - scale);
}

// Well-formed UTF-8 without NUL, which PostgreSQL's text cannot hold.
bool storableText(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead == 0) return false;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t point = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      point = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      point = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      point = lead & 0x07u;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3Fu);
    }
    constexpr std::array<uint32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

void appendInteger(int64_t value, std::string& out) {
  std::array<char, 24> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
  out.append(buffer.data(), end);
}

void appendPadded(int value, int width, std::string& out) {
  std::array<char, 12> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
  const auto length = static_cast<int>(end - buffer.data());
  if (length < width) out.append(static_cast<size_t>(width - length), '0');
  out.append(buffer.data(), end);
}

// "yyyy-mm-dd hh:mm:ss"; a time alone lies on Jet's day zero, 1899-12-30, as it is stored.
bool appendTimestamp(const SavedDateTime& value, std::string& out) {
  SavedDateTime shown = value;
  if (value.parts == SavedDateTime::Parts::Time) {
    shown.year = 1899;
    shown.month = 12;
    shown.day = 30;
  }
  if (shown.year < 1 || shown.year > 9999 || shown.month < 1 || shown.month > 12 || shown.day < 1 ||
      shown.day > 31 || shown.hour < 0 || shown.hour > 23 || shown.minute < 0 ||
      shown.minute > 59 || shown.second < 0 || shown.second > 59) {
    return false;
  }
  appendPadded(shown.year, 4, out);
  out += '-';
  appendPadded(shown.month, 2, out);
  out += '-';
  appendPadded(shown.day, 2, out);
  out += ' ';
  appendPadded(shown.hour, 2, out);
  out += ':';
  appendPadded(shown.minute, 2, out);
  out += ':';
  appendPadded(shown.second, 2, out);
  out += secondFractionText(value);
  return true;
}

void appendUuid(const std::array<uint8_t, 16>& guid, std::string& out) {
  const std::string braced = guidText(guid);
  out.append(braced, 1, braced.size() - 2);
}

// Appends `data` through `append` a piece at a time, handing `out` to the sender whenever it
// has grown to a piece.
template <typename Append>
void appendInPieces(std::string_view data, std::string& out, const CopyPieces* pieces,
                    const Append& append) {
  const size_t step = pieces == nullptr ? data.size() : std::max<size_t>(pieces->pieceBytes, 1);
  for (size_t at = 0; at < data.size(); at += step) {
    append(data.substr(at, step), out);
    if (pieces != nullptr && out.size() >= pieces->pieceBytes && !pieces->send(out)) return;
  }
}

// bytea's hex form, its backslash escaped for COPY.
void appendBytea(const std::vector<uint8_t>& bytes, std::string& out, const CopyPieces* pieces) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\\\x";
  const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  appendInPieces(data, out, pieces, [](std::string_view piece, std::string& to) {
    for (const char c : piece) {
      const auto byte = static_cast<uint8_t>(c);
      to += kHex[byte >> 4];
      to += kHex[byte & 0x0F];
    }
  });
}

// The shortest decimal that reads back as the same number, bit for bit.
template <typename Number>
void appendShortest(Number number, std::string& out) {
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
  if (error == std::errc()) out.append(buffer.data(), end);
}

bool appendNumber(int jetType, double number, std::string& out) {
  if (jetType == kTypeSingle) {
    // The single as stored: its shortest text reads back as the same single.
    if (std::fabs(number) > std::numeric_limits<float>::max()) return false;
    appendShortest(static_cast<float>(number), out);
  } else {
    appendShortest(number, out);
  }
  return true;
}

bool integerFits(int jetType, int64_t value) {
  if (jetType == kTypeBigInt) return true;
  if (jetType == kTypeLong) {
    return value >= std::numeric_limits<int32_t>::min() &&
           value <= std::numeric_limits<int32_t>::max();
  }
  return value >= std::numeric_limits<int16_t>::min() &&
         value <= std::numeric_limits<int16_t>::max();
}

}  // namespace

std::optional<std::string> postgresColumnType(const DestinationColumn& column) {
  switch (column.jetType) {
    case kTypeBoolean:
      return "boolean";
    case kTypeByte:
    case kTypeInteger:
      return "smallint";
    case kTypeLong:
      return "integer";
    case kTypeBigInt:
      return "bigint";
    case kTypeCurrency:
      return "numeric(19,4)";
    case kTypeNumeric:
      if (!validNumericPair(column.precision, column.scale)) return "numeric";
      return "numeric(" + std::to_string(column.precision) + "," + std::to_string(column.scale) +
             ")";
    case kTypeSingle:
      return "real";
    case kTypeDouble:
      return "double precision";
    case kTypeDateTime:
      return "timestamp";
    case kTypeGuid:
      return "uuid";
    case kTypeText:
    case kTypeMemo:
      return "text";
    case kTypeBinary:
    case kTypeOle:
      return "bytea";
    default:
      return std::nullopt;
  }
}

bool appendCopyField(const DestinationColumn& column, const FieldValue& field, std::string& out,
                     const CopyPieces* pieces) {
  const SavedValue& value = field.value;
  const int type = column.jetType;
  using Kind = SavedValue::Kind;
  const size_t start = out.size();
  bool stored = false;
  // No column takes an infinity or NaN, and an OLE value that cannot be read has no bytes.
  const bool none = value.kind == Kind::Null ||
                    (value.kind == Kind::Double && !std::isfinite(value.number)) ||
                    (value.kind == Kind::Bytes && field.bytes.empty());
  if (none) {
    out += "\\N";
    return true;
  }
  switch (value.kind) {
    case Kind::Null:
      break;
    case Kind::Boolean:
      stored = type == kTypeBoolean;
      if (stored) out += value.integer != 0 ? 't' : 'f';
      break;
    case Kind::Integer:
      stored =
          (type == kTypeByte || type == kTypeInteger || type == kTypeLong || type == kTypeBigInt) &&
          integerFits(type, value.integer);
      if (stored) appendInteger(value.integer, out);
      break;
    case Kind::Double:
      // An unbounded numeric column (a calculated one) takes a floating-point result too.
      stored = (type == kTypeSingle || type == kTypeDouble ||
                (type == kTypeNumeric && !validNumericPair(column.precision, column.scale))) &&
               appendNumber(type, value.number, out);
      break;
    case Kind::Decimal: {
      const std::string digits = decimalText(value.decimal);
      // A calculated column's decimal result may lie in a double column, or in a numeric
      // one without bounds: the server takes the digits as its type.
      stored = (type == kTypeCurrency && fitsNumeric(digits, 19, 4)) ||
               (type == kTypeNumeric && (fitsNumeric(digits, column.precision, column.scale) ||
                                         !validNumericPair(column.precision, column.scale))) ||
               type == kTypeDouble || type == kTypeSingle;
      if (stored) out += digits;
      break;
    }
    case Kind::DateTime:
      stored = type == kTypeDateTime && appendTimestamp(value.dateTime, out);
      break;
    case Kind::Guid:
      stored = type == kTypeGuid;
      if (stored) appendUuid(value.guid, out);
      break;
    case Kind::Bytes:
      stored = type == kTypeBinary || type == kTypeOle;
      if (stored) appendBytea(field.bytes, out, pieces);
      break;
    case Kind::Text:
      stored = (type == kTypeText || type == kTypeMemo) && storableText(field.text);
      if (stored) {
        appendInPieces(field.text, out, pieces, [](std::string_view piece, std::string& to) {
          appendBackslashEscaped(to, piece);
        });
      }
      break;
  }
  if (!stored) out.resize(start);
  return stored;
}

}  // namespace vantrel
