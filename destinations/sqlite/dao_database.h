#pragma once

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/destination.h"
#include "destinations/sqlite/dao_exception.h"
#include "destinations/sqlite/sqlite_handle.h"
#include "jetsql/jet_ddl_parser.h"

namespace vantrel {

class CDaoRecordset;
class DestinationSchema;
class EngineCatalog;
using QueryRecord = SavedQuery;

// What an SQLite destination cannot hold in a name: the names SQLite keeps for itself
// ("sqlite_master", ...) and those of the engine's own tables.
NameRules sqliteNameRules();

// The locale the saving run creates every destination with.
inline constexpr std::string_view kDestinationLocale = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// How long CreateView runs a new view to see that it works; a view still running then is
// kept (it raised no error so far). All the checks of one database share a budget, so that a
// file of many slow queries ends in bounded time: once it is spent, a view is kept when
// SQLite takes it.
inline constexpr int kViewCheckMilliseconds = 5000;
inline constexpr int kViewCheckBudgetMilliseconds = 30000;
// One destination database: a new SQLite file written through Jet's calls. Every call either
// does all it promises or raises a CDaoException with the engine's message and changes
// nothing. Recordsets and query definitions are bound to a database that outlives them.
// As a Destination, it re-creates a table with Jet DDL statements (each refused one named, as
// text, in TableCreation::refused) and saves rows through a recordset; one row sink is open at a
// time.
class CDaoDatabase : public Destination {
 public:
  CDaoDatabase();
  ~CDaoDatabase() override;
  CDaoDatabase(const CDaoDatabase&) = delete;
  CDaoDatabase& operator=(const CDaoDatabase&) = delete;

  // A new, empty database at `path`, open. An existing file, a missing folder or an open
  // database object is a failure. The locale is recorded in the engine's properties table.
  void Create(const std::filesystem::path& path, std::string_view locale = kDestinationLocale);

  // Runs one Jet DDL statement:
  //   CREATE TABLE [T]([C] type, ...);        ALTER TABLE [T] ADD [C] type;
  //   ALTER TABLE [T] ADD PRIMARY KEY ([C], ...);
  //   ALTER TABLE [T] ADD CONSTRAINT [name] PRIMARY KEY ([A], [B], ...);
  //   CREATE [UNIQUE] INDEX name ON [T]([C] [ASC|DESC], ...)
  // with the types BIT, BYTE, INT, LONG, CURRENCY, SINGLE, DOUBLE, DATE, TEXT(n), OLEOBJECT,
  // MEMO, GUID, BINARY(n) and COUNTER (a LONG that, as the table's whole primary key, numbers
  // the rows added without it past the highest it held). Names compare without regard to ASCII
  // case: a second table or column of a name fails, and so does an index name taken in its own
  // table (other tables may use it).
  void Execute(std::string_view statement);
  // Runs one statement given as its structure, as the text that states it would run.
  void Execute(const JetDdlStatement& statement);

  // Makes the table's columns of these names Required (NOT NULL), as DAO's Field.Required does;
  // fails, changing nothing, when a row holds a null in one of them.
  void RequireColumns(std::string_view table, const std::vector<std::string>& columns);

  // Creates a relation between a primary and a foreign table over one or more field pairs.
  // Fails for an empty or taken name, a missing table or field, or no field pair. Unless
  // `attributes` has kRelationDontEnforce, the relation is enforced: the primary fields must
  // be the primary table's primary key, every foreign row must match a primary row (or have
  // a null field), and the foreign table gets a FOREIGN KEY, with ON UPDATE CASCADE for
  // kRelationUpdateCascade and ON DELETE CASCADE for kRelationDeleteCascade. Every relation
  // is stored with its attribute bits in the engine's relations table.
  void CreateRelation(std::string_view name, std::string_view table, std::string_view foreignTable,
                      long attributes, std::string_view field, std::string_view foreignField);
  void CreateRelation(std::string_view name, std::string_view table, std::string_view foreignTable,
                      long attributes, std::span<const RelationFieldPair> fields);

  // The saved queries, in the order they were appended.
  std::vector<QueryRecord> QueryDefs() const;

  // Makes a saved query a view of the same name over `select` (SQLite SQL), once the view
  // runs: `SELECT *` from it must prepare and step through its rows without an error (for
  // as long as kViewCheckMilliseconds allows). The query's row then keeps the SELECT. Fails,
  // leaving no view, for a name that is no saved query or is taken in SQLite, and for a view
  // SQLite refuses or cannot run; the message is SQLite's.
  void CreateView(std::string_view name, std::string_view select);
  // Records why a saved query has no view.
  void SetNoViewReason(std::string_view name, std::string_view reason);

  // The rows of an SQLite SELECT of two columns, as texts (NULL as empty), at most
  // `maxRows` of them. Changes nothing; fails when SQLite refuses the statement.
  std::vector<std::pair<std::string, std::string>> SelectTextPairs(std::string_view select,
                                                                   size_t maxRows) const;

  bool IsOpen() const { return connection_ != nullptr; }
  // Whether the database holds no table, query or relation (the engine's own tables aside).
  bool HoldsNothing() const;

  // Closes the database, and first every recordset still open on it (their rows are kept).
  // Raises when rows could not be saved; the database is closed all the same.
  void Close();

  const std::filesystem::path& path() const { return path_; }

  // The Destination calls, through the calls above.
  TableCreation createTable(const TableDescription& table) override;
  std::unique_ptr<RowSink> openRows(const TableDescription& table,
                                    const TableCreation& creation) override;
  void createRelation(std::string_view name, std::string_view primaryTable,
                      std::string_view foreignTable, long attributes,
                      std::span<const RelationFieldPair> fields) override;
  void saveQuery(const SavedQuery& query) override;
  std::vector<SavedQuery> savedQueries() const override;
  void createView(std::string_view name, std::string_view select) override;
  void setNoViewReason(std::string_view name, std::string_view reason) override;
  std::vector<std::pair<std::string, std::string>> selectTextPairs(std::string_view select,
                                                                   size_t maxRows) const override;
  bool isOpen() const override { return IsOpen(); }
  bool holdsNothing() const override;
  void close() override;
  std::string location() const override { return path_.string(); }

 private:
  friend class CDaoRecordset;
  friend class CDaoQueryDef;

  sqlite3* handle() const;
  const DestinationSchema& schema() const;
  EngineCatalog& catalog() const;

  // The rows of all open recordsets go into one transaction, begun by the first to open and
  // committed when the last closes.
  void beginRecordset(CDaoRecordset& recordset);
  // The last to end commits, or rolls back when it does not keep its rows.
  void endRecordset(CDaoRecordset& recordset, bool keepRows);

  void checkRelation(std::string_view name, std::string_view table, std::string_view foreignTable,
                     std::span<const RelationFieldPair> fields, bool enforced) const;

  std::filesystem::path path_;
  SqliteConnection connection_;
  std::unique_ptr<EngineCatalog> catalog_;
  std::unique_ptr<DestinationSchema> schema_;
  std::vector<CDaoRecordset*> openRecordsets_;
  std::chrono::milliseconds viewCheckTimeLeft_{kViewCheckBudgetMilliseconds};
};

}  // namespace vantrel
