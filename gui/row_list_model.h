#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QPointer>
#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/table_rows.h"
#include "gui/read_ahead.h"
#include "run/run_state.h"

namespace vantrel::gui {

// Up to kRowsPerBlock rows, their cells one after another (each a varint length, then its
// UTF-8 bytes), compressed.
struct RowBlock {
  QByteArray compressed;
  size_t rowCount = 0;
};

// Rows of one table on their way from the loader to the row list.
struct RowBatch {
  std::vector<std::string> headings;  // set in every batch until the rows start
  std::vector<bool> oleColumns;       // which columns hold OLE Object values, with the headings
  std::vector<RowBlock> blocks;
};

// The preview's row list: the rows of one table, held in compressed blocks so that a table of
// millions of rows fits in memory, and shown by a view that asks only for the rows it draws
// (the few blocks last drawn are kept unpacked). The view sees the rows a step at a time, as
// the user scrolls towards the end of what it has (fetch-more).
class RowListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr size_t kFetchStep = 2000;
  // Rows read beyond those the view has been given before the loader waits for a scroll.
  static constexpr size_t kReadAhead = 50'000;
  // From the next load on.
  void setReadAhead(size_t rows) { readAheadRows_ = rows; }

  RowListModel();

  // Empties the list; batches of any earlier load that are still on their way are dropped, and
  // its loader no longer waits.
  void clear();
  // The running load's loader no longer waits for the user to scroll (it is being stopped).
  void stopReading();
  // The gate of the next load (the one after the last clear()).
  std::shared_ptr<ReadAhead> readAhead() const { return readAhead_; }
  // Each load's batches carry the generation the model had when the load started.
  unsigned generation() const { return generation_; }
  void append(const RowBatch& batch, unsigned generation);

  // Every row received, shown to the view yet or not.
  size_t receivedRows() const { return rows_; }
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  QString cell(int row, int column) const;
  QString heading(int column) const;
  // Whether the column holds OLE Object values (pictures, files and documents).
  bool isOleColumn(int column) const;

 signals:
  // More rows arrived than the view has been given.
  void rowsWaiting();
  // The loader waits for the user to scroll on.
  void readingPaused();

 private:
  struct Unpacked {
    size_t block = 0;
    std::string text;
    std::vector<size_t> cellEnds;  // where each cell ends in `text`
    unsigned lastUse = 0;
  };
  const Unpacked* unpacked(size_t block) const;
  // Gives the view the rows up to `rows` (as far as they have come).
  void showUpTo(size_t rows);

  std::vector<QString> headings_;
  std::vector<bool> oleColumns_;
  std::vector<RowBlock> blocks_;
  std::vector<size_t> blockEnds_;  // rows up to the end of each block
  size_t rows_ = 0;
  size_t shown_ = 0;  // rows the view has been given
  unsigned generation_ = 0;
  size_t readAheadRows_ = kReadAhead;
  std::shared_ptr<ReadAhead> readAhead_;
  mutable std::vector<Unpacked> cache_;
  mutable unsigned useCounter_ = 0;
};

// The preview loader's rows: on the worker thread it gathers the rows' display texts into
// batches and hands each to the model on the user-interface thread, the first at once and
// then about twenty times a second. Also the loader's run hooks, which ask nothing.
class RowListFeeder : public RunHooks, public TableRowVisitor {
 public:
  explicit RowListFeeder(RowListModel* model);

  bool confirmStop(RunPhase) override { return false; }
  void appendSavingListLine(int, std::string_view) override {}

  void columns(std::span<const ColumnDefinition> columns) override;
  // False once the rows are no longer wanted.
  bool row(std::span<const ColumnDefinition> columns, std::span<const FieldValue> fields) override;

  // Hands over what is left; called on the worker thread when the table is read.
  void finish();

 private:
  void endRow();
  // Waits until the user has scrolled near enough; false when the rows are no longer wanted.
  bool waitForScroll();
  void sealBlock();
  void flush();

  RowListModel* model_;  // outlives the loader
  unsigned generation_ = 0;
  std::shared_ptr<ReadAhead> readAhead_;  // none: read on without waiting
  size_t rowsSent_ = 0;
  bool released_ = false;  // the rows are no longer wanted
  std::vector<std::string> headings_;
  std::vector<bool> oleColumns_;
  bool rowsStarted_ = false;
  std::string block_;  // the rows of the block being gathered, uncompressed
  size_t blockRows_ = 0;
  std::unique_ptr<RowBatch> batch_;
  std::chrono::steady_clock::time_point lastFlush_;
};

}  // namespace vantrel::gui
