#include "destinations/postgres/postgres_values.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

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
    // Eight characters at a time while they are ASCII and none is NUL: most text is.
    constexpr uint64_t kOnes = 0x0101010101010101;
    constexpr uint64_t kHighs = 0x8080808080808080;
    uint64_t word = 0;
    if (i + sizeof word <= text.size()) {
      std::memcpy(&word, text.data() + i, sizeof word);
      if ((word & kHighs) == 0 && ((word - kOnes) & ~word & kHighs) == 0) {
        i += sizeof word;
        continue;
      }
    }
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

// COPY's binary form is big-endian throughout.
template <typename Word>
void appendBigEndian(Word word, std::string& out) {
  using Unsigned = std::make_unsigned_t<Word>;
  const auto bits = static_cast<Unsigned>(word);
  std::array<char, sizeof(Word)> bytes{};
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(static_cast<uint8_t>(bits >> (8 * (bytes.size() - 1 - i))));
  out.append(bytes.data(), bytes.size());
}

void appendLength(size_t length, std::string& out) {
  appendBigEndian(static_cast<int32_t>(length), out);
}

// A value of a fixed width: its length, then its bytes.
template <typename Word>
void appendFixed(Word word, std::string& out) {
  using Unsigned = std::make_unsigned_t<Word>;
  const auto bits = static_cast<Unsigned>(word);
  std::array<char, 4 + sizeof(Word)> bytes{0, 0, 0, static_cast<char>(sizeof(Word))};
  for (size_t i = 4; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(static_cast<uint8_t>(bits >> (8 * (bytes.size() - 1 - i))));
  out.append(bytes.data(), bytes.size());
}

// A timestamp: microseconds from 2000-01-01 00:00:00. A time alone lies on Jet's day zero,
// 1899-12-30, as it is stored. Below the microsecond, half a step goes to the even one, as
// the server rounds a timestamp's text.
bool appendTimestamp(const SavedDateTime& value, std::string& out) {
  SavedDateTime shown = value;
  if (value.parts == SavedDateTime::Parts::Time) {
    shown.year = 1899;
    shown.month = 12;
    shown.day = 30;
  }
  if (shown.year < 1 || shown.year > 9999 || shown.month < 1 || shown.month > 12 || shown.day < 1 ||
      shown.day > 31 || shown.hour < 0 || shown.hour > 23 || shown.minute < 0 ||
      shown.minute > 59 || shown.second < 0 || shown.second > 59 || shown.nanosecond < 0 ||
      shown.nanosecond >= 1'000'000'000) {
    return false;
  }
  namespace chrono = std::chrono;
  const chrono::year_month_day date{chrono::year(shown.year),
                                    chrono::month(static_cast<unsigned>(shown.month)),
                                    chrono::day(static_cast<unsigned>(shown.day))};
  if (!date.ok()) return false;  // a day the month does not have
  constexpr chrono::sys_days kPostgresEpoch = chrono::year(2000) / 1 / 1;
  const int64_t days = (chrono::sys_days(date) - kPostgresEpoch).count();
  const int64_t seconds = days * 86400 + shown.hour * 3600 + shown.minute * 60 + shown.second;
  int64_t micro = shown.nanosecond / 1000;
  const int rest = shown.nanosecond % 1000;
  if (rest > 500 || (rest == 500 && micro % 2 != 0)) ++micro;
  appendFixed(seconds * 1'000'000 + micro, out);
  return true;
}

// The sixteen bytes in the order the text form shows them: Jet stores the first three groups
// little-endian.
void appendUuid(const std::array<uint8_t, 16>& guid, std::string& out) {
  static constexpr std::array<size_t, 16> kOrder{3, 2, 1,  0,  5,  4,  7,  6,
                                                 8, 9, 10, 11, 12, 13, 14, 15};
  appendLength(guid.size(), out);
  for (const size_t at : kOrder)
    out += static_cast<char>(guid[at]);
}

// Appends `data` a piece at a time, handing `out` to the sender whenever it has grown to a
// piece, so that a large value is never held whole a second time.
void appendInPieces(std::string_view data, std::string& out, const CopyPieces* pieces) {
  appendLength(data.size(), out);
  const size_t step = pieces == nullptr ? data.size() : std::max<size_t>(pieces->pieceBytes, 1);
  for (size_t at = 0; at < data.size(); at += step) {
    out.append(data.substr(at, step));
    if (pieces != nullptr && out.size() >= pieces->pieceBytes && !pieces->send(out)) return;
  }
}

// A numeric from "[-]digits[.digits]" (checked by fitsNumeric): groups of four decimal digits
// from the most significant, the weight of the first group as a power of 10000, the sign and
// the number of digits after the point.
void appendNumeric(std::string_view text, std::string& out) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  const size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  while (!whole.empty() && whole.front() == '0')
    whole.remove_prefix(1);
  // The digits aligned on groups: zeros before the whole part and after the fraction.
  const size_t lead = (4 - whole.size() % 4) % 4;
  const size_t trail = (4 - fraction.size() % 4) % 4;
  std::vector<int16_t> groups;
  groups.reserve((lead + whole.size() + fraction.size() + trail) / 4);
  int group = 0;
  int filled = 0;
  const auto push = [&](char digit) {
    group = group * 10 + (digit - '0');
    if (++filled == 4) {
      groups.push_back(static_cast<int16_t>(group));
      group = 0;
      filled = 0;
    }
  };
  for (size_t i = 0; i < lead; ++i)
    push('0');
  for (const char c : whole)
    push(c);
  for (const char c : fraction)
    push(c);
  for (size_t i = 0; i < trail; ++i)
    push('0');
  auto weight = static_cast<int>((lead + whole.size()) / 4) - 1;
  size_t first = 0;
  while (first < groups.size() && groups[first] == 0) {
    ++first;
    --weight;
  }
  size_t last = groups.size();
  while (last > first && groups[last - 1] == 0)
    --last;
  if (first == last) weight = 0;
  constexpr int16_t kNegative = 0x4000;
  appendLength(8 + 2 * (last - first), out);
  appendBigEndian(static_cast<int16_t>(last - first), out);
  appendBigEndian(static_cast<int16_t>(weight), out);
  appendBigEndian(static_cast<int16_t>(negative && first != last ? kNegative : 0), out);
  appendBigEndian(static_cast<int16_t>(fraction.size()), out);
  for (size_t i = first; i < last; ++i)
    appendBigEndian(groups[i], out);
}

