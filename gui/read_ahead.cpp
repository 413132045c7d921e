#include "gui/read_ahead.h"

namespace vantrel::gui {

void ReadAhead::allow(size_t rows) {
  {
    const std::lock_guard lock(mutex_);
    if (rows <= allowed_) return;
    allowed_ = rows;
  }
  changed_.notify_all();
}

void ReadAhead::release() {
  {
    const std::lock_guard lock(mutex_);
    released_ = true;
  }
  changed_.notify_all();
}

bool ReadAhead::wait(size_t received) {
  std::unique_lock lock(mutex_);
  waiting_ = true;
  changed_.wait(lock, [&] { return released_ || received < allowed_; });
  waiting_ = false;
  return !released_;
}

bool ReadAhead::allows(size_t received) const {
  const std::lock_guard lock(mutex_);
  return released_ || received < allowed_;
}

bool ReadAhead::waiting() const {
  const std::lock_guard lock(mutex_);
  return waiting_;
}

}  // namespace vantrel::gui
