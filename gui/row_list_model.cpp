#include "gui/row_list_model.h"

#include "app/ole_extraction.h"
#include "display/value_text.h"
#include "reader/column_types.h"

#include <QMetaObject>
#include <algorithm>
#include <limits>

namespace vantrel::gui {
namespace {

constexpr auto kFlushInterval = std::chrono::milliseconds(50);
constexpr size_t kRowsPerBlock = 1024;
constexpr size_t kUnpackedBlocks = 8;
constexpr int kCompressionLevel = 1;  // fast: the loader must keep up with the reader

void putLength(std::string& out, size_t length) {
  while (length >= 0x80) {
    out.push_back(static_cast<char>((length & 0x7F) | 0x80));
    length >>= 7;
  }
  out.push_back(static_cast<char>(length));
}

// The length at `at`, moving past it; none when the bytes end first.
std::optional<size_t> takeLength(const std::string& in, size_t& at) {
  size_t length = 0;
  for (int shift = 0; shift < 64 && at < in.size(); shift += 7) {
    const auto byte = static_cast<unsigned char>(in[at++]);
    length |= static_cast<size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return length;
  }
  return std::nullopt;
}

}  // namespace

RowListModel::RowListModel() : readAhead_(std::make_shared<ReadAhead>(kFetchStep + kReadAhead)) {}

void RowListModel::stopReading() {
  readAhead_->release();
}

void RowListModel::clear() {
  readAhead_->release();
  readAhead_ = std::make_shared<ReadAhead>(kFetchStep + readAheadRows_);
  beginResetModel();
  headings_.clear();
  oleColumns_.clear();
  std::vector<RowBlock>().swap(blocks_);
  std::vector<size_t>().swap(blockEnds_);
  cache_.clear();
  rows_ = 0;
  shown_ = 0;
  ++generation_;
  endResetModel();
}

void RowListModel::append(const RowBatch& batch, unsigned generation) {
  if (generation != generation_) return;
  if (rows_ == 0 && headings_.size() != batch.headings.size()) {
    beginResetModel();
    headings_.clear();
    for (const auto& heading : batch.headings)
      headings_.push_back(QString::fromStdString(heading));
    oleColumns_ = batch.oleColumns;
    endResetModel();
  }
  size_t added = 0;
  for (const RowBlock& block : batch.blocks)
    added += block.rowCount;
  if (added == 0 || headings_.empty()) return;
  for (const RowBlock& block : batch.blocks) {
    if (block.rowCount == 0) continue;
    blocks_.push_back(block);
    rows_ += block.rowCount;
    blockEnds_.push_back(rows_);
  }
  // The first screenfuls go to the view at once; the rest waits until it is scrolled to.
  if (shown_ < kFetchStep) showUpTo(kFetchStep);
  if (shown_ < rows_) emit rowsWaiting();
}

bool RowListModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && shown_ < rows_;
}

void RowListModel::fetchMore(const QModelIndex& parent) {
  if (canFetchMore(parent)) showUpTo(shown_ + kFetchStep);
}

void RowListModel::showUpTo(size_t rows) {
  // A view counts its rows in an int.
  const size_t limit = std::min<size_t>(rows_, std::numeric_limits<int>::max());
  const size_t next = std::min(limit, rows);
  if (next <= shown_) return;
  beginInsertRows({}, static_cast<int>(shown_), static_cast<int>(next - 1));
  shown_ = next;
  endInsertRows();
  readAhead_->allow(shown_ + readAheadRows_);
}

int RowListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_);
}

int RowListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

const RowListModel::Unpacked* RowListModel::unpacked(size_t block) const {
  for (Unpacked& entry : cache_) {
    if (entry.block == block) {
      entry.lastUse = ++useCounter_;
      return &entry;
    }
  }
  Unpacked entry;
  entry.block = block;
  entry.lastUse = ++useCounter_;
  const QByteArray raw = qUncompress(blocks_[block].compressed);
  entry.text.reserve(static_cast<size_t>(raw.size()));
  const std::string packed(raw.constData(), static_cast<size_t>(raw.size()));
  const size_t cells = blocks_[block].rowCount * headings_.size();
  size_t at = 0;
  for (size_t i = 0; i < cells; ++i) {
    const auto length = takeLength(packed, at);
    const size_t size = length ? std::min(*length, packed.size() - at) : 0;
    entry.text.append(packed, at, size);
    at += size;
    entry.cellEnds.push_back(entry.text.size());
  }
  if (cache_.size() < kUnpackedBlocks) {
    cache_.push_back(std::move(entry));
    return &cache_.back();
  }
  auto oldest = std::min_element(cache_.begin(), cache_.end(), [](const auto& a, const auto& b) {
    return a.lastUse < b.lastUse;
  });
  *oldest = std::move(entry);
  return &*oldest;
}

