// Loads the first table of a file into the preview as a user would, and prints how soon its
// first rows show, how long the whole table takes, the longest the event loop was kept from
// running meanwhile, and the peak memory of the process.
//   vantrel_preview_rows FILE.mdb   (QT_QPA_PLATFORM=offscreen works without a display)

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <fstream>
#include <string>

#include "gui/preview_window.h"
#include "gui/user_prompts.h"

namespace {

class NoPrompts : public vantrel::gui::UserPrompts {
 public:
  bool question(QWidget*, const QString&) override { return false; }
  void notice(QWidget*, const QString&) override {}
  vantrel::OverwriteAnswer overwriteAll(QWidget*) override { return vantrel::OverwriteAnswer::No; }
  QStringList chooseFiles(QWidget*) override { return {}; }
  QString chooseFolder(QWidget*) override { return {}; }
  bool openExternally(const QString&) override { return false; }
};

long peakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Runs the event loop until `done` holds; returns the longest pause between two of its turns.
qint64 runUntil(const std::function<bool()>& done) {
  QElapsedTimer sinceLast;
  sinceLast.start();
  qint64 longest = 0;
  while (!done()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    longest = std::max(longest, sinceLast.restart());
  }
  return longest;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantrel_preview_rows FILE.mdb\n");
    return 2;
  }
  QTemporaryDir folder;
  NoPrompts prompts;
  vantrel::gui::Session session{prompts,
                                vantrel::ActivityLog(folder.filePath("log.txt").toStdString()),
                                folder.path().toStdString(), folder.path().toStdString(), [] {}};
  vantrel::gui::PreviewWindow preview(session, {argv[1]}, false, nullptr);
  auto* tree = preview.findChild<QTreeWidget*>(QStringLiteral("objectTree"));
  QElapsedTimer clock;
  clock.start();
  preview.start();
  runUntil([&] { return !preview.busy() && tree->topLevelItemCount() == 1; });
  const qint64 analysed = clock.elapsed();
  QTreeWidgetItem* tables = tree->topLevelItem(0)->child(0);
  if (tables->childCount() == 0) {
    std::fprintf(stderr, "no table in %s\n", argv[1]);
    return 1;
  }
  clock.restart();
  tree->setCurrentItem(tables->child(0));
  const qint64 stallBeforeFirst = runUntil([&] { return preview.rows().rowCount() > 0; });
  const qint64 firstRows = clock.elapsed();
  const qint64 stall = runUntil([&] { return !preview.busy(); });
  const qint64 allRows = clock.elapsed();
  std::printf(
      "analysis %lld ms; first rows after %lld ms; all %d rows after %lld ms; "
      "longest event-loop pause %lld ms; peak memory %ld KiB\n",
      static_cast<long long>(analysed), static_cast<long long>(firstRows),
      static_cast<int>(preview.rows().receivedRows()), static_cast<long long>(allRows),
      static_cast<long long>(std::max(stall, stallBeforeFirst)), peakKiB());
  return 0;
}
