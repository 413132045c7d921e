// Loads the first table of a file into the preview as a user would, and prints how soon its
// first rows show, when the reader waits for the user to scroll on, how long the whole table
// takes when the user scrolls to its end, the longest the event loop was kept from
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
  const long analysisPeak = peakKiB();
  QTreeWidgetItem* tables = tree->topLevelItem(0)->child(0);
  if (tables->childCount() == 0) {
    std::fprintf(stderr, "no table in %s\n", argv[1]);
    return 1;
  }
  clock.restart();
  tree->setCurrentItem(tables->child(0));
  const qint64 stallBeforeFirst = runUntil([&] { return preview.rows().rowCount() > 0; });
  const qint64 firstRows = clock.elapsed();
  // The reader reads ahead of the list, then waits for the user to scroll on.
  const qint64 stallToPause = runUntil([&] { return !preview.busy(); });
  const qint64 paused = clock.elapsed();
  const size_t pausedRows = preview.rows().receivedRows();
  const long pausedPeak = peakKiB();
  // Then the user scrolls to the end, as fast as the list takes it.
  auto& rows = preview.rows();
  const qint64 stallToEnd = runUntil([&] {
    rows.fetchMore({});
    return !preview.readerRunning();
  });
  const qint64 allRows = clock.elapsed();
  std::printf(
      "analysis %lld ms; first rows after %lld ms; reading waits after %zu rows at %lld ms "
      "(peak memory %ld KiB); all %zu rows after %lld ms scrolling on; longest event-loop "
      "pause %lld ms; peak memory %ld KiB (%ld KiB after the analysis)\n",
      static_cast<long long>(analysed), static_cast<long long>(firstRows), pausedRows,
      static_cast<long long>(paused), pausedPeak, rows.receivedRows(),
      static_cast<long long>(allRows),
      static_cast<long long>(std::max({stallBeforeFirst, stallToPause, stallToEnd})), peakKiB(),
      analysisPeak);
  return 0;
}
