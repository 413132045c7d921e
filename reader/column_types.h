#pragma once

namespace vantrel {

// Jet column type codes.
inline constexpr int kTypeBoolean = 1;
inline constexpr int kTypeByte = 2;
inline constexpr int kTypeInteger = 3;
inline constexpr int kTypeLong = 4;
inline constexpr int kTypeCurrency = 5;
inline constexpr int kTypeSingle = 6;
inline constexpr int kTypeDouble = 7;
inline constexpr int kTypeDateTime = 8;
inline constexpr int kTypeBinary = 9;
inline constexpr int kTypeText = 10;
inline constexpr int kTypeOle = 11;
inline constexpr int kTypeMemo = 12;
inline constexpr int kTypeGuid = 15;
inline constexpr int kTypeNumeric = 16;
// Access 2007 and later.
inline constexpr int kTypeComplex = 18;  // attachment, multi-value, version history: a 32-bit key
inline constexpr int kTypeBigInt = 19;   // Large Number: a 64-bit integer
inline constexpr int kTypeDateTimeExtended = 20;  // 42 ASCII bytes: days, ticks of 100 ns

}  // namespace vantrel
