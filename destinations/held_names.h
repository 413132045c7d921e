#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct TableDescription;

// What a destination cannot hold in a name. No destination holds a NUL character, and every
// destination compares names without regard to ASCII case, as Jet does.
struct NameRules {
  std::string destination;  // "SQLite", "PostgreSQL": for the reasons in the log
  size_t maxBytes = 0;      // a longer name is cut by the destination; 0: no limit
  // Names the destination keeps for itself: tables that start with one of these, columns
  // that are one of these (ASCII case ignored).
  std::vector<std::string> reservedTablePrefixes;
  std::vector<std::string> reservedColumnNames;
};

// A name the destination holds under another, and why.
struct Renaming {
  std::string what;  // "table", "column"
  std::string from;  // as the source names it
  std::string to;    // as the destination holds it
  std::string why;
};

// The names a table of a source file is held under in one destination: its own where the
// destination can hold it, else a near name that it can (a NUL shown as U+2400, a "_" before
// a reserved name, a cut name made unique with a short hash, a number after a taken one).
// Relations find the names of the first table placed under a source name again.
class HeldNames {
 public:
  explicit HeldNames(NameRules rules) : rules_(std::move(rules)) {}

  // The table as the destination holds it, unique among the tables placed so far, and each
  // name that differs from the source's.
  TableDescription place(const TableDescription& table, std::vector<Renaming>& renamings);
  // The name a table or one of its columns is held under; the source's own when it was not
  // placed.
  std::string tableName(std::string_view table) const;
  std::string columnName(std::string_view table, std::string_view column) const;

 private:
  struct Placed {
    std::string name;
    std::map<std::string, std::string> columns;  // source name -> held name
  };
  NameRules rules_;
  std::map<std::string, Placed> tables_;     // by source name
  std::map<std::string, bool> takenTables_;  // held names in folded case
};

// A name the destination can hold within its rules, and why it differs (empty when it does
// not), before it is made unique.
std::string heldName(std::string_view name, const NameRules& rules, bool isColumn,
                     std::string& why);

// A name cut to `maxBytes` with a short hash of the whole name, so that two long names that
// differ only beyond the cut stay apart. A UTF-8 character is never cut in two.
std::string cutWithHash(std::string_view name, size_t maxBytes);

}  // namespace vantrel
