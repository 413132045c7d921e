// vantrel: the windows of Vantrel for Microsoft Access.

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/activity_log.h"
#include "app/configuration.h"
#include "app/password_sources.h"
#include "app/version.h"
#include "destinations/postgres/postgres_destination.h"
#include "destinations/sqlite/sqlite_destination.h"
#include "gui/automation_service.h"
#include "gui/desktop_registration.h"
#include "gui/main_window.h"
#include "gui/single_instance.h"
#include "gui/splash_screen.h"
#include "gui/start_options.h"
#include "gui/texts.h"
#include "gui/user_prompts.h"

namespace {

void tellAlreadyRunning() {
  QMessageBox box(QMessageBox::Information, vantrel::gui::kAlreadyRunningCaption,
                  vantrel::gui::kAlreadyRunning);
  box.exec();
}

// --register and --unregister, for the current user; the desktop's caches are brought up to
// date when its tool is there.
int runRegistration(bool add) {
  using namespace vantrel;
  std::error_code error;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  const auto icon = applicationFolder(loadConfiguration()) / "vantrel.png";
  const auto places = gui::DesktopPlaces::forCurrentUser();
  const auto failure =
      add ? gui::registerDesktopEntry(
                places, program,
                std::filesystem::exists(icon, error) ? icon.string() : std::string("vantrel"))
          : gui::unregisterDesktopEntry(places);
  if (failure) {
    std::fprintf(stderr, "vantrel: %s\n", failure->c_str());
    return 1;
  }
  const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
  if (!updater.isEmpty())
    QProcess::execute(updater, {QString::fromStdString(places.applications.string())});
  std::printf("%s\n", add ? "Vantrel now opens Access databases (.mdb) for this user."
                          : "Vantrel no longer opens Access databases for this user.");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantrel;
  using namespace vantrel::gui;
  registerSqliteDestination(destinationRegistry());
  registerPostgresDestination(destinationRegistry());
  // The windows and the service also take a password for encrypted files from the environment.
  giveStatedPassword(std::nullopt);
  const StartOptions options = parseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!options.error.empty()) {
    std::fprintf(stderr, "vantrel: %s (see vantrel --help)\n", options.error.c_str());
    return 2;
  }
  switch (options.mode) {
    case StartOptions::Mode::Help:
      std::fputs(startOptionsHelp().c_str(), stdout);
      return 0;
    case StartOptions::Mode::Version:
      std::printf("vantrel %s\n", std::string(kVersion).c_str());
      return 0;
    case StartOptions::Mode::Register:
    case StartOptions::Mode::Unregister:
      return runRegistration(options.mode == StartOptions::Mode::Register);
    case StartOptions::Mode::Automation:
      return runAutomation(argc, argv);
    case StartOptions::Mode::Windows:
      break;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantrel"));
  QApplication::setQuitOnLastWindowClosed(false);

  // Files named to a second start join the running copy's list, as Browse would add them.
  QStringList files;
  for (const std::string& file : options.files)
    files.push_back(QFileInfo(QString::fromStdString(file)).absoluteFilePath());
  const QString lockPath = SingleInstance::defaultLockPath();
  SingleInstance instance(lockPath);
  if (!instance.acquire()) {
    if (!SingleInstance::handOver(lockPath, files)) tellAlreadyRunning();
    return 0;
  }
  instance.listen();

  // The report files live in a folder of this run's own, readable by this user only.
  QTemporaryDir reportFolder(QDir::tempPath() + QStringLiteral("/vantrel-XXXXXX"));
  const Configuration configuration = loadConfiguration();
  if (!reportFolder.isValid()) {
    std::fprintf(stderr, "vantrel: cannot make a folder for the report files in %s\n",
                 qPrintable(QDir::tempPath()));
    return 1;
  }
  DesktopPrompts prompts(applicationFolder(configuration));
  Session session{prompts, ActivityLog::atConfiguredLocation(configuration),
                  applicationFolder(configuration), reportFolder.path().toStdString(),
                  [] { QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); }); }};

  std::unique_ptr<MainWindow> mainWindow;
  QObject::connect(&instance, &SingleInstance::filesArrived, [&](const QStringList& arrived) {
    if (mainWindow != nullptr) {
      mainWindow->takeHandedFiles(arrived);
    } else {
      files += arrived;  // the splash is still up
    }
  });
  auto* splash = new CSplashScreenEx(session.applicationFolder, 2000, [&] {
    // A second copy started while the splash was up is caught here.
    if (!instance.acquire()) {
      if (!SingleInstance::handOver(lockPath, files)) tellAlreadyRunning();
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
