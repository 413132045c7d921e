#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "jetsql/jet_type.h"

namespace vantrel {

// The Jet DDL statements the destination engine runs. Names are as written between the
// brackets (or as a bare word), unchanged.

// A column's default: a literal or the current date or time.
struct JetDefault {
  enum class Kind { kNumber, kText, kDateTime, kBoolean, kToday, kNow };
  Kind kind = Kind::kNumber;
  // kNumber: decimal digits with an optional sign and point ("-12.5"); kText: the text itself;
  // kDateTime: "yyyy-mm-dd hh:mm:ss".
  std::string text;
  bool boolean = false;  // kBoolean
};

struct JetColumnSpec {
  std::string name;
  JetColumnType type;
  // Statements built by the destination carry it; the parser reads no DEFAULT clause.
  std::optional<JetDefault> defaultValue;
};

// CREATE TABLE [T]([C] type [DEFAULT value], ...);
struct CreateTableStatement {
  std::string table;
  std::vector<JetColumnSpec> columns;
};

// ALTER TABLE [T] ADD [C] type;
struct AddColumnStatement {
  std::string table;
  JetColumnSpec column;
};

// ALTER TABLE [T] ADD PRIMARY KEY ([C], ...);
// ALTER TABLE [T] ADD CONSTRAINT [name] PRIMARY KEY ([A], [B], ...);
struct AddPrimaryKeyStatement {
  std::string table;
  std::optional<std::string> constraintName;
  std::vector<std::string> columns;
};

// CREATE [UNIQUE] INDEX name ON [T]([C] [ASC|DESC], ...)
struct CreateIndexStatement {
  std::string index;
  std::string table;
  std::vector<std::string> columns;
  bool unique = false;
  std::vector<bool> descending;  // per column; a missing entry is ascending

  bool isDescending(size_t column) const {
    return column < descending.size() && descending[column];
  }
};

using JetDdlStatement = std::variant<CreateTableStatement, AddColumnStatement,
                                     AddPrimaryKeyStatement, CreateIndexStatement>;

// Parses one statement (a trailing ";" is optional). Anything else raises a JetSqlError
// that says what was expected where.
JetDdlStatement parseJetDdl(std::string_view statement);

}  // namespace vantrel
