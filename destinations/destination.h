#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "destinations/held_names.h"
#include "jetsql/jet_ddl_parser.h"
#include "reader/field_value.h"
#include "reader/table_definition.h"

namespace vantrel {

// What the salvage writes into: a new database of some kind (SQLite, a database server...).
// The salvage describes tables, relations and queries in Jet's terms and hands over rows of
// stored values; each destination turns them into its own types and statements.

// What makes a destination unable to take anything more: every later write would fail the
// same way, so the saving of its file ends at once.
enum class DestinationFault {
  kNone,            // only this call was refused (a constraint, a taken name...)
  kDiskFull,        // the disk or the server's storage is full
  kWriteFailed,     // the destination cannot be written (an I/O error)
  kReadOnly,        // the destination became read-only
  kConnectionLost,  // the server closed the connection or stopped
};

// The fault in words a user reads: "the destination disk is full".
std::string_view destinationFaultText(DestinationFault fault);

// Raised by a destination for a call it could not carry out; the message says why in the
// destination's own words. CDaoException, the SQLite engine's error, is one. A fault other
// than kNone means that the destination can take nothing more.
class DestinationError : public std::runtime_error {
 public:
  explicit DestinationError(const std::string& message,
                            DestinationFault fault = DestinationFault::kNone)
      : std::runtime_error(message), fault_(fault) {}
  DestinationFault fault() const { return fault_; }
  bool endsDestination() const { return fault_ != DestinationFault::kNone; }

 private:
  DestinationFault fault_;
};

// Raised for an object that the destination holds already from an earlier run and that the
// user chose to keep: nothing is lost by it.
class KeptExisting : public DestinationError {
 public:
  using DestinationError::DestinationError;
};

// Relation attribute bits a destination acts on; all bits are stored as given.
inline constexpr long kRelationDontEnforce = 2;
inline constexpr long kRelationUpdateCascade = 256;
inline constexpr long kRelationDeleteCascade = 4096;

struct RelationFieldPair {
  std::string primaryField;  // field of the primary (one-side) table
  std::string foreignField;  // field of the foreign (many-side) table
};

// One column of a table to re-create, as the source has it; each destination picks its own
// type for it.
struct DestinationColumn {
  std::string name;  // UTF-8, as the source names it
  int jetType = 0;   // the Jet column type code (reader/column_types.h)
  // Text: the length in characters; binary: in bytes; other types: the stored size.
  int size = 0;
  int precision = 0;  // numeric only
  int scale = 0;      // numeric only
  // The file numbers the column itself (AutoNumber): a LONG counter, or a GUID replication ID.
  bool autoNumber = false;
  // The file requires a value (NOT NULL where the salvaged rows all have one).
  bool required = false;
  // The file's default when it is a literal, Date() or Now(); an expression is only kept
  // among the table's properties.
  std::optional<JetDefault> defaultValue;
  // Whether the type code is one of Jet's data types. A column of another code (a damaged or
  // unknown one) has no type in any destination and is left out.
  bool hasDataType() const;
};

// An index of one table outside its primary key, as the file defines it.
struct DestinationIndex {
  std::string name;              // the file's own, unique within its table without regard to case
  std::vector<size_t> columns;   // positions in TableDescription::columns, in key order
  std::vector<bool> descending;  // per key column; a missing entry is ascending
  bool unique = false;           // refuses duplicate keys (rows with a null key never clash)