// A double or single from decimal digits, rounded as the server rounds their text.
template <typename Number>
bool appendParsed(std::string_view digits, std::string& out) {
  Number number{};
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || !std::isfinite(number)) return false;
  appendFixed(std::bit_cast<std::conditional_t<sizeof(Number) == 4, int32_t, int64_t>>(number),
              out);
  return true;
}

bool appendNumber(const DestinationColumn& column, double number, std::string& out) {
  if (column.jetType == kTypeSingle) {
    // The single as stored.
    if (std::fabs(number) > std::numeric_limits<float>::max()) return false;
    appendFixed(std::bit_cast<int32_t>(static_cast<float>(number)), out);
  } else if (column.jetType == kTypeDouble) {
    appendFixed(std::bit_cast<int64_t>(number), out);
  } else {
    // An unbounded numeric takes the shortest digits that read back as the same double.
    std::array<char, 400> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number,
                                            std::chars_format::fixed);
    if (error != std::errc()) return false;
    appendNumeric(std::string_view(buffer.data(), static_cast<size_t>(end - buffer.data())), out);
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

void appendCopyHeader(std::string& out) {
  static constexpr std::string_view kSignature("PGCOPY\n\xFF\r\n\0", 11);
  out += kSignature;
  appendBigEndian(int32_t{0}, out);  // flags: no OIDs
  appendBigEndian(int32_t{0}, out);  // no header extension
}

void appendCopyRowStart(size_t fields, std::string& out) {
  appendBigEndian(static_cast<int16_t>(fields), out);
}

void appendCopyNull(std::string& out) {
  appendBigEndian(int32_t{-1}, out);
}

void appendCopyTrailer(std::string& out) {
  appendBigEndian(int16_t{-1}, out);
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
    appendCopyNull(out);
    return true;
  }
  switch (value.kind) {
    case Kind::Null:
      break;
    case Kind::Boolean:
      stored = type == kTypeBoolean;
      if (stored) appendFixed(static_cast<uint8_t>(value.integer != 0 ? 1 : 0), out);
      break;
    case Kind::Integer:
      stored =
          (type == kTypeByte || type == kTypeInteger || type == kTypeLong || type == kTypeBigInt) &&
          integerFits(type, value.integer);
      if (!stored) break;
      if (type == kTypeLong) {
        appendFixed(static_cast<int32_t>(value.integer), out);
      } else if (type == kTypeBigInt) {
        appendFixed(value.integer, out);
      } else {
        appendFixed(static_cast<int16_t>(value.integer), out);
      }
      break;
    case Kind::Double:
      // An unbounded numeric column (a calculated one) takes a floating-point result too.
      stored = (type == kTypeSingle || type == kTypeDouble ||
                (type == kTypeNumeric && !validNumericPair(column.precision, column.scale))) &&
               appendNumber(column, value.number, out);
      break;
    case Kind::Decimal: {
      const std::string digits = decimalText(value.decimal);
      // A calculated column's decimal result may lie in a double column, or in a numeric
      // one without bounds.
      if ((type == kTypeCurrency && fitsNumeric(digits, 19, 4)) ||
          (type == kTypeNumeric && (fitsNumeric(digits, column.precision, column.scale) ||
                                    !validNumericPair(column.precision, column.scale)))) {
        stored = true;
        appendNumeric(digits, out);
      } else if (type == kTypeDouble) {
        stored = appendParsed<double>(digits, out);
      } else if (type == kTypeSingle) {
        stored = appendParsed<float>(digits, out);
      }
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
      if (stored) {
        appendInPieces(
            std::string_view(reinterpret_cast<const char*>(field.bytes.data()), field.bytes.size()),
            out, pieces);
      }
      break;
    case Kind::Text:
      stored = (type == kTypeText || type == kTypeMemo) && storableText(field.text);
      if (stored) appendInPieces(field.text, out, pieces);
      break;
  }
  if (!stored) out.resize(start);
  return stored;
}

}  // namespace vantrel
