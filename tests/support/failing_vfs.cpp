#include "tests/support/failing_vfs.h"

#include <stdexcept>

namespace vantrel::test {

namespace {

FailingVfs* active = nullptr;  // one at a time; SQLite's callbacks find it here

// Our file, with the default VFS's own file right after it.
struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* file) {
  return reinterpret_cast<ShimFile*>(file)->real;
}

}  // namespace

struct FailingVfsAccess {
  static int write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    FailingVfs& vfs = *active;
    if (vfs.written_.load() + amount > vfs.budget_) return vfs.failureCode();
    vfs.written_ += amount;
    return real(file)->pMethods->xWrite(real(file), data, amount, offset);
  }
  static int truncate(sqlite3_file* file, sqlite3_int64 size) {
    return real(file)->pMethods->xTruncate(real(file), size);
  }
  static int sync(sqlite3_file* file, int flags) {
    // A full disk shows at the sync too, as on file systems that allocate late.
    if (active->written_.load() >= active->budget_) return active->failureCode();
    return real(file)->pMethods->xSync(real(file), flags);
  }
  static sqlite3_vfs* base() { return active->base_; }
};

namespace {

int shimClose(sqlite3_file* file) {
  const int result =
      real(file)->pMethods != nullptr ? real(file)->pMethods->xClose(real(file)) : SQLITE_OK;
  file->pMethods = nullptr;
  return result;
}
int shimRead(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
  return real(file)->pMethods->xRead(real(file), data, amount, offset);
}
int shimFileSize(sqlite3_file* file, sqlite3_int64* size) {
  return real(file)->pMethods->xFileSize(real(file), size);
}
int shimLock(sqlite3_file* file, int lock) {
  return real(file)->pMethods->xLock(real(file), lock);
}
int shimUnlock(sqlite3_file* file, int lock) {
  return real(file)->pMethods->xUnlock(real(file), lock);
}
int shimCheckReservedLock(sqlite3_file* file, int* result) {
  return real(file)->pMethods->xCheckReservedLock(real(file), result);
}
int shimFileControl(sqlite3_file* file, int op, void* argument) {
  return real(file)->pMethods->xFileControl(real(file), op, argument);
}
int shimSectorSize(sqlite3_file* file) {
  return real(file)->pMethods->xSectorSize(real(file));
}
int shimDeviceCharacteristics(sqlite3_file* file) {
  return real(file)->pMethods->xDeviceCharacteristics(real(file));
}

// Version 1: no shared memory and no memory mapping, which the rollback journal needs neither.
const sqlite3_io_methods kMethods = {1,
                                     shimClose,
                                     shimRead,
                                     FailingVfsAccess::write,
                                     FailingVfsAccess::truncate,
                                     FailingVfsAccess::sync,
                                     shimFileSize,
                                     shimLock,
                                     shimUnlock,
                                     shimCheckReservedLock,
                                     shimFileControl,
                                     shimSectorSize,
                                     shimDeviceCharacteristics,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};

int shimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  sqlite3_vfs* base = FailingVfsAccess::base();
  auto* shim = reinterpret_cast<ShimFile*>(file);
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  shim->base.pMethods = nullptr;
  const int result = base->xOpen(base, name, shim->real, flags, outFlags);
  if (result == SQLITE_OK) shim->base.pMethods = &kMethods;
  return result;
}

int shimDelete(sqlite3_vfs*, const char* name, int syncDirectory) {
  return FailingVfsAccess::base()->xDelete(FailingVfsAccess::base(), name, syncDirectory);
}
int shimAccess(sqlite3_vfs*, const char* name, int flags, int* result) {
  return FailingVfsAccess::base()->xAccess(FailingVfsAccess::base(), name, flags, result);
}
int shimFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return FailingVfsAccess::base()->xFullPathname(FailingVfsAccess::base(), name, size, out);
}
int shimRandomness(sqlite3_vfs*, int size, char* out) {
  return FailingVfsAccess::base()->xRandomness(FailingVfsAccess::base(), size, out);
}
int shimSleep(sqlite3_vfs*, int microseconds) {
  return FailingVfsAccess::base()->xSleep(FailingVfsAccess::base(), microseconds);
}
int shimCurrentTime(sqlite3_vfs*, double* now) {
  return FailingVfsAccess::base()->xCurrentTime(FailingVfsAccess::base(), now);
}
int shimGetLastError(sqlite3_vfs*, int size, char* out) {
  return FailingVfsAccess::base()->xGetLastError(FailingVfsAccess::base(), size, out);
}

}  // namespace

FailingVfs::FailingVfs(Failure failure, sqlite3_int64 budget) : failure_(failure), budget_(budget) {
  if (active != nullptr) throw std::logic_error("one FailingVfs at a time");
  base_ = sqlite3_vfs_find(nullptr);
  vfs_.iVersion = 1;
  vfs_.szOsFile = static_cast<int>(sizeof(ShimFile)) + base_->szOsFile;
  vfs_.mxPathname = base_->mxPathname;
  vfs_.zName = "vantrel-failing";
  vfs_.xOpen = shimOpen;
  vfs_.xDelete = shimDelete;
  vfs_.xAccess = shimAccess;
  vfs_.xFullPathname = shimFullPathname;
  vfs_.xRandomness = shimRandomness;
  vfs_.xSleep = shimSleep;
  vfs_.xCurrentTime = shimCurrentTime;
  vfs_.xGetLastError = shimGetLastError;
  active = this;
  sqlite3_vfs_register(&vfs_, 1);
}

FailingVfs::~FailingVfs() {
  sqlite3_vfs_unregister(&vfs_);
  sqlite3_vfs_register(base_, 1);
  active = nullptr;
}

int FailingVfs::failureCode() const {
  switch (failure_) {
    case Failure::kDiskFull:
      return SQLITE_FULL;
    case Failure::kIoError:
      return SQLITE_IOERR_WRITE;
    case Failure::kReadOnly:
      return SQLITE_READONLY;
  }
  return SQLITE_IOERR;
}

}  // namespace vantrel::test
