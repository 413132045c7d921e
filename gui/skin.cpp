#include "gui/skin.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace vantrel::gui {

SkinPainter::SkinPainter(QPixmap skin, QWidget* window)
    : QObject(window), skin_(std::move(skin)), window_(window) {}

bool SkinPainter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Paint) {
    const QSize wanted = window_->size();
    if (scaled_.size() != wanted) {
      scaled_ = wanted == skin_.size()
                    ? skin_
                    : skin_.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QPainter painter(window_);
    painter.drawPixmap(0, 0, scaled_);
  }
  return false;  // the window paints itself on top, as usual
}

bool applySkin(QWidget* window, const std::filesystem::path& folder, const char* bitmap) {
  const QString path = QString::fromStdString((folder / bitmap).string());
  QPixmap skin;
  if (!skin.load(path, "BMP")) return false;
  window->installEventFilter(new SkinPainter(std::move(skin), window));
  window->setProperty("skin", path);
  return true;
}

}  // namespace vantrel::gui
