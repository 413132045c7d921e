#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>

namespace vantrel::gui {

// The About box: the icon, the product and version, and the links to the web site, sales and
// support, over the dialogs' skin.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  CAboutDlg(const std::filesystem::path& applicationFolder,
            std::function<void(const QString&)> open, QWidget* parent = nullptr);
};

}  // namespace vantrel::gui
