#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vantrel {

inline constexpr int kMaxIndexKeys = 10;

// Logical index types.
inline constexpr int kIndexTypeOrdinary = 0;
inline constexpr int kIndexTypePrimaryKey = 1;
inline constexpr int kIndexTypeRelationship = 2;  // the far side of a relationship

// Bits of an index's flags.
inline constexpr int kIndexUniqueFlag = 0x01;

// One logical index of a table, with the keys of the real index it uses.
struct IndexDefinition {
  int indexNumber = 0;  // selects the real index entry that holds the keys
  std::string name;     // UTF-8
  int indexType = 0;    // 1 primary key, 0 ordinary, 2 far side of a relationship
  int64_t firstIndexPage = 0;
  int keyCount = 0;
  std::array<int, kMaxIndexKeys> keyColumnNumbers{};  // column number + 1
  std::array<uint8_t, kMaxIndexKeys> keyOrders{};     // 1 ascending
  int flags = 0;
};

}  // namespace vantrel
