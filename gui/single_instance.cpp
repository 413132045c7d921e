#include "gui/single_instance.h"

#include <QDir>
#include <filesystem>

#include "app/configuration.h"

namespace vantrel::gui {

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath) {
  lock_.setStaleLockTime(0);  // only a lock whose owner is gone is stale
}

bool SingleInstance::acquire() {
  if (lock_.isLocked()) return true;
  return lock_.tryLock(0);
}

QString SingleInstance::defaultLockPath() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  std::filesystem::path folder =
      runtime.isEmpty() ? stateFolder() : std::filesystem::path(runtime.toStdString());
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return QString::fromStdString((folder / "vantrel.lock").string());
}

}  // namespace vantrel::gui
