#include "gui/automation_service.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QFileInfo>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <optional>
#include <utility>

#include "app/analysis_json.h"
#include "app/analysis_run.h"
#include "app/password_sources.h"
#include "app/saving_json.h"
#include "app/saving_run.h"
#include "app/workflow_log.h"
#include "run/run_state.h"

namespace vantrel::gui {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// No one to ask: a stop never comes, the overwrite answer is the caller's, and progress goes
// out as the service's signal, at most ten times a second (the reader reports every page).
class AutomationHooks : public RunHooks, public SavingHooks {
 public:
  AutomationHooks(bool overwrite, std::function<void(const RunProgress&)> progress)
      : overwrite_(overwrite), progress_(std::move(progress)) {}

  bool confirmStop(RunPhase) override { return false; }
  void appendSavingListLine(int, std::string_view) override {}
  void reportProgress(const RunProgress& progress) override {
    const auto now = std::chrono::steady_clock::now();
    if (sent_ && now - lastSent_ < kProgressInterval) {
      pending_ = progress;
      return;
    }
    send(progress, now);
  }
  // Sends the last progress held back, so that the caller sees where the work ended.
  void flushProgress() {
    if (pending_) send(*pending_, std::chrono::steady_clock::now());
  }
  OverwriteAnswer askOverwrite(const std::filesystem::path&) override {
    return overwrite_ ? OverwriteAnswer::Yes : OverwriteAnswer::No;
  }
  bool confirmOverwrite(const std::filesystem::path&) override { return overwrite_; }

 private:
  void send(const RunProgress& progress, std::chrono::steady_clock::time_point now) {
    progress_(progress);
    pending_.reset();
    sent_ = true;
    lastSent_ = now;
  }

  bool overwrite_;
  std::function<void(const RunProgress&)> progress_;
  std::optional<RunProgress> pending_;
  bool sent_ = false;
  std::chrono::steady_clock::time_point lastSent_;
};

// The service runs in a folder of its own choosing, not the caller's: a relative path would
// name another file than the caller meant.
std::optional<QString> notAbsolute(const QString& path) {
  if (!path.isEmpty() && QFileInfo(path).isRelative())
    return QStringLiteral("%1 is not an absolute path").arg(path);
  return std::nullopt;
}

std::optional<QString> notAFile(const QString& path) {
  if (path.isEmpty()) return QStringLiteral("no file was named");
  if (auto relative = notAbsolute(path)) return relative;
  const QFileInfo info(path);
  if (!info.exists()) return QStringLiteral("%1 does not exist").arg(path);
  if (info.isDir()) return QStringLiteral("%1 is a folder, not an Access database").arg(path);
  if (!info.isReadable()) return QStringLiteral("%1 cannot be read (no permission)").arg(path);
  return std::nullopt;
}

}  // namespace

AutomationService::AutomationService(std::chrono::milliseconds idleLimit, QObject* parent)
    : QObject(parent) {
  idle_.setSingleShot(true);
  idle_.setInterval(idleLimit);
  connect(&idle_, &QTimer::timeout, this, [this] {
    if (running_ == 0) QCoreApplication::quit();
  });
  idle_.start();
}

void AutomationService::restartIdleTimer() {
  idle_.start();
}

void AutomationService::answerLater(std::function<QString()> work) {
  setDelayedReply(true);
  const QDBusMessage request = message();
  QDBusConnection bus = connection();
  ++running_;
  QThread* worker = QThread::create(
      [work = std::move(work), request, bus]() mutable { bus.send(request.createReply(work())); });
  connect(worker, &QThread::finished, this, [this, worker] {
    worker->deleteLater();
    --running_;
    restartIdleTimer();
  });
  worker->start();
}

std::function<void(const RunProgress&)> AutomationService::progressRelay() {
  // Called on a worker; the signal goes out from the service's own thread.
  return [this](const RunProgress& progress) {
    QMetaObject::invokeMethod(this, [this, progress] {
      emit Progress(progress.fileNumber, progress.fileCount,
                    QString::fromStdString(progress.sourcePath),
                    QString::fromStdString(progress.table), progress.pagesRead, progress.pageCount);
    });
  };
}

QString AutomationService::Analyze(const QString& path) {
  restartIdleTimer();
  if (const auto error = notAFile(path)) {
    sendErrorReply(QDBusError::InvalidArgs, *error);
    return {};
  }
  answerLater([this, file = path.toStdString()] {
    AutomationHooks hooks(false, progressRelay());
    RunState run(hooks);
    const ActivityLog log = startActivityLog({file});
    const AnalysisResult analysis = runAnalysis(file, run, &log, nullptr);
    hooks.flushProgress();
    return QString::fromStdString(analysisJson(analysis));
  });
  return {};
}

void AutomationService::GivePassword(const QString& path, const QString& password) {
  restartIdleTimer();
  giveSourcePassword(path.toStdString(), SecretText(password.toStdString()));
}

QString AutomationService::Repair(const QStringList& paths, const QString& folder,
                                  const QString& overwrite) {
  restartIdleTimer();
  std::optional<QString> error;
  if (paths.isEmpty()) error = QStringLiteral("no file was named");
  for (const QString& path : paths)
    if (!error) error = notAFile(path);
  // A server's address is no folder: its kind is told by the destination registry.
  const auto kind = destinationRegistry().open(folder.toStdString());
  const bool server = kind && !(*kind)->capabilities().filePerSource;
  // Why the address serves no destination; the address is not repeated (it may hold a password).
  if (!error && !kind)
    error = QStringLiteral("the destination cannot be used: %1")
                .arg(QString::fromStdString(kind.error()));
  if (!error && !server) error = notAbsolute(folder);
  if (!error && !server && !QFileInfo(folder).isDir())
    error = QStringLiteral("the destination folder %1 does not exist").arg(folder);
  if (!error && overwrite != QLatin1String("yes") && overwrite != QLatin1String("no"))
    error = QStringLiteral("overwrite must be \"yes\" or \"no\", not \"%1\"").arg(overwrite);
  if (error) {
    sendErrorReply(QDBusError::InvalidArgs, *error);
    return {};
  }
  SavingRequest request;
  for (const QString& path : paths)
    request.sourceFiles.push_back(path.toStdString());
  request.destination = folder.toStdString();
  answerLater([this, request, overwrite = overwrite == QLatin1String("yes")]() mutable {
    AutomationHooks hooks(overwrite, progressRelay());
    RunState run(hooks);
    const ActivityLog log = startActivityLog(request.sourceFiles);
    request.destinationOptions = {
        .replaceExisting = [overwrite](std::string_view) { return overwrite; },
        .log = &log,
        .stop = &run.stopRequested};
    const SavingOutcome outcome = runSaving(request, run, hooks, &log);
    hooks.flushProgress();
    return QString::fromStdString(savingJson(outcome));
  });
  return {};
}

int runAutomation(int& argc, char** argv) {
  QCoreApplication application(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fprintf(stderr, "vantrel: cannot reach the session bus: %s\n",
                 qPrintable(bus.lastError().message()));
    return 1;
  }
  AutomationService service(std::chrono::minutes(1));
  if (!bus.registerObject(kAutomationObject, &service,
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)) {
    std::fprintf(stderr, "vantrel: cannot offer %s on the session bus\n", kAutomationObject);
    return 1;
  }
  if (!bus.registerService(kAutomationService)) {
    std::fprintf(stderr, "vantrel: %s is already offered on the session bus\n", kAutomationService);
    return 1;
  }
  return QCoreApplication::exec();
}

}  // namespace vantrel::gui
