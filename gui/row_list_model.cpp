#include "gui/row_list_model.h"

#include <QMetaObject>

namespace vantrel::gui {
namespace {

constexpr auto kFlushInterval = std::chrono::milliseconds(50);
constexpr size_t kMostRowsPerBatch = 100'000;

}  // namespace

void RowListModel::clear() {
  beginResetModel();
  headings_.clear();
  std::string().swap(text_);
  std::vector<size_t>().swap(cellEnds_);
  rows_ = 0;
  endResetModel();
}

void RowListModel::append(const RowBatch& batch) {
  if (rows_ == 0 && headings_.size() != batch.headings.size()) {
    beginResetModel();
    headings_.clear();
    for (const auto& heading : batch.headings)
      headings_.push_back(QString::fromStdString(heading));
    endResetModel();
  }
  if (batch.rowCount == 0 || headings_.empty()) return;
  beginInsertRows({}, static_cast<int>(rows_), static_cast<int>(rows_ + batch.rowCount - 1));
  const size_t base = text_.size();
  text_ += batch.text;
  for (const size_t end : batch.cellEnds)
    cellEnds_.push_back(base + end);
  rows_ += batch.rowCount;
  endInsertRows();
}

int RowListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_);
}

int RowListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QString RowListModel::cell(int row, int column) const {
  if (row < 0 || column < 0 || static_cast<size_t>(row) >= rows_ ||
      static_cast<size_t>(column) >= headings_.size()) {
    return {};
  }
  const size_t at = static_cast<size_t>(row) * headings_.size() + static_cast<size_t>(column);
  const size_t begin = at == 0 ? 0 : cellEnds_[at - 1];
  return QString::fromUtf8(text_.data() + begin, static_cast<qsizetype>(cellEnds_[at] - begin));
}

QVariant RowListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return cell(index.row(), index.column());
}

QVariant RowListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      static_cast<size_t>(section) >= headings_.size()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return headings_[static_cast<size_t>(section)];
}

RowListFeeder::RowListFeeder(RowListModel* model)
    : model_(model), batch_(std::make_unique<RowBatch>()) {}

void RowListFeeder::addPreviewColumn(int columnIndex, std::string_view heading) {
  if (columnIndex < 0 || rowsStarted_) return;
  const auto at = static_cast<size_t>(columnIndex);
  if (headings_.size() <= at) headings_.resize(at + 1);
  headings_[at] = heading;
}

void RowListFeeder::setPreviewCell(int columnIndex, int, std::string_view text) {
  if (columnIndex < 0) return;
  if (columnIndex == 0) {
    endRow();
    if (!rowsStarted_) lastFlush_ = std::chrono::steady_clock::now() - kFlushInterval;
    rowsStarted_ = true;
    inRow_ = true;
    row_.assign(headings_.size(), std::string());
  }
  const auto at = static_cast<size_t>(columnIndex);
  if (inRow_ && at < row_.size()) row_[at] = text;
}

void RowListFeeder::endRow() {
  if (!inRow_) return;
  inRow_ = false;
  for (const std::string& cell : row_) {
    batch_->text += cell;
    batch_->cellEnds.push_back(batch_->text.size());
  }
  ++batch_->rowCount;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastFlush_ >= kFlushInterval || batch_->rowCount >= kMostRowsPerBatch) flush();
}

void RowListFeeder::flush() {
  lastFlush_ = std::chrono::steady_clock::now();
  batch_->headings = headings_;
  std::shared_ptr<RowBatch> batch = std::move(batch_);
  batch_ = std::make_unique<RowBatch>();
  if (model_ == nullptr) return;
  RowListModel* model = model_;
  QMetaObject::invokeMethod(
      model, [model, batch] { model->append(*batch); }, Qt::QueuedConnection);
}

void RowListFeeder::finish() {
  endRow();
  flush();
}

}  // namespace vantrel::gui
