#pragma once

#include <sqlite3.h>

#include <atomic>

namespace vantrel::test {

// SQLite's default file system with a budget: once the bytes written to every file it opened
// (databases and journals) would pass the budget, each write fails as a full disk, an I/O error
// or a destination that became read-only would make it fail. It is the default for as long as
// it lives, so that whatever the code under test opens goes through it.
class FailingVfs {
 public:
  enum class Failure { kDiskFull, kIoError, kReadOnly };

  FailingVfs(Failure failure, sqlite3_int64 budget);
  ~FailingVfs();
  FailingVfs(const FailingVfs&) = delete;
  FailingVfs& operator=(const FailingVfs&) = delete;

  // The bytes written so far, the refused ones left out.
  sqlite3_int64 written() const { return written_.load(); }

 private:
  friend struct FailingVfsAccess;
  int failureCode() const;

  Failure failure_;
  sqlite3_int64 budget_;
  std::atomic<sqlite3_int64> written_{0};
  sqlite3_vfs vfs_{};
  sqlite3_vfs* base_ = nullptr;
};

}  // namespace vantrel::test
