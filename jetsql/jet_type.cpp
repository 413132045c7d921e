#include "jetsql/jet_type.h"

#include <array>
#include <utility>

#include "jetsql/identifier_text.h"

namespace vantrel {
namespace {

constexpr std::array<std::pair<JetType, std::string_view>, 15> kTypeNames{{
    {JetType::Bit, "BIT"},
    {JetType::Byte, "BYTE"},
    {JetType::Int, "INT"},
    {JetType::Long, "LONG"},
    {JetType::Currency, "CURRENCY"},
    {JetType::Single, "SINGLE"},
    {JetType::Double, "DOUBLE"},
    {JetType::Date, "DATE"},
    {JetType::Text, "TEXT"},
    {JetType::OleObject, "OLEOBJECT"},
    {JetType::Memo, "MEMO"},
    {JetType::Guid, "GUID"},
    {JetType::Binary, "BINARY"},
    {JetType::Counter, "COUNTER"},
    {JetType::BigInt, "BIGINT"},
}};

}  // namespace

std::string_view jetTypeName(JetType type) {
  for (const auto& [candidate, name] : kTypeNames) {
    if (candidate == type) return name;
  }
  return {};
}

std::optional<JetType> jetTypeFromName(std::string_view word) {
  for (const auto& [type, name] : kTypeNames) {
    if (equalsIgnoringAsciiCase(word, name)) return type;
  }
  return std::nullopt;
}

bool jetTypeTakesSize(JetType type) {
  return type == JetType::Text || type == JetType::Binary;
}
}  // namespace vantrel
