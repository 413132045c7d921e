#include "destinations/sqlite/recordset_row_sink.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "destinations/sqlite/dao_recordset.h"
#include "jetsql/identifier_text.h"

namespace vantrel {
namespace {

// A batch is handed over when it holds this many rows or bytes; so many batches at most are
// filled or waiting, which bounds the memory the rows in flight take.
constexpr size_t kBatchRows = 512;
constexpr size_t kBatchBytes = size_t{8} << 20;
constexpr size_t kBatches = 3;
// A field that held a larger value gives its memory back once written.
constexpr size_t kKeptCapacity = size_t{1} << 20;
// A row with a field larger than this is not copied into a batch: it is inserted from the
// caller's own fields once the batches before it are in, so that a large memo is not held
// twice.
constexpr size_t kCopiedFieldBytes = kBatchBytes;

struct Batch {
  std::vector<std::vector<FieldValue>> rows;  // the fields of the created columns
  size_t count = 0;
  size_t bytes = 0;
};

// Keeps what a destination reads of a field: its value, and the text or bytes it refers to.
size_t keep(const FieldValue& from, FieldValue& to) {
  to.value = from.value;
  if (from.value.kind == SavedValue::Kind::Text) to.text = from.text;
  if (from.value.kind == SavedValue::Kind::Bytes) to.bytes = from.bytes;
  return sizeof(FieldValue) + to.text.size() + to.bytes.size();
}

size_t heldBytes(const FieldValue& field) {
  if (field.value.kind == SavedValue::Kind::Text) return field.text.size();
  if (field.value.kind == SavedValue::Kind::Bytes) return field.bytes.size();
  return 0;
}

void release(FieldValue& field) {
  if (field.text.capacity() > kKeptCapacity) std::string().swap(field.text);
  if (field.bytes.capacity() > kKeptCapacity) std::vector<uint8_t>().swap(field.bytes);
}

class RecordsetRowSink : public RowSink {
 public:
  RecordsetRowSink(CDaoDatabase& database, const TableDescription& table,
                   const TableCreation& creation)
      : recordset_(database) {
    if (!creation.tableCreated()) throw CDaoException("table [" + table.name + "] was not created");
    recordset_.Open("SELECT * FROM " + bracketedName(table.name));
    const std::vector<std::string> names = recordset_.FieldNames();
    for (size_t p = 0; p < table.columns.size() && p < creation.columnCreated.size(); ++p) {
      if (!creation.columnCreated[p]) continue;
      for (size_t f = 0; f < names.size(); ++f) {
        if (equalsIgnoringAsciiCase(names[f], table.columns[p].name)) {
          fields_.emplace_back(p, f);
          break;
        }
      }
    }
    filling_ = newBatch();
  }

  RecordsetRowSink(const RecordsetRowSink&) = delete;
  RecordsetRowSink& operator=(const RecordsetRowSink&) = delete;

  ~RecordsetRowSink() override {
    stopWriter(true);
    if (recordset_.IsOpen()) recordset_.Cancel();
  }

  bool write(std::span<const FieldValue> row) override {
    // A destination that failed for good takes no more rows: the caller learns of it at once.
    if (failed_.load(std::memory_order_acquire)) rethrowFailure();
    if (std::ranges::any_of(fields_, [row](const auto& field) {
          return field.first < row.size() && heldBytes(row[field.first]) > kCopiedFieldBytes;
        })) {
      insertInPlace(row);
      return true;
    }
    Batch& batch = *filling_;
    if (batch.rows.size() <= batch.count) batch.rows.emplace_back(fields_.size());
    std::vector<FieldValue>& kept = batch.rows[batch.count++];
    for (size_t k = 0; k < fields_.size(); ++k) {
      const size_t position = fields_[k].first;
      if (position < row.size()) {
        batch.bytes += keep(row[position], kept[k]);
      } else {
        kept[k].value.kind = SavedValue::Kind::Null;
      }
    }
    if (batch.count >= kBatchRows || batch.bytes >= kBatchBytes) handOver();
    return true;
  }

  int64_t finish() override {
    if (writer_.joinable()) {
      handOver();
      stopWriter(false);
    } else {
      writeBatch(*filling_);  // a small table: no thread needed
    }
    if (failure_) {
      recordset_.Cancel();
      rethrowFailure();
    }
    recordset_.Close();
    return refused_;
  }

