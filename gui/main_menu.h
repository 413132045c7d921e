#pragma once

#include <QAction>
#include <QMenuBar>

namespace vantrel::gui {

// The menu shared by the main window and the preview: File, Option and Help.
struct MainMenu {
  QMenuBar* bar = nullptr;
  QAction* selectSourceFile = nullptr;
  QAction* saveCurrentDatabase = nullptr;
  QAction* saveAll = nullptr;
  QAction* exit = nullptr;
  QAction* skipPreview = nullptr;
  QAction* viewLog = nullptr;
  QAction* clearLog = nullptr;
  QAction* contents = nullptr;
  QAction* about = nullptr;  // the main window only
};

MainMenu buildMainMenu(QWidget* owner, bool withAbout);

}  // namespace vantrel::gui
