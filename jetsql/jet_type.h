#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The column types the destination engine accepts in DDL, by their Jet type names.
enum class JetType {
  Bit,        // BIT
  Byte,       // BYTE
  Int,        // INT
  Long,       // LONG
  Currency,   // CURRENCY
  Single,     // SINGLE
  Double,     // DOUBLE
  Date,       // DATE
  Text,       // TEXT(n)
  OleObject,  // OLEOBJECT
  Memo,       // MEMO
  Guid,       // GUID
  Binary,     // BINARY(n)
  Counter,    // COUNTER: a LONG the table numbers its new rows with (an AutoNumber key)
  BigInt,     // BIGINT, Access 2016's Large Number
};

struct JetColumnType {
  JetType type = JetType::Text;
  std::optional<int> size;  // TEXT(n) and BINARY(n); none when written without a size
};

// The Jet type name as DDL writes it ("TEXT", "MEMO", ...), without a size.
std::string_view jetTypeName(JetType type);

// The type word of DDL (any case) to its type; none for a word that names no type.
std::optional<JetType> jetTypeFromName(std::string_view word);

// Whether the type takes an optional size in parentheses.
bool jetTypeTakesSize(JetType type);

}  // namespace vantrel
