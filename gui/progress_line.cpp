#include "gui/progress_line.h"

#include <QFileInfo>
#include <algorithm>

namespace vantrel::gui {

ProgressLine::ProgressLine(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("progressLine"));
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, &ProgressLine::redraw);
  timer_.start();
}

void ProgressLine::post(const RunProgress& progress) {
  const std::lock_guard lock(mutex_);
  pending_ = progress;
}

void ProgressLine::redraw() {
  std::optional<RunProgress> progress;
  {
    const std::lock_guard lock(mutex_);
    progress.swap(pending_);
  }
  if (!progress) return;
  setText(progressLineText(*progress));
  emit shown(*progress);
}

int pagesPercent(const RunProgress& progress) {
  if (progress.pageCount <= 0) return 0;
  const auto read = std::clamp<int64_t>(progress.pagesRead, 0, progress.pageCount);
  return static_cast<int>(read * 100 / progress.pageCount);
}

QString progressLineText(const RunProgress& progress) {
  QString text = QStringLiteral("File %1 of %2").arg(progress.fileNumber).arg(progress.fileCount);
  if (progress.table.empty()) {
    text +=
        QStringLiteral(": ") + QFileInfo(QString::fromStdString(progress.sourcePath)).fileName();
  } else {
    text += QStringLiteral(", table ") + QString::fromStdString(progress.table);
  }
  if (progress.pageCount > 0) {
    text += QStringLiteral(", %1 of %2 pages read").arg(progress.pagesRead).arg(progress.pageCount);
  }
  text += QStringLiteral(", %1 rows").arg(progress.rowsRead);
  return text;
}

}  // namespace vantrel::gui
