#include "gui/splash_screen.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace vantrel::gui {

CSplashScreenEx::CSplashScreenEx(const std::filesystem::path& applicationFolder,
                                 int displayMilliseconds, std::function<void()> done)
    : QWidget(nullptr,
              Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      done_(std::move(done)) {
  setObjectName(QStringLiteral("CSplashScreenEx"));
  setAttribute(Qt::WA_DeleteOnClose);
  if (bitmap_.load(QString::fromStdString((applicationFolder / "Flash.bmp").string()), "BMP")) {
    resize(bitmap_.size());
    setMask(bitmap_.createMaskFromColor(QColor(255, 0, 240), Qt::MaskInColor));
  } else {
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Vantrel for Microsoft Access"), this);
    QFont font = title->font();
    font.setPointSize(font.pointSize() * 2);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    resize(460, 200);
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());

  setWindowOpacity(0.0);
  fade(0.0, 1.0, kFadeInMs, nullptr);
  QTimer::singleShot(displayMilliseconds, this, [this] {
    fade(1.0, 0.0, kFadeOutMs, [this] {
      close();
      if (done_) done_();
    });
  });
}

void CSplashScreenEx::fade(double from, double to, int milliseconds, std::function<void()> then) {
  auto* animation = new QPropertyAnimation(this, "windowOpacity", this);
  animation->setStartValue(from);
  animation->setEndValue(to);
  animation->setDuration(milliseconds);
  if (then) connect(animation, &QPropertyAnimation::finished, this, std::move(then));
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CSplashScreenEx::paintEvent(QPaintEvent*) {
  if (bitmap_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, bitmap_);
}

}  // namespace vantrel::gui
