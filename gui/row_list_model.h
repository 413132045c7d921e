#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "run/run_state.h"

namespace vantrel::gui {

// Rows of one table on their way from the loader to the row list.
struct RowBatch {
  std::vector<std::string> headings;  // set in every batch until the rows start
  std::string text;                   // the cells one after another
  std::vector<size_t> cellEnds;       // where each cell ends in `text`
  size_t rowCount = 0;
};

// The preview's row list: the rows of one table, held compactly (all cells in one buffer) so
// that a table of millions of rows fits, and shown by a view that asks only for what it
// draws.
class RowListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void clear();
  void append(const RowBatch& batch);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  QString cell(int row, int column) const;

 private:
  std::vector<QString> headings_;
  std::string text_;
  std::vector<size_t> cellEnds_;
  size_t rows_ = 0;
};

// The row-list hooks of the preview loader: on the worker thread it gathers the rows into
// batches and hands each to the model on the user-interface thread, the first at once and
// then about twenty times a second.
class RowListFeeder : public RunHooks {
 public:
  explicit RowListFeeder(RowListModel* model);

  bool confirmStop(std::string_view) override { return false; }
  void appendSavingListLine(int, std::string_view) override {}
  void addPreviewColumn(int columnIndex, std::string_view heading) override;
  void setPreviewCell(int columnIndex, int rowIndex, std::string_view text) override;

  // Hands over what is left; called on the worker thread when the table is read.
  void finish();

 private:
  void endRow();
  void flush();

  RowListModel* model_;  // outlives the loader
  std::vector<std::string> headings_;
  std::vector<std::string> row_;
  bool inRow_ = false;
  bool rowsStarted_ = false;
  std::unique_ptr<RowBatch> batch_;
  std::chrono::steady_clock::time_point lastFlush_;
};

}  // namespace vantrel::gui
