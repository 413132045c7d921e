#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "reader/index_definition.h"
#include "reader/row_cursor.h"
#include "reader/source_database.h"
#include "reader/usage_map.h"

namespace vantrel {

// Object types of the catalog (type value AND 0x7F).
inline constexpr int kObjectTable = 1;
inline constexpr int kObjectQuery = 5;
inline constexpr int kObjectRelationship = 8;

inline constexpr size_t kMaxObjectNameLength = 257;  // characters
inline constexpr size_t kMaxColumnNameLength = 256;  // characters
inline constexpr const char* kRepairedFieldName = "RepairedField";

// An object named by a catalog row, or by a caller that knows its definition page.
struct CatalogObject {
  std::string name;  // UTF-8
  int objectType = 0;
  int64_t tdefPage = 0;
};

// The column number of a column that has no bit in the null mask (a column inferred from the
// fixed bytes of rows whose definition is lost).
inline constexpr int kNoNullBit = -1;

struct ColumnDefinition {
  std::string name;  // UTF-8
  int type = 0;      // Jet column type code
  int size = 0;      // 0 for a boolean
  int isPrimaryKey = 0;
  int isIndexed = 0;
  bool isFixed = false;
  // The file numbers the column itself: a LONG AutoNumber, or a GUID replication ID.
  bool isAutoNumber = false;
  int variableIndex = 0;  // slot in the row's variable offset table
  int columnNumber = 0;   // bit in the row's null mask; kNoNullBit: never null
  int precision = 0;      // numeric only
  int scale = 0;          // numeric only
  int fixedOffset = 0;
  int rowColumnNumber = 0;  // kept, not used
  // Access 2007 and later: the stored value is the result of an expression, wrapped (see
  // field_decoding); a long text is a link ("text#address#sub-address#").
  bool isCalculated = false;
  // A calculated column's result type and expression, from the table's properties; 0 and
  // empty when they cannot be read.
  int calculatedResultType = 0;
  std::string calculatedExpression;
  bool isHyperlink = false;
};

struct TableDefinition {
  CatalogObject catalogObject;
  std::string name;
  std::vector<ColumnDefinition> columns;
  std::vector<IndexDefinition> indexes;
  int columnCount = 0;
  int64_t rowCount = 0;
  int indexSectionPosition = 0;  // just after the last column name,
  int64_t indexSectionPage = 0;  // on this page of the definition
  int64_t realIndexCount = 0;
  int64_t indexCount = 0;
  int primaryKeyColumnCount = 0;
  UsageMap usageMap;             // 1 to 4095 bytes
  bool usageMapLost = false;     // the map's row could not be read
  bool columnNamesLost = false;  // the names ran out: stand-in names from there on
  int variableColumnSwitch = 0;  // 0: rows have no variable offset table
  int firstDataPage = 0;         // kept, not used
  // A lost definition's columns are inferred from its rows: how many. 0 for a stored one.
  int64_t inferredFromRows = 0;
};

// A table opened for reading its rows: its definition, and a cursor before its first row.
// The row reader takes the definition as it stands and moves only the cursor.
struct OpenedTable {
  TableDefinition definition;
  RowCursor cursor;
};

struct OpenTableOptions {
  // A definition whose column list is empty still opens (its rows then have no fields).
  bool keepWithoutColumns = false;
};

// Reads the counts and the usage map from the definition page. None when the page cannot be
// read, a Jet 4 length field is out of range, or the free-space map's row is absurd. A usage
// map that cannot be read leaves the definition without one (usageMapLost): its rows are then
// sought by their pages' owner.
std::optional<TableDefinition> readTableDefinition(SourceDatabase& db, const CatalogObject& object);

// Reads the column entries and names, following continuation pages. Leaves the column list
// empty when the catalog's own entries (definition page 2) are implausible. Notes where the
// index section starts: the page the names ended on, and the position there.
void readColumns(SourceDatabase& db, TableDefinition& table);

// Reads the definition and its columns, with a cursor before the first row. None when the
// definition cannot be read or (unless the options keep it) has no columns.
std::optional<OpenedTable> openTable(SourceDatabase& db, const CatalogObject& object,
                                     OpenTableOptions options = {});

// Reads bytes of a definition that may run over the end of its page into the next definition
// page, starting on page `page` at `pos`. Positions at or beyond the page end move on to offset 8
// of the next page. A chain that ends (next page 0, unreadable) or comes back to a page it has
// already visited stops: reads then fail.
class TdefCursor {
 public:
  TdefCursor(SourceDatabase& db, int64_t page, int64_t pos);

  int64_t pos() const { return pos_; }
  int64_t pageNumber() const { return page_.number(); }
  bool exhausted() const { return exhausted_; }
  // Copies n bytes into `out` (missing bytes read as zero); false when the chain ended first.
  bool read(std::span<uint8_t> out);
  int readByte();  // -1 when the chain ended
  int readU16();   // -1 when the chain ended
  void skip(int64_t n);

 private:
  bool settle();  // moves to the next page while pos is at or beyond the page end

  SourceDatabase& db_;
  PageView page_;
  int64_t pos_;
  bool exhausted_ = false;
  std::unordered_set<int64_t> visited_;
};

// Reads the length of a stored name (column or index) at the cursor: -1 when the chain ended
// or the length is beyond what the format allows.
int readNameLength(const JetFormat& format, TdefCursor& cursor);

}  // namespace vantrel
