#pragma once

#include <QObject>
#include <QPixmap>
#include <filesystem>

class QWidget;

namespace vantrel::gui {

// The bitmaps the windows paint behind their controls, from the application folder: the main,
// preview and saving windows wear the first, every other dialog the second.
inline constexpr char kMainSkin[] = "Vantrel-Access1.bmp";
inline constexpr char kDialogSkin[] = "Skin2.bmp";

// Paints `bitmap` of `folder` at the window's top left corner, at its own size, behind the
// window's controls; buttons, labels and boxes show it around them. A missing or unreadable
// bitmap leaves the default look. Returns whether the window wears the skin.
bool applySkin(QWidget* window, const std::filesystem::path& folder, const char* bitmap);

// The painter behind applySkin: draws its bitmap before the window paints itself.
class SkinPainter : public QObject {
  Q_OBJECT

 public:
  SkinPainter(QPixmap skin, QWidget* window);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPixmap skin_;
  QWidget* window_;
};

}  // namespace vantrel::gui
