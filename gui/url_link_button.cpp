#include "gui/url_link_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace vantrel::gui {

CURLLinkButton::CURLLinkButton(const QString& text, const QString& url, const QString& prefix,
                               std::function<void(const QString&)> open, QWidget* parent)
    : QPushButton(text, parent), url_(url), prefix_(prefix), open_(std::move(open)) {
  setFlat(true);
  setCursor(Qt::PointingHandCursor);
  setToolTip(prefix_ + (url_.isEmpty() ? text : url_));
  setAttribute(Qt::WA_Hover);
  connect(this, &QPushButton::clicked, this, &CURLLinkButton::follow);
}

QColor CURLLinkButton::textColour() const {
  if (!isEnabled()) return palette().color(QPalette::Disabled, QPalette::Text);
  if (hovering_) return palette().color(QPalette::Active, QPalette::Link);
  if (visited_) return QColor(128, 0, 128);
  return palette().color(QPalette::Active, QPalette::Highlight);
}

QFont CURLLinkButton::linkFont() const {
  QFont font = this->font();
  font.setPixelSize(14);
  font.setWeight(QFont::ExtraBold);
  font.setUnderline(true);
  return font;
}

QSize CURLLinkButton::sizeHint() const {
  const QFontMetrics metrics(linkFont());
  return {metrics.horizontalAdvance(text()) + 8, metrics.height() + 6};
}

void CURLLinkButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(linkFont());
  painter.setPen(textColour());
  painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void CURLLinkButton::enterEvent(QEnterEvent* event) {
  hovering_ = true;
  update();
  QPushButton::enterEvent(event);
}

void CURLLinkButton::leaveEvent(QEvent* event) {
  hovering_ = false;
  update();
  QPushButton::leaveEvent(event);
}

void CURLLinkButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) return;  // a link is not pressed with the space bar
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    enterPressed_ = true;
    return;
  }
  QPushButton::keyPressEvent(event);
}

void CURLLinkButton::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) return;
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && enterPressed_) {
    enterPressed_ = false;
    follow();
    return;
  }
  QPushButton::keyReleaseEvent(event);
}

void CURLLinkButton::follow() {
  if (!isEnabled()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  open_(prefix_ + (url_.isEmpty() ? text() : url_));
  QApplication::restoreOverrideCursor();
  visited_ = true;
  update();
}

}  // namespace vantrel::gui
