#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

namespace vantrel::gui {

// One copy of the program per user: the copy that holds the lock file runs and listens on a
// local socket beside it; another copy hands its files over that socket and ends. A lock left
// by a copy that died is taken over.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(const QString& lockPath);

  // Takes the lock, or keeps it; false when another copy holds it.
  bool acquire();
  // Once the lock is held: takes the files of later starts (filesArrived).
  bool listen();

  // The second start: hands `files` (absolute paths; none only raises the window) to the
  // copy that holds the lock at `lockPath`. False when no copy listens there.
  static bool handOver(const QString& lockPath, const QStringList& files);

  // $XDG_RUNTIME_DIR/vantrel.lock, else in the state folder.
  static QString defaultLockPath();

 signals:
  void filesArrived(const QStringList& files);

 private:
  void takeConnection();

  QLockFile lock_;
  QString socketPath_;
  QLocalServer server_;
};

}  // namespace vantrel::gui
