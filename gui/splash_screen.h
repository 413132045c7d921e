#pragma once

#include <QWidget>
#include <functional>

namespace vantrel::gui {

// CSplashScreenEx stand-in: a frameless window in the middle of the screen that goes away
// by itself after its display time, then calls `done`. It never blocks the event loop.
class SplashScreen : public QWidget {
  Q_OBJECT

 public:
  SplashScreen(int displayMilliseconds, std::function<void()> done);
};

}  // namespace vantrel::gui
