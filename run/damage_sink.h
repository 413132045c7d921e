#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

// What the reader found damaged and passed over. Each kind says what the user lost by it.
enum class DamageKind : uint8_t {
  kUnreadablePage,        // a page the file does not hold whole (cut short, a read error)
  kUndecodedPage,         // an encoded page the key in the header does not decode
  kForeignPage,           // a page a table's usage map names that is none of its data pages
  kBadRowOffset,          // a row whose offset entry or size lies outside its page: skipped
  kFieldOutsideRow,       // a field whose stored offsets lie outside its row: read as empty
  kUnreadableLongValue,   // a memo or OLE value whose pages or rows end early: cut short
  kLostUsageMap,          // a table's usage map: its rows were sought by their pages' owner
  kUnreadableDefinition,  // a table's definition: the table is lost
  kRebuiltDefinition,     // a table's definition, rebuilt from the rows of its pages
  kLostColumnNames,       // a table's column names: the columns get stand-in names
  kLostCatalog,           // the catalog's definition: its rows were sought page by page
};
inline constexpr int kDamageKindCount = static_cast<int>(DamageKind::kLostCatalog) + 1;

// One thing passed over: where it lies (page, and the row on that page where one was struck)
// and, where the reader knows it, the table it belongs to.
struct Damage {
  DamageKind kind = DamageKind::kUnreadablePage;
  int64_t page = 0;
  std::optional<int> row;
  std::string table;
};

// Told by the reader of each piece of damage it passes over, on the thread that reads.
class DamageSink {
 public:
  virtual void noteDamage(const Damage& damage) = 0;

 protected:
  DamageSink() = default;
  DamageSink(const DamageSink&) = default;
  DamageSink& operator=(const DamageSink&) = default;
  ~DamageSink() = default;
};

}  // namespace vantrel
