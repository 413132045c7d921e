#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "destinations/destination.h"
#include "destinations/postgres/postgres_connection.h"
#include "destinations/postgres/postgres_destination.h"
#include "destinations/postgres/postgres_text_lengths.h"

namespace vantrel {

// One source file's destination in a PostgreSQL schema. Tables, relations and queries are
// written in the schema through the connection's search path; the object remembers what it
// made there, which is what relations check names against and what holdsNothing() counts.
class PostgresDatabase : public Destination {
 public:
  PostgresDatabase(PostgresConnection connection, std::string schema, PostgresSaving saving);
  ~PostgresDatabase() override;

  TableCreation createTable(const TableDescription& table) override;
  std::unique_ptr<RowSink> openRows(const TableDescription& table,
                                    const TableCreation& creation) override;
  void createRelation(std::string_view name, std::string_view primaryTable,
                      std::string_view foreignTable, long attributes,
                      std::span<const RelationFieldPair> fields) override;
  void saveQuery(const SavedQuery& query) override;
  std::vector<SavedQuery> savedQueries() const override { return queries_; }
  void createView(std::string_view name, std::string_view select) override;
  void setNoViewReason(std::string_view name, std::string_view reason) override;
  std::vector<std::pair<std::string, std::string>> selectTextPairs(std::string_view select,
                                                                   size_t maxRows) const override;
  bool isOpen() const override { return connection_.has_value(); }
  bool holdsNothing() const override;
  void close() override;
  std::string location() const override;

 private:
  friend class PostgresRowSink;

  // A table made by this destination, as relations see it.
  struct MadeTable {
    std::string name;
    std::vector<std::string> columns;
    std::vector<std::string> primaryKey;  // empty: the table has none
  };
  // The table whose transaction is open: made, its rows not yet committed.
  struct OpenTable {
    TableDescription description;
    std::vector<bool> created;
    bool copying = false;
    TextLengths lengths;        // of its varchar(n) columns
    std::string copyStatement;  // while its rows are copied
  };

  const PostgresConnection& connection() const;
  void prepareSchema(bool& created);
  // The comment on the schema; none without one (or without the schema).
  std::optional<std::string> schemaComment() const;
  // Takes the session lock of the schema's one writer, waiting a little for a writer whose
  // connection is being closed; false when another connection still holds it.
  bool becomeWriter();
  // Commits the open table with its key and indexes, made after its rows.
  void completeTable();
  void discardTable();
  // Makes a varchar(n) column of the open table text, as a row holds a longer value: the
  // copy of its rows ends for the change (the rows sent so far are kept) and starts again.
  void widenText(const TextLengths::Overflow& overflow);
  void addKeyAndIndexes(const OpenTable& table, MadeTable& made);
  // A LONG AutoNumber numbers the rows added without it past the highest the rows hold; a
  // replication ID gets a new one. Made after the rows, so that none is refused for it.
  void addAutoNumbers(const OpenTable& table);
  // Required columns without a null become NOT NULL (the others are noted), and literal
  // defaults become the columns' defaults.
  void addRequiredAndDefaults(const OpenTable& table);
  // The file's properties of the table and its columns into the catalog table, and the
  // descriptions as comments.
  void addProperties(const OpenTable& table);
  void addIndex(const std::string& table, const DestinationIndex& index,
                const std::vector<std::string>& columns);
  // An index name no relation of the schema holds, within the server's length.
  std::string freeIndexName(const std::string& table, const std::string& index) const;
  // Whether a savepoint-guarded statement ran; a refusal is logged as "Not re-created: WHAT".
  bool tryStatement(const std::string& sql, const std::string& what);
  void logLine(const std::string& text) const;
  const MadeTable* findTable(std::string_view name) const;
  // The name a query's view is held under: two long names that differ only beyond the
  // server's 63 bytes stay two views.
  static std::string viewName(std::string_view query);
  // Asks whether an object of an earlier file or run may be replaced.
  bool replaces(const std::string& what) const;
  void checkRelation(std::string_view name, const MadeTable& primary, const MadeTable& foreign,
                     std::span<const RelationFieldPair> fields, bool enforced) const;
  void noteFailure(const std::string& message);
  // Runs `work` in a transaction of its own: committed when it returns, rolled back when it
  // raises.
  void inTransaction(const std::function<void()>& work);

  std::optional<PostgresConnection> connection_;
  std::string schema_;
  PostgresSaving saving_;
  bool schemaCreated_ = false;
  bool unfinishedMark_ = false;  // the schema carries the unfinished comment this destination put
  std::optional<OpenTable> open_;
  std::map<std::string, MadeTable> tables_;  // by name in folded case
  std::vector<SavedQuery> queries_;
  std::vector<std::string> relations_;
  std::set<std::string> keptTables_;  // of an earlier run, kept at the user's choice; folded
  std::optional<std::string> lostConnection_;  // why the server went away, once it did
  std::vector<std::string> indexNotes_;        // of the table completed last
};

}  // namespace vantrel
