#pragma once

#include <QPixmap>
#include <QWidget>
#include <filesystem>
#include <functional>

namespace vantrel::gui {

// The splash screen: "Flash.bmp" of the application folder in a frameless window on top of
// the others in the middle of the screen, shaped by the colour key RGB(255, 0, 240) (every
// pixel of that colour is left out of the window). It fades in over 500 ms, stays for its
// display time, fades out over 200 ms, then calls `done`, all on timers: the event loop goes
// on meanwhile. Without the bitmap it shows the product's name instead.
class CSplashScreenEx : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kFadeInMs = 500;
  static constexpr int kFadeOutMs = 200;

  CSplashScreenEx(const std::filesystem::path& applicationFolder, int displayMilliseconds,
                  std::function<void()> done);

  bool hasBitmap() const { return !bitmap_.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void fade(double from, double to, int milliseconds, std::function<void()> then);

  QPixmap bitmap_;
  std::function<void()> done_;
};

}  // namespace vantrel::gui