QString RowListModel::cell(int row, int column) const {
  if (row < 0 || column < 0 || static_cast<size_t>(row) >= rows_ ||
      static_cast<size_t>(column) >= headings_.size()) {
    return {};
  }
  const auto found =
      std::upper_bound(blockEnds_.begin(), blockEnds_.end(), static_cast<size_t>(row));
  const auto block = static_cast<size_t>(found - blockEnds_.begin());
  const size_t first = block == 0 ? 0 : blockEnds_[block - 1];
  const Unpacked* rows = unpacked(block);
  const size_t at =
      (static_cast<size_t>(row) - first) * headings_.size() + static_cast<size_t>(column);
  const size_t begin = at == 0 ? 0 : rows->cellEnds[at - 1];
  return QString::fromUtf8(rows->text.data() + begin,
                           static_cast<qsizetype>(rows->cellEnds[at] - begin));
}

QString RowListModel::heading(int column) const {
  if (column < 0 || static_cast<size_t>(column) >= headings_.size()) return {};
  return headings_[static_cast<size_t>(column)];
}

bool RowListModel::isOleColumn(int column) const {
  return column >= 0 && static_cast<size_t>(column) < oleColumns_.size() &&
         oleColumns_[static_cast<size_t>(column)];
}

QVariant RowListModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::ToolTipRole && index.isValid() && isOleColumn(index.column()) &&
      !cell(index.row(), index.column()).isEmpty()) {
    return QString::fromUtf8(kOleCellHint);
  }
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
    : model_(model),
      generation_(model != nullptr ? model->generation() : 0),
      readAhead_(model != nullptr ? model->readAhead() : nullptr),
      batch_(std::make_unique<RowBatch>()) {}

void RowListFeeder::columns(std::span<const ColumnDefinition> columns) {
  if (rowsStarted_) return;
  headings_.clear();
  oleColumns_.clear();
  for (const ColumnDefinition& column : columns) {
    headings_.push_back(column.name);
    // An attachment column reaches the preview as complex: its files are looked at the same way.
    oleColumns_.push_back(column.type == kTypeOle || column.type == kTypeComplex);
  }
}

bool RowListFeeder::row(std::span<const ColumnDefinition> columns,
                        std::span<const FieldValue> fields) {
  if (released_) return false;
  if (!rowsStarted_) lastFlush_ = std::chrono::steady_clock::now() - kFlushInterval;
  rowsStarted_ = true;
  for (size_t i = 0; i < headings_.size(); ++i) {
    const std::string cell =
        i < columns.size() && i < fields.size() ? previewText(columns[i], fields[i]) : "";
    putLength(block_, cell.size());
    block_ += cell;
  }
  endRow();
  return !released_;
}

void RowListFeeder::endRow() {
  if (++blockRows_ == kRowsPerBlock) sealBlock();
  if (std::chrono::steady_clock::now() - lastFlush_ >= kFlushInterval) flush();
  ++rowsSent_;
  if (readAhead_ != nullptr && !readAhead_->allows(rowsSent_) && !waitForScroll()) {
    released_ = true;
  }
}

bool RowListFeeder::waitForScroll() {
  // Everything read so far goes to the list before the loader waits for the user to scroll.
  flush();
  if (model_ != nullptr) {
    RowListModel* model = model_;
    QMetaObject::invokeMethod(
        model,
        [model, generation = generation_] {
          if (model->generation() == generation) emit model->readingPaused();
        },
        Qt::QueuedConnection);
  }
  return readAhead_->wait(rowsSent_);
}

void RowListFeeder::sealBlock() {
  if (blockRows_ == 0) return;
  RowBlock block;
  block.compressed = qCompress(reinterpret_cast<const uchar*>(block_.data()),
                               static_cast<qsizetype>(block_.size()), kCompressionLevel);
  // qCompress leaves room for the worst case, as large as the rows themselves: held for every
  // block of a long table, that room would cost more than the rows.
  block.compressed.squeeze();
  block.rowCount = blockRows_;
  batch_->blocks.push_back(std::move(block));
  block_.clear();
  blockRows_ = 0;
}

void RowListFeeder::flush() {
  sealBlock();
  lastFlush_ = std::chrono::steady_clock::now();
  batch_->headings = headings_;
  batch_->oleColumns = oleColumns_;
  std::shared_ptr<RowBatch> batch = std::move(batch_);
  batch_ = std::make_unique<RowBatch>();
  if (model_ == nullptr) return;
  RowListModel* model = model_;
  QMetaObject::invokeMethod(
      model, [model, batch, generation = generation_] { model->append(*batch, generation); },
      Qt::QueuedConnection);
}

void RowListFeeder::finish() {
  flush();
}

}  // namespace vantrel::gui
