#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace vantrel::gui {

// How far the preview's loader may read ahead of the rows the list has been given: it waits
// there until the user scrolls on, so a table of millions of rows costs only the memory of the
// rows looked at. Shared by the user-interface thread (allow, release) and the loader (wait).
class ReadAhead {
 public:
  explicit ReadAhead(size_t allowed) : allowed_(allowed) {}

  // The loader may go on up to `rows` rows.
  void allow(size_t rows);
  // The load is over (cancelled or replaced): the loader never waits again.
  void release();
  // Whether `received` rows are allowed (or the load is released, so nothing waits).
  bool allows(size_t received) const;
  // On the loader: returns at once while `received` rows are allowed, else waits until more
  // are; false when released meanwhile (the rows that follow are not wanted).
  bool wait(size_t received);
  bool waiting() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  size_t allowed_;
  bool released_ = false;
  bool waiting_ = false;
};

}  // namespace vantrel::gui
