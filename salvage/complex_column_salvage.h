#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "destinations/destination.h"
#include "reader/complex_columns.h"
#include "reader/row_reader.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "salvage/relation_salvage.h"

namespace vantrel {

// The values of an Access 2007 and later complex column (attachments, multiple values,
// version history) live in a hidden table of their own. Each becomes a child table
// "<table>_<column>" of the parent's key and the values, related to the parent, while the
// parent's column holds how many attachments or versions there are, or the list of values.
class ComplexColumnSaving {
 public:
  // A complex column whose values cannot be found, and why: it stays as its stored key.
  struct KeptKey {
    std::string column;
    std::string why;
  };
  // Finds the table's complex columns and what each key holds.
  ComplexColumnSaving(SourceDatabase& db, int64_t tdefPage, const TableDefinition& table,
                      std::vector<KeptKey>& kept);

  bool empty() const { return columns_.empty(); }

  // Each complex column whose values were found becomes a count or a list, and the child
  // tables repeat the parent's primary key. A parent without one keeps the stored keys, under
  // a unique index, and its child tables repeat those.
  void describeParent(TableDescription& description);

  // Puts each complex column's count or list in place of its stored key (a parent with a
  // primary key), and remembers the parent's key for that key.
  void takeRow(RowFields& fields);

  // One child table: its description (named after its parent and column), the relation to
  // its parent, and which complex column's values it holds.
  struct Child {
    TableDescription description;
    Relation relation;
    size_t column = 0;  // among the complex columns
    std::string name() const { return description.name; }
  };
  std::vector<Child> children(const std::string& parentName) const;

  // The child's next row, built from the next row of its values' table; a value whose key
  // no parent row held is kept with an empty parent key. kEnd at the end of its rows.
  RowFetch nextChildRow(SourceDatabase& db, const Child& child, RowFields& row);

  // Attachments whose stored data could not be unpacked, so far.
  int64_t damagedAttachments() const { return damagedAttachments_; }

 private:
  struct Column {
    ComplexColumn found;
    std::string name;
    std::map<int64_t, ComplexSummary> summaries;
    std::map<int64_t, std::vector<FieldValue>> parentKeys;  // by complex key
    std::optional<OpenedTable> walk;                        // the child's rows, once asked for
  };
  std::vector<Column> columns_;
  std::vector<size_t> parentKey_;  // positions of the parent's primary key columns
  TableDescription parent_;
  int64_t damagedAttachments_ = 0;
};

}  // namespace vantrel