  bool isDescending(size_t key) const { return key < descending.size() && descending[key]; }
};

// The name a single column's primary key is held under in a destination that names it.
inline constexpr std::string_view kPrimaryKeyIndexName = "PrimaryKey";

// The line that says a unique index was made without its uniqueness, as the rows broke it:
// "Not re-created as unique: index [Name] of [Products]: 2 duplicate values".
std::string notUniqueNote(std::string_view index, std::string_view table, int64_t duplicates);
// A SELECT of one row whose first column counts the rows of the table whose key (the columns,
// each written as the destination quotes it) an earlier row holds already; a row with a null
// key part clashes with none. Its second column is empty.
std::string duplicateKeysSelect(std::string_view quotedTable,
                                std::span<const std::string> quotedColumns);

// A property the file stores for a table or one of its columns (its description, validation
// rule, format, caption...), its value as text, kept in the destination's catalog table.
struct DescribedProperty {
  std::optional<size_t> column;  // position in TableDescription::columns; none: the table's own
  std::string name;
  std::string value;
};

// The line that says a Required column was made without NOT NULL, as rows hold nulls in it:
// "Not re-created as required: column [X] of [T]: 3 null values".
std::string notRequiredNote(std::string_view column, std::string_view table, int64_t nulls);
// A SELECT of one row whose first column counts, in one pass over the table, its rows that hold
// null in each of the columns (each written as the destination quotes it, at least one): the
// counts in column order, separated by blanks. Its second column is empty.
std::string nullCountsSelect(std::string_view quotedTable,
                             std::span<const std::string> quotedColumns);
// The counts of that first column, one per column; none when it holds no such counts.
std::optional<std::vector<int64_t>> nullCounts(std::string_view counted, size_t columns);

// A table as the salvage re-creates it, whatever the destination.
struct TableDescription {
  std::string name;
  std::vector<DestinationColumn> columns;  // every column of the source, in position order
  // The key's columns (those with a data type), by position in column order; empty:
  // no key. A key the source counts over several columns is a constraint of the name
  // `primaryKeyName` ("PK_" and the table's name); a single column's key has no name.
  std::vector<size_t> primaryKey;
  std::string primaryKeyName;
  std::vector<DestinationIndex> indexes;      // the file's indexes outside the key, in its order
  std::vector<DescribedProperty> properties;  // in stored order, the table's own first

  // The names of the columns that are left out (no data type), in column order.
  std::vector<std::string> columnsWithoutType() const;
};

// The table's description from its definition as read (with its key columns marked and its
// indexes read). An index some key of which names no column with a data type is left out.
// `formatVersion` is the source's (0: Jet 3, 1: Jet 4).
TableDescription describeTable(const TableDefinition& table, std::string_view name,
                               int formatVersion);

// What creating a table came to.
struct TableCreation {
  // Per column of the description: whether it exists in the destination and takes values.
  std::vector<bool> columnCreated;
  // What the destination refused, each as "WHAT (WHY)" for the log line "Not re-created:
  // WHAT (WHY)". The SQLite destination names the Jet DDL statement it ran, as text.
  std::vector<std::string> refused;
  // The destination holds a table of the name from before, which the user chose to keep.
  bool keptExisting = false;
  bool tableCreated() const;
};

// The rows of one table, in a transaction of their own: either every row written before
// finish() is saved, or none is.
class RowSink {
 public:
  virtual ~RowSink() = default;
  // Writes one row: one field per column of the table's description, in column order, each
  // given by its `value` (the rendered texts are not read). Fields of columns that were not
  // created are passed over. Returns false for a row refused at once; a refused row (a
  // constraint) changes nothing else. A sink may write in the background and learn of a
  // refusal only later: finish() counts those.
  virtual bool write(std::span<const FieldValue> row) = 0;
  // Commits the rows; returns how many of the rows write() accepted were refused after all.
  // Raises a DestinationError when the rows could not be saved: then none is. A sink dropped
  // without finish() saves none of its rows. The table's indexes are made after its rows, so
  // that no row is refused for them.
  virtual int64_t finish() = 0;
  // What finish() could not make as the file defines it, each a line for the saving list and
  // the log ("Not re-created as unique: index [Name] of [Products]: 2 duplicate values").
  virtual std::vector<std::string> indexNotes() const { return {}; }
};

// A saved query: its Jet SQL text (none: saved by name only), and the connect string of a
// pass-through query, whose text is the server's SQL.
struct SavedQuery {
  std::string name;
  std::optional<std::string> sql;
  std::optional<std::string> connect;
};

// The SQL dialect a destination's views are written in.
enum class ViewDialect { SQLite, PostgreSQL };

// What a kind of destination declares about itself.
struct DestinationCapabilities {
  // Whether it makes views of the saved queries, and in which dialect createView takes them.
  bool takesViews = true;
  ViewDialect viewDialect = ViewDialect::SQLite;
  // One new file per source file (which the run asks about replacing when it exists), or one
  // server that takes the destinations of many (which asks about each object it holds already).
  bool filePerSource = true;
};

// One destination database. Every call either does all it promises or raises a
// DestinationError and changes nothing.
class Destination {
 public:
  virtual ~Destination() = default;

