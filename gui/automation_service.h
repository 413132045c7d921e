#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>

#include "run/run_progress.h"

namespace vantrel::gui {

inline constexpr char kAutomationService[] = "org.vantrel.Vantrel";
inline constexpr char kAutomationObject[] = "/org/vantrel/Vantrel";
inline constexpr char kAutomationInterface[] = "org.vantrel.Repair1";

// The automation interface offered on the session bus by `vantrel --automation`: the analysis
// and the saving run of the workflow, for scripts and other programs. Every call runs on a
// worker of its own and answers when it ends, so the service stays responsive meanwhile. The
// service quits after `idleLimit` without calls or running work.
class AutomationService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.vantrel.Repair1")

 public:
  explicit AutomationService(std::chrono::milliseconds idleLimit, QObject* parent = nullptr);

 public slots:
  // The same JSON object `vantrel-cli analyze --json` prints for the file.
  QString Analyze(const QString& path);
  // Saves each file into FOLDER/Repair_H-M-S/NAME.sqlite; `overwrite` is "yes" or "no" for an
  // existing destination. Answers the saving run's JSON: per file its destination, status,
  // and the tables with the rows saved.
  QString Repair(const QStringList& paths, const QString& folder, const QString& overwrite);
  // The password of the encrypted file at `path`, for the calls that follow; kept in memory
  // only, never logged or answered back.
  void GivePassword(const QString& path, const QString& password);

 signals:
  // How far a call has come: the file, the table being read, pages read of the file's pages.
  void Progress(int fileNumber, int fileCount, const QString& source, const QString& table,
                qlonglong pagesRead, qlonglong pageCount);

 private:
  // Runs `work` on a worker thread and sends what it returns as the reply of the current call.
  void answerLater(std::function<QString()> work);
  void restartIdleTimer();
  std::function<void(const RunProgress&)> progressRelay();

  QTimer idle_;
  int running_ = 0;
};

// `vantrel --automation`: registers the service and runs until it falls idle. Returns the exit
// status: 0, or 1 when the session bus cannot be reached or the name is taken.
int runAutomation(int& argc, char** argv);

}  // namespace vantrel::gui
