// vantrel-screenshots OUT_FOLDER SAMPLES_FOLDER SKINS_FOLDER: takes the README's pictures of
// the windows, driven as a user would drive them over the sample databases: the main window,
// the preview with a table's rows and with a query's SQL, the saving dialog and the end dialog.
// The samples are copied first into a folder whose path names no one's machine.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>

#include "gui/main_window.h"
#include "gui/preview_window.h"
#include "gui/saving_dialog.h"
#include "gui/user_prompts.h"

namespace {

using namespace vantrel;
using namespace vantrel::gui;

QString outFolder;

void save(QWidget* window, const char* name) {
  QCoreApplication::processEvents();
  const QString path = outFolder + QLatin1Char('/') + QString::fromUtf8(name);
  if (!window->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 60'000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Answers as the pictures need, and photographs the saving dialog at its question.
class PicturePrompts : public UserPrompts {
 public:
  bool question(QWidget*, const QString&) override { return false; }
  void notice(QWidget*, const QString&) override {}
  OverwriteAnswer overwriteAll(QWidget* owner) override {
    save(owner, "saving.png");
    return OverwriteAnswer::NoToAll;
  }
  QStringList chooseFiles(QWidget*) override { return files; }
  QString chooseFolder(QWidget*) override { return folder; }
  QString chooseDestination(QWidget*) override { return folder; }
  bool openExternally(const QString&) override { return true; }

  QStringList files;
  QString folder;
};

// The second file's destination exists in the subfolders of the coming seconds, so that the
// saving dialog stops at its question with the first file's lines in its list.
void placeExisting(const QString& folder, const QString& name) {
  const auto now = std::chrono::system_clock::now();
  for (int ahead = 0; ahead < 60; ++ahead) {
    const std::time_t at = std::chrono::system_clock::to_time_t(now + std::chrono::seconds(ahead));
    std::tm local{};
    localtime_r(&at, &local);
    const QString sub = QStringLiteral("%1/Repair_%2-%3-%4")
                            .arg(folder)
                            .arg(local.tm_hour)
                            .arg(local.tm_min)
                            .arg(local.tm_sec);
    QDir().mkpath(sub);
    std::ofstream((sub + QLatin1Char('/') + name).toStdString()) << "kept";
  }
}

void select(PreviewWindow& preview, const QString& group, int index) {
  auto* tree = preview.findChild<QTreeWidget*>(QStringLiteral("objectTree"));
  QTreeWidgetItem* root = tree->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i) {
    if (root->child(i)->text(0) == group && root->child(i)->childCount() > index) {
      tree->setCurrentItem(root->child(i)->child(index));
    }
  }
  waitFor([&] { return !preview.busy(); });
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: vantrel-screenshots OUT_FOLDER SAMPLES_FOLDER SKINS_FOLDER\n");
    return 2;
  }
  outFolder = QString::fromLocal8Bit(argv[1]);
  const QString samples = QString::fromLocal8Bit(argv[2]);
  const QString skins = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath();
  QDir().mkpath(outFolder);
  QTemporaryDir work;
  const QString shown = QDir::tempPath() + QStringLiteral("/Access files");
  QDir(shown).removeRecursively();
  QDir().mkpath(shown);
  PicturePrompts prompts;
  for (const char* name : {"sample-jet4.mdb", "sample-jet4-damaged.mdb"}) {
    const QString copy = shown + QLatin1Char('/') + QString::fromUtf8(name);
    QFile::copy(samples + QLatin1Char('/') + QString::fromUtf8(name), copy);
    prompts.files << copy;
  }
  prompts.folder = work.path();
  placeExisting(work.path(), QStringLiteral("sample-jet4-damaged.sqlite"));
  bool ended = false;
  Session session{prompts, ActivityLog(work.filePath(QStringLiteral("log.txt")).toStdString()),
                  skins.toStdString(), work.path().toStdString(), [&] { ended = true; }};

  MainWindow window(session);
  window.show();
  window.browse();
  save(&window, "main-window.png");

  window.repair();
  PreviewWindow* preview = window.preview();
  if (!waitFor([&] {
        return !preview->busy() && preview->fileNumber() == 1 && !preview->summary().tables.empty();
      })) {
    std::fprintf(stderr, "the analysis did not finish\n");
    return 1;
  }
  select(*preview, QStringLiteral("Table"), 1);
  save(preview, "preview-table.png");
  select(*preview, QStringLiteral("Query"), 0);
  save(preview, "preview-query.png");

  preview->nextDatabase();
  waitFor([&] { return !preview->busy() && preview->fileNumber() == 2; });
  preview->saveAll();
  if (!waitFor([&] { return preview->findChild<EndDialog*>() != nullptr; })) {
    std::fprintf(stderr, "the saving run did not end\n");
    return 1;
  }
  save(preview->findChild<EndDialog*>(), "end-dialog.png");
  QDir(shown).removeRecursively();
  return ended ? 1 : 0;
}
