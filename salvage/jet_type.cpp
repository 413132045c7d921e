#include "salvage/jet_type.h"

#include <array>
#include <utility>

#include "salvage/identifier_text.h"

namespace vantrel {
namespace {

constexpr std::array<std::pair<JetType, std::string_view>, 13> kTypeNames{{
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

std::string sqliteDeclaredType(const JetColumnType& type) {
  // SQLite derives a column's affinity from words inside its declared type. The Jet names
  // already give the right one (TEXT: text; DOUBLE: real; INT: integer; the others numeric,
  // which keeps integers, reals, ISO dates, GUID texts and BLOBs as they are bound), except
  // MEMO, whose numeric affinity would turn a memo "00123" into the number 123. LONGTEXT is
  // Jet's own other name for MEMO and carries text affinity.
  if (type.type == JetType::Memo) return "LONGTEXT";
  std::string declared(jetTypeName(type.type));
  if (type.size) {
    declared += '(';
    declared += std::to_string(*type.size);
    declared += ')';
  }
  return declared;
}

}  // namespace vantrel