 private:
  [[noreturn]] void rethrowFailure() const {
    try {
      std::rethrow_exception(failure_);
    } catch (const DestinationError&) {
      throw;
    } catch (const std::exception& error) {
      throw CDaoException(std::string("the rows could not be saved: ") + error.what());
    }
  }

  Batch* newBatch() {
    batches_.push_back(std::make_unique<Batch>());
    return batches_.back().get();
  }

  // Queues the filled batch for the writer and takes an empty one, waiting for it when all
  // are in use.
  void handOver() {
    std::unique_lock lock(mutex_);
    queued_.push_back(filling_);
    changed_.notify_all();
    if (!writer_.joinable()) writer_ = std::thread([this] { writeQueued(); });
    if (empty_.empty() && batches_.size() < kBatches) {
      filling_ = newBatch();
      return;
    }
    changed_.wait(lock, [this] { return !empty_.empty(); });
    filling_ = empty_.back();
    empty_.pop_back();
  }

  void writeQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return !queued_.empty() || ending_; });
      if (queued_.empty() || abandoned_) return;
      Batch* batch = queued_.front();
      queued_.pop_front();
      lock.unlock();
      writeBatch(*batch);
      lock.lock();
      empty_.push_back(batch);
      changed_.notify_all();
    }
  }

  // Inserts the batch's rows and empties it. After a failure, rows are no longer written.
  void writeBatch(Batch& batch) {
    for (size_t r = 0; r < batch.count && !failure_; ++r) {
      std::vector<FieldValue>& row = batch.rows[r];
      insert([&row](size_t k) -> const FieldValue* { return &row[k]; });
      for (FieldValue& field : row)
        release(field);
    }
    batch.count = 0;
    batch.bytes = 0;
  }

  // Inserts one row of the caller's, its values bound where they lie, after every row
  // handed over before it; the writer thread is idle meanwhile.
  void insertInPlace(std::span<const FieldValue> row) {
    if (writer_.joinable()) {
      if (filling_->count > 0) handOver();
      std::unique_lock lock(mutex_);
      // Every batch but the one being filled is back: the writer waits for the next.
      changed_.wait(lock, [this] { return empty_.size() + 1 == batches_.size(); });
    } else {
      writeBatch(*filling_);
    }
    if (!failure_) {
      insert([this, row](size_t k) -> const FieldValue* {
        const size_t position = fields_[k].first;
        return position < row.size() ? &row[position] : nullptr;
      });
    }
    if (failure_) rethrowFailure();
  }

  // Inserts the row whose k-th created field `fieldAt(k)` gives (null for none). A failure
  // that ends the destination is kept for write() and finish() to raise.
  template <typename FieldAt>
  void insert(const FieldAt& fieldAt) {
    try {
      recordset_.AddNew();
      for (size_t k = 0; k < fields_.size(); ++k) {
        const FieldValue* field = fieldAt(k);
        if (field == nullptr) continue;
        try {
          recordset_.SetFieldValue(fields_[k].second, *field);
        } catch (const CDaoException&) {
          // A value the column cannot take leaves that field unset.
        }
      }
      try {
        recordset_.Update();
      } catch (const CDaoException& error) {
        // A refused row (a constraint) costs only itself; a full disk ends the rows.
        if (error.endsDestination()) throw;
        ++refused_;
      }
    } catch (...) {
      failure_ = std::current_exception();
      failed_.store(true, std::memory_order_release);
    }
  }

  void stopWriter(bool abandon) {
    if (!writer_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      ending_ = true;
      abandoned_ = abandon;
    }
    changed_.notify_all();
    writer_.join();
  }

  CDaoRecordset recordset_;
  std::vector<std::pair<size_t, size_t>> fields_;  // column position, recordset field
  std::vector<std::unique_ptr<Batch>> batches_;
  Batch* filling_ = nullptr;  // filled by write(), outside both lists
  // Shared with the writer thread under mutex_.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch*> queued_;
  std::vector<Batch*> empty_;
  bool ending_ = false;
  bool abandoned_ = false;
  // Written by one inserting thread at a time (the writer, or write() while the writer waits
  // idle), read once the writer has ended.
  int64_t refused_ = 0;
  std::exception_ptr failure_;
  // Set with failure_, for write() to see while the writer runs.
  std::atomic<bool> failed_{false};
  std::thread writer_;
};

}  // namespace

std::unique_ptr<RowSink> recordsetRowSink(CDaoDatabase& database, const TableDescription& table,
                                          const TableCreation& creation) {
  return std::make_unique<RecordsetRowSink>(database, table, creation);
}

}  // namespace vantrel