  // The names each table and column is held under: the salvage places a table before it
  // creates it, and the destination finds the names of a relation's tables and fields here.
  HeldNames& names() { return names_; }
  const HeldNames& names() const { return names_; }
  // The run's stop request, which ends a long wait of the destination early (a view's check
  // keeps the view as far as it ran); null for none.
  void watchStopRequest(const std::atomic<int>* stop) { stop_ = stop; }
  bool stopRequested() const { return stop_ != nullptr && stop_->load() != 0; }
  // A relation's field pairs under the names their tables' columns are held under.
  std::vector<RelationFieldPair> heldFields(std::string_view primaryTable,
                                            std::string_view foreignTable,
                                            std::span<const RelationFieldPair> fields) const;

  // Creates the table with the columns that have a destination type, its primary key and its
  // indexes. A part the destination refuses is reported and the rest still made.
  virtual TableCreation createTable(const TableDescription& table) = 0;

  // Opens the sink for the rows of a table made by createTable. Raises when the table cannot
  // take rows (it was not created).
  virtual std::unique_ptr<RowSink> openRows(const TableDescription& table,
                                            const TableCreation& creation) = 0;

  // Creates a relation between a primary and a foreign table over field pairs. Refused for an
  // empty or taken name, a missing table or field, or no field pair. Unless `attributes` has
  // kRelationDontEnforce, the relation is enforced: the primary fields must be the primary
  // table's primary key, every foreign row must match a primary row (or have a null field),
  // and the foreign table gets a foreign key, cascading updates for kRelationUpdateCascade
  // and deletes for kRelationDeleteCascade. Every relation is stored with its attribute bits.
  virtual void createRelation(std::string_view name, std::string_view primaryTable,
                              std::string_view foreignTable, long attributes,
                              std::span<const RelationFieldPair> fields) = 0;

  // Saves a query under its name. Refused for an empty or taken name (without regard to ASCII
  // case) and for a text that cannot be Jet SQL (unless it has a connect string).
  virtual void saveQuery(const SavedQuery& query) = 0;

  // The saved queries, in the order they were saved.
  virtual std::vector<SavedQuery> savedQueries() const = 0;
  // Makes a saved query a view of its name over `select` (in its kind's dialect), once the view
  // runs. Refused, leaving no view, when the name is no saved query or the view does not run.
  virtual void createView(std::string_view name, std::string_view select) = 0;
  // Records why a saved query has no view.
  virtual void setNoViewReason(std::string_view name, std::string_view reason) = 0;
  // The rows of a SELECT of two columns (in its kind's dialect) as texts (NULL as empty), at most
  // `maxRows`: the values a crosstab's view needs as its columns. Changes nothing.
  virtual std::vector<std::pair<std::string, std::string>> selectTextPairs(
      std::string_view select, size_t maxRows) const = 0;

  virtual bool isOpen() const = 0;
  // Whether the destination holds no table, query or relation of the salvage.
  virtual bool holdsNothing() const = 0;
  // Ends the work on the destination, finishing what is still open. Raises when something
  // could not be saved; the destination is closed all the same.
  virtual void close() = 0;
  // Where the destination is, for the log ("/path/x.sqlite", "postgresql://...").
  virtual std::string location() const = 0;

 protected:
  explicit Destination(NameRules rules = {}) : names_(std::move(rules)) {}
  Destination(const Destination&) = delete;
  Destination& operator=(const Destination&) = delete;

 private:
  HeldNames names_;
  const std::atomic<int>* stop_ = nullptr;
};

}  // namespace vantrel
