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

// Paints `bitmap` of `folder` behind the window's controls, scaled from the top left corner to
// cover the whole window whatever its size (keeping the picture's proportions, so nothing is
// stretched and no edge of it shows); buttons, labels and boxes show it around them. A missing
// or unreadable bitmap leaves the default look. Returns whether the window wears the skin.
bool applySkin(QWidget* window, const std::filesystem::path& folder, const char* bitmap);

// The painter behind applySkin: draws its bitmap before the window paints itself.
// The bitmap scaled to a size that covers `size`, anchored at the top left.
QSize coveringSize(QSize bitmap, QSize size);

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
