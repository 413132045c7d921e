#include "destinations/held_names.h"

#include <array>
#include <cstdint>

#include "destinations/destination.h"
#include "jetsql/identifier_text.h"

namespace vantrel {

namespace {

constexpr std::string_view kNulStandIn = "\u2400";  // SYMBOL FOR NULL
constexpr size_t kHashDigits = 8;
// Numbers tried after a taken name; a destination holds far fewer tables or columns.
constexpr int kMaxNumbered = 100000;

uint32_t fnv1a(std::string_view text) {
  uint32_t hash = 2166136261U;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619U;
  }
  return hash;
}

std::string hexDigits(uint32_t value) {
  constexpr std::array<char, 16> kDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                            '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
  std::string text(kHashDigits, '0');
  for (size_t i = kHashDigits; i-- > 0; value >>= 4)
    text[i] = kDigits[value & 0x0F];
  return text;
}

// The longest start of `name` of at most `maxBytes` that ends on a character boundary.
std::string_view utf8Prefix(std::string_view name, size_t maxBytes) {
  if (name.size() <= maxBytes) return name;
  size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
    --end;
  return name.substr(0, end);
}

bool startsWithFolded(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() &&
         equalsIgnoringAsciiCase(name.substr(0, prefix.size()), prefix);
}

// `name` made unique among `taken` (folded case) with a number after it, within the length.
std::string uniqueName(const std::string& name, const std::map<std::string, bool>& taken,
                       size_t maxBytes, std::string& why) {
  if (!taken.contains(foldAsciiCase(name))) return name;
  for (int n = 2; n < kMaxNumbered; ++n) {
    const std::string suffix = "_" + std::to_string(n);
    const std::string candidate =
        maxBytes == 0 || name.size() + suffix.size() <= maxBytes
            ? name + suffix
            : std::string(utf8Prefix(name, maxBytes - suffix.size())) + suffix;
    if (!taken.contains(foldAsciiCase(candidate))) {
      if (!why.empty()) why += "; ";
      why += "the name is taken";
      return candidate;
    }
  }
  return name;  // the destination refuses it, and says so
}

}  // namespace

std::string cutWithHash(std::string_view name, size_t maxBytes) {
  if (name.size() <= maxBytes || maxBytes <= kHashDigits + 1) return std::string(name);
  return std::string(utf8Prefix(name, maxBytes - kHashDigits - 1)) + "_" + hexDigits(fnv1a(name));
}

std::string heldName(std::string_view name, const NameRules& rules, bool isColumn,
                     std::string& why) {
  std::string held;
  why.clear();
  for (const char c : name) {
    if (c == '\0') {
      held += kNulStandIn;
    } else {
      held.push_back(c);
    }
  }
  if (held.size() != name.size()) why = "no name can hold the character NUL";
  const auto reserved = [&](const std::string& reservedName) {
    return isColumn ? equalsIgnoringAsciiCase(held, reservedName)
                    : startsWithFolded(held, reservedName);
  };
  const auto& list = isColumn ? rules.reservedColumnNames : rules.reservedTablePrefixes;
  for (const std::string& reservedName : list) {
    if (!reserved(reservedName)) continue;
    held.insert(0, "_");
    if (!why.empty()) why += "; ";
    why += rules.destination + (isColumn ? " reserves the name " : " reserves names starting ") +
           reservedName;
    break;
  }
  if (rules.maxBytes != 0 && held.size() > rules.maxBytes) {
    held = cutWithHash(held, rules.maxBytes);
    if (!why.empty()) why += "; ";
    why += rules.destination + " keeps " + std::to_string(rules.maxBytes) + " bytes of a name";
  }
  return held;
}

TableDescription HeldNames::place(const TableDescription& table, std::vector<Renaming>& renamings) {
  Placed placed;
  std::string why;
  placed.name =
      uniqueName(heldName(table.name, rules_, false, why), takenTables_, rules_.maxBytes, why);
  takenTables_[foldAsciiCase(placed.name)] = true;
  if (placed.name != table.name) renamings.push_back({"table", table.name, placed.name, why});

  TableDescription held = table;
  held.name = placed.name;
  std::string keyWhy;
  if (!held.primaryKeyName.empty())
    held.primaryKeyName = heldName(held.primaryKeyName, rules_, false, keyWhy);
  std::map<std::string, bool> takenColumns;
  for (DestinationColumn& column : held.columns) {
    std::string columnWhy;
    const std::string name = uniqueName(heldName(column.name, rules_, true, columnWhy),
                                        takenColumns, rules_.maxBytes, columnWhy);
    takenColumns[foldAsciiCase(name)] = true;
    if (name != column.name) {
      renamings.push_back({"column", column.name, name, columnWhy + ", in table " + table.name});
    }
    placed.columns.try_emplace(column.name, name);
    column.name = name;
  }
  // Index names belong to their table: only a NUL is beyond them, and a name made the same
  // as another by its stand-in is numbered.
  std::map<std::string, bool> takenIndexes{{foldAsciiCase(kPrimaryKeyIndexName), true}};
  if (!held.primaryKeyName.empty()) takenIndexes[foldAsciiCase(held.primaryKeyName)] = true;
  for (DestinationIndex& index : held.indexes) {
    std::string indexWhy;
    const std::string name =
        uniqueName(heldName(index.name, {}, false, indexWhy), takenIndexes, 0, indexWhy);
    takenIndexes[foldAsciiCase(name)] = true;
    if (name != index.name) {
      renamings.push_back({"index", index.name, name, indexWhy + ", in table " + table.name});
    }
    index.name = name;
  }
  // Relations name a table by its source name: the first table of a name is the one they mean.
  tables_.try_emplace(table.name, std::move(placed));
  return held;
}

std::string HeldNames::tableName(std::string_view table) const {
  const auto found = tables_.find(std::string(table));
  return found == tables_.end() ? std::string(table) : found->second.name;
}

std::string HeldNames::columnName(std::string_view table, std::string_view column) const {
  const auto found = tables_.find(std::string(table));
  if (found == tables_.end()) return std::string(column);
  const auto placed = found->second.columns.find(std::string(column));
  return placed == found->second.columns.end() ? std::string(column) : placed->second;
}

}  // namespace vantrel
