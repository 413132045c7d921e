#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "reader/attachment_data.h"
#include "reader/field_value.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// What an Access 2007 and later complex column holds: files, several values of one type, or
// the earlier texts of an append-only memo.
enum class ComplexKind { kAttachment, kMultiValue, kVersionHistory };

// The hidden table that holds one complex column's values, a row per value, and where its
// fields are among its columns.
struct FlatTable {
  ComplexKind kind = ComplexKind::kAttachment;
  int64_t tdefPage = 0;
  size_t key = 0;  // the key the parent row holds in the complex column
  // Attachments.
  size_t fileName = 0;
  size_t fileType = 0;
  size_t fileData = 0;
  std::optional<size_t> fileTimeStamp;
  // Multi-value: the value; version history: the text, and when it was written.
  size_t value = 0;
  size_t modified = 0;
  ColumnDefinition valueColumn;  // the value's (or the text's) column
};

// One complex column of a table.
struct ComplexColumn {
  size_t position = 0;  // among the table's columns
  std::optional<FlatTable> flat;
  std::string problem;  // when there is no flat table: why its values cannot be read
};

// The complex columns of the table whose definition is on `tdefPage`, each with its values'
// table, found through MSysComplexColumns (the table's definition page and the column's name)
// and told apart by that table's columns. A column whose values cannot be found says why.
std::vector<ComplexColumn> findComplexColumns(SourceDatabase& db, int64_t tdefPage,
                                              const TableDefinition& table);

// The definition pages of MSysComplexColumns and of every flat table it names for a column
// that its table's definition still has: the engine's own tables, whose values come back with
// that table, and which a walk that lost the catalog's rows must not take for user tables.
// Empty for a file older than Access 2007.
std::unordered_set<int64_t> complexColumnTables(SourceDatabase& db);

// What the values of one key come to, as the parent row shows them: how many, and their
// names (attachments) or values (multi-value) joined by "; ".
struct ComplexSummary {
  int64_t count = 0;
  std::string text;
};

// The summary of every key of a flat table. Stops early at the user's stop (what was read
// stays); a flat table that cannot be opened gives none.
std::map<int64_t, ComplexSummary> summarizeComplexValues(SourceDatabase& db, const FlatTable& flat);

// One file attached under a key: its name, its type, and the file (none when its stored
// data cannot be unpacked).
struct Attachment {
  std::string name;
  std::string type;
  std::optional<AttachedFile> file;
};

// The files an attachment column's flat table holds under `key`, in stored order.
std::vector<Attachment> attachmentsOf(SourceDatabase& db, const FlatTable& flat, int64_t key);

// A value of a multi-value column as its list shows it.
std::string complexValueText(const FieldValue& field);

// The text the parent row shows for a complex value: the names or values, or how many
// versions; empty when the key has none.
std::string complexCellText(ComplexKind kind, const ComplexSummary& summary);

}  // namespace vantrel
