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

// Paints `bitmap` of `folder` behind the window's controls, scaled to the window whatever its
// size, so that its frame lies on the window's edges and no edge of the picture shows inside;
// buttons, labels and boxes show it around them. A missing or unreadable bitmap leaves the
// default look. Returns whether the window wears the skin.
bool applySkin(QWidget* window, const std::filesystem::path& folder, const char* bitmap);

// The painter behind applySkin: draws its bitmap before the window paints itself.
class SkinPainter : public QObject {
  Q_OBJECT

 public:
  SkinPainter(QPixmap skin, QWidget* window);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPixmap skin_;
  QPixmap scaled_;  // the skin at the window's last size
  QWidget* window_;
};

}  // namespace vantrel::gui
