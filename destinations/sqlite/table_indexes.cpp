#include "destinations/sqlite/table_indexes.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "destinations/sqlite/sqlite_handle.h"
#include "destinations/sqlite/table_ddl.h"
#include "jetsql/jet_ddl_text.h"

namespace vantrel {
namespace {

// The first column of the SELECT's first row; empty when it could not be read.
std::string firstText(const CDaoDatabase& database, const std::string& select) {
  std::vector<std::pair<std::string, std::string>> rows;
  try {
    rows = database.SelectTextPairs(select, 1);
  } catch (const CDaoException& error) {
    if (error.endsDestination()) throw;
  }
  return rows.empty() ? std::string() : std::move(rows.front().first);
}

// How many of the first column's rows the SELECT counts; none when they cannot be counted.
std::optional<int64_t> countOf(const CDaoDatabase& database, const std::string& select) {
  const std::string text = firstText(database, select);
  int64_t count = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), count).ec != std::errc())
    return std::nullopt;
  return count;
}

// How many rows hold a key an earlier row holds already; 0 when they cannot be counted.
int64_t duplicateKeys(const CDaoDatabase& database, const CreateIndexStatement& index) {
  std::vector<std::string> columns;
  for (const std::string& column : index.columns)
    columns.push_back(quoteIdentifier(column));
  return countOf(database, duplicateKeysSelect(quoteIdentifier(index.table), columns)).value_or(0);
}

class IndexingRowSink : public RowSink {
 public:
  IndexingRowSink(CDaoDatabase& database, const TableDescription& table,
                  const TableCreation& creation, std::unique_ptr<RowSink> rows)
      : database_(database),
        table_(table.name),
        indexes_(indexStatements(table, creation.columnCreated)),
        rows_(std::move(rows)) {
    for (size_t i = 0; i < table.columns.size() && i < creation.columnCreated.size(); ++i) {
      // The key's columns are NOT NULL already.
      if (table.columns[i].required && creation.columnCreated[i] &&
          std::ranges::find(table.primaryKey, i) == table.primaryKey.end())
        required_.push_back(table.columns[i].name);
    }
  }
  IndexingRowSink(const IndexingRowSink&) = delete;
  IndexingRowSink& operator=(const IndexingRowSink&) = delete;
  // A sink given up on keeps no rows; its table still gets its indexes.
  ~IndexingRowSink() override {
    if (finished_) return;
    rows_.reset();
    for (const CreateIndexStatement& index : indexes_) {
      try {
        database_.Execute(JetDdlStatement(index));
      } catch (const CDaoException&) {
        // Nobody is left to tell; the table has no rows to keep either way.
      }
    }
  }

  bool write(std::span<const FieldValue> row) override { return rows_->write(row); }

  int64_t finish() override {
    finished_ = true;
    const int64_t refused = rows_->finish();
    requireColumns();
    for (CreateIndexStatement& index : indexes_)
      makeIndex(index);
    return refused;
  }

  std::vector<std::string> indexNotes() const override { return notes_; }

 private:
  // SQLite adds NOT NULL only by making the table again: the Required columns the rows allow
  // are made so in one rebuild, after the rows, so that no row is refused for them.
  void requireColumns() {
    if (required_.empty()) return;
    std::vector<std::string> quoted;
    for (const std::string& column : required_)
      quoted.push_back(quoteIdentifier(column));
    const auto nulls = nullCounts(
        firstText(database_, nullCountsSelect(quoteIdentifier(table_), quoted)), required_.size());
    if (!nulls) return;
    std::vector<std::string> allowed;
    for (size_t i = 0; i < required_.size(); ++i) {
      if ((*nulls)[i] == 0) {
        allowed.push_back(required_[i]);
      } else {
        notes_.push_back(notRequiredNote(required_[i], table_, (*nulls)[i]));
      }
    }
    if (allowed.empty()) return;
    try {
      database_.RequireColumns(table_, allowed);
    } catch (const CDaoException& error) {
      if (error.endsDestination()) throw;
      notes_.push_back("Not re-created as required: the columns of [" + table_ + "] (" +
                       error.what() + ")");
    }
  }

  void makeIndex(CreateIndexStatement& index) {
    try {
      database_.Execute(JetDdlStatement(index));
      return;
    } catch (const CDaoException& error) {
      if (error.endsDestination()) throw;
      const int64_t duplicates = index.unique ? duplicateKeys(database_, index) : 0;
      if (duplicates == 0) {
        notes_.push_back("Not re-created: " + jetDdlText(index) + " (" + error.what() + ")");
        return;
      }
      index.unique = false;
      notes_.push_back(notUniqueNote(index.index, index.table, duplicates));
    }
    try {
      database_.Execute(JetDdlStatement(index));
    } catch (const CDaoException& error) {
      if (error.endsDestination()) throw;
      notes_.push_back("Not re-created: " + jetDdlText(index) + " (" + error.what() + ")");
    }
  }

  CDaoDatabase& database_;
  std::string table_;
  std::vector<std::string> required_;  // created columns the file requires a value in
  std::vector<CreateIndexStatement> indexes_;
  std::unique_ptr<RowSink> rows_;
  std::vector<std::string> notes_;
  bool finished_ = false;
};

}  // namespace

std::unique_ptr<RowSink> indexingRowSink(CDaoDatabase& database, const TableDescription& table,
                                         const TableCreation& creation,
                                         std::unique_ptr<RowSink> rows) {
  return std::make_unique<IndexingRowSink>(database, table, creation, std::move(rows));
}

}  // namespace vantrel
