#pragma once

#include <QLockFile>
#include <QString>

namespace vantrel::gui {

// One copy of the program per user: the copy that holds the lock file runs, any other one
// tells the user and ends. A lock left by a copy that died is taken over.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& lockPath);

  // Takes the lock, or keeps it; false when another copy holds it.
  bool acquire();

  // $XDG_RUNTIME_DIR/vantrel.lock, else in the state folder.
  static QString defaultLockPath();

 private:
  QLockFile lock_;
};

}  // namespace vantrel::gui
