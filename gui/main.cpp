// vantrel: the windows of Vantrel for Microsoft Access.

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/activity_log.h"
#include "app/configuration.h"
#include "gui/main_window.h"
#include "gui/single_instance.h"
#include "gui/splash_screen.h"
#include "gui/texts.h"
#include "gui/user_prompts.h"

namespace {

void tellAlreadyRunning() {
  QMessageBox box(QMessageBox::Information, vantrel::gui::kAlreadyRunningCaption,
                  vantrel::gui::kAlreadyRunning);
  box.exec();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantrel;
  using namespace vantrel::gui;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantrel"));
  QApplication::setQuitOnLastWindowClosed(false);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Vantrel for Microsoft Access"));
  parser.addHelpOption();
  // Accepted for the desktop's automation start; start-up goes on as usual.
  parser.addOption(QCommandLineOption(QStringLiteral("embedding")));
  parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Access files to list"),
                               QStringLiteral("[FILE.mdb...]"));
  parser.process(application);

  SingleInstance instance(SingleInstance::defaultLockPath());
  if (!instance.acquire()) {
    tellAlreadyRunning();
    return 0;
  }

  // The report files live in a folder of this run's own, readable by this user only.
  QTemporaryDir reportFolder(QDir::tempPath() + QStringLiteral("/vantrel-XXXXXX"));
  const Configuration configuration = loadConfiguration();
  if (!reportFolder.isValid()) {
    std::fprintf(stderr, "vantrel: cannot make a folder for the report files in %s\n",
                 qPrintable(QDir::tempPath()));
    return 1;
  }
  DesktopPrompts prompts;
  Session session{prompts, ActivityLog::atConfiguredLocation(configuration),
                  applicationFolder(configuration), reportFolder.path().toStdString(),
                  [] { QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); }); }};

  std::unique_ptr<MainWindow> mainWindow;
  const QStringList files = parser.positionalArguments();
  auto* splash = new SplashScreen(2000, [&] {
    // A second copy started while the splash was up is caught here.
    if (!instance.acquire()) {
      tellAlreadyRunning();
      QCoreApplication::exit(0);
      return;
    }
    mainWindow = std::make_unique<MainWindow>(session);
    mainWindow->addFiles(files);
    mainWindow->show();
  });
  splash->show();
  const int status = QApplication::exec();
  mainWindow.reset();  // the windows close and every worker is joined before the folder goes
  return status;
}
