#pragma once

#include <QLabel>
#include <QTimer>
#include <mutex>
#include <optional>

#include "run/run_progress.h"

namespace vantrel::gui {

// One line of real progress under a dialog's bars: file i of n, the table, the pages of the
// file read so far and the rows come to. Workers post to it from their thread as often as
// they like; it redraws at most ten times a second.
class ProgressLine : public QLabel {
  Q_OBJECT

 public:
  explicit ProgressLine(QWidget* parent = nullptr);

  // Safe from any thread.
  void post(const RunProgress& progress);
  // Shows what was posted last at once (when the work has ended).
  void redraw();

 signals:
  // The progress just shown, so that a bar beside the line says the same.
  void shown(const RunProgress& progress);

 private:
  QTimer timer_;
  std::mutex mutex_;
  std::optional<RunProgress> pending_;
};

QString progressLineText(const RunProgress& progress);

// How much of the file's pages are read, 0 to 100; 0 while the page count is not known.
int pagesPercent(const RunProgress& progress);

}  // namespace vantrel::gui
