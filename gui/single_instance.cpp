#include "gui/single_instance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <filesystem>
#include <memory>

#include "app/configuration.h"

namespace vantrel::gui {
namespace {

constexpr int kHandOverMs = 3000;
// 850 paths of the longest a path can be, with room to spare: more is not a hand-over.
constexpr qsizetype kMostBytes = 16 * 1024 * 1024;

QString socketPathFor(const QString& lockPath) {
  return lockPath + QStringLiteral(".socket");
}

}  // namespace

SingleInstance::SingleInstance(const QString& lockPath)
    : lock_(lockPath), socketPath_(socketPathFor(lockPath)) {
  lock_.setStaleLockTime(0);  // only a lock whose owner is gone is stale
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::takeConnection);
}

bool SingleInstance::acquire() {
  if (lock_.isLocked()) return true;
  return lock_.tryLock(0);
}

bool SingleInstance::listen() {
  if (!lock_.isLocked()) return false;
  if (server_.isListening()) return true;
  // The holder of the lock owns the socket: one left by a copy that died goes.
  QLocalServer::removeServer(socketPath_);
  return server_.listen(socketPath_);
}

void SingleInstance::takeConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    auto buffer = std::make_shared<QByteArray>();
    const auto read = [socket, buffer] {
      *buffer += socket->readAll();
      if (buffer->size() > kMostBytes) socket->abort();
    };
    connect(socket, &QLocalSocket::readyRead, socket, read);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer, read] {
      read();
      socket->deleteLater();
      if (buffer->size() > kMostBytes) return;
      QDataStream stream(*buffer);
      QStringList files;
      stream >> files;
      if (stream.status() == QDataStream::Ok) emit filesArrived(files);
    });
    // It may have written before it was taken; its end comes as disconnected all the same.
    read();
  }
}

bool SingleInstance::handOver(const QString& lockPath, const QStringList& files) {
  QLocalSocket socket;
  socket.connectToServer(socketPathFor(lockPath));
  if (!socket.waitForConnected(kHandOverMs)) return false;
  QByteArray message;
  QDataStream stream(&message, QIODevice::WriteOnly);
  stream << files;
  socket.write(message);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(kHandOverMs)) return false;
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kHandOverMs);
  return true;
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
