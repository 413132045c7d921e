#include "tests/support/mdb_writer/value_encoding.h"

#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "tests/support/mdb_writer/byte_order.h"
#include "tests/support/mdb_writer/text_encoding.h"

namespace vantrel::mdbwriter {

namespace {

[[noreturn]] void reject(const ColumnSpec& column, const std::string& why) {
  throw std::invalid_argument("column \"" + column.name + "\" (" + columnTypeName(column.type) +
                              "): " + why);
}

template <typename T>
const T& expect(const Value& value, const ColumnSpec& column) {
  if (const T* held = std::get_if<T>(&value)) return *held;
  reject(column, "value of the wrong kind");
}

int64_t integerIn(const Value& value, const ColumnSpec& column, int64_t low, int64_t high) {
  const int64_t n = expect<int64_t>(value, column);
  if (n < low || n > high) reject(column, "value " + std::to_string(n) + " out of range");
  return n;
}

}  // namespace

void ValueEncoder::encodeFixed(const Value& value, const ColumnSpec& column,
                               std::span<uint8_t> out) const {
  switch (column.type) {
    case ColumnType::kByte:
      putLe(out, static_cast<uint64_t>(integerIn(value, column, 0, 255)), 1);
      break;
    case ColumnType::kInteger:  // 32768 to 65535 as the query catalog's flags use them
      putLe(out, static_cast<uint64_t>(integerIn(value, column, -32768, 65535)), 2);
      break;
    case ColumnType::kLong:
      putLe(out,
            static_cast<uint64_t>(integerIn(value, column, std::numeric_limits<int32_t>::min(),
                                            std::numeric_limits<int32_t>::max())),
            4);
      break;
    case ColumnType::kCurrency:
      putLe(out, static_cast<uint64_t>(expect<Currency>(value, column).tenThousandths), 8);
      break;
    case ColumnType::kSingle:
      putLe(out, std::bit_cast<uint32_t>(static_cast<float>(expect<double>(value, column))), 4);
      break;
    case ColumnType::kDouble:
      putLe(out, std::bit_cast<uint64_t>(expect<double>(value, column)), 8);
      break;
    case ColumnType::kDateTime:
      putLe(out, std::bit_cast<uint64_t>(expect<DateTime>(value, column).days), 8);
      break;
    case ColumnType::kGuid: {
      const Guid& guid = expect<Guid>(value, column);
      std::memcpy(out.data(), guid.bytes.data(), guid.bytes.size());
      break;
    }
    case ColumnType::kNumeric: {
      // A sign byte, then the magnitude as four 32-bit words, most significant word first,
      // each word little-endian.
      const int64_t unscaled = expect<Decimal>(value, column).unscaled;
      const uint64_t magnitude =
          unscaled < 0 ? 0 - static_cast<uint64_t>(unscaled) : static_cast<uint64_t>(unscaled);
      if (column.precision <= 18) {
        uint64_t limit = 1;
        for (int i = 0; i < column.precision; ++i)
          limit *= 10;
        if (magnitude >= limit) reject(column, "more digits than the precision");
      }
      out[0] = static_cast<uint8_t>(unscaled < 0 ? 0x80 : 0);
      std::memset(out.data() + 1, 0, 8);
      putLe(out.subspan(9), magnitude >> 32, 4);
      putLe(out.subspan(13), magnitude & 0xFFFFFFFFu, 4);
      break;
    }
    default:
      reject(column, "not a fixed-length type");
  }
}

Bytes ValueEncoder::encodeText(const std::string& text, bool compressed) const {
  return format_.isJet4() ? jet4Text(text, compressed) : codePageText(text, codePage_);
}

Bytes ValueEncoder::encodeVariable(const Value& value, const ColumnSpec& column) const {
  const int declared = column.size == 0 ? 255 : column.size;
  if (column.type == ColumnType::kText) {
    const std::string& text = expect<std::string>(value, column);
    if (utf16Length(text) > static_cast<size_t>(declared)) {
      reject(column, "text longer than " + std::to_string(declared) + " characters");
    }
    return encodeText(text, column.compressedText);
  }
  if (column.type == ColumnType::kBinary) {
    const Bytes& bytes = expect<Bytes>(value, column);
    if (bytes.size() > static_cast<size_t>(declared)) reject(column, "binary value too long");
    return bytes;
  }
  reject(column, "not a variable-length type");
}

Bytes ValueEncoder::encodeLongValue(const Value& value, const ColumnSpec& column) const {
  if (column.type == ColumnType::kOle) return expect<Bytes>(value, column);
  if (column.type != ColumnType::kMemo) reject(column, "not a long-value type");
  const std::string& text = expect<std::string>(value, column);
  const bool compress = column.compressedText && utf16Length(text) <= kMaxCompressedMemoCharacters;
  return encodeText(text, compress);
}

}  // namespace vantrel::mdbwriter
