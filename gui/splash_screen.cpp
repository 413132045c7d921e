#include "gui/splash_screen.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace vantrel::gui {

SplashScreen::SplashScreen(int displayMilliseconds, std::function<void()> done)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("CSplashScreenEx"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Vantrel for Microsoft Access"), this);
  QFont font = title->font();
  font.setPointSize(font.pointSize() * 2);
  font.setBold(true);
  title->setFont(font);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title);
  resize(460, 200);
  QTimer::singleShot(displayMilliseconds, this, [this, done = std::move(done)] {
    close();
    done();
  });
}

}  // namespace vantrel::gui
