#include "gui/main_menu.h"

#include <QMenu>

namespace vantrel::gui {
namespace {

QAction* item(QMenu* menu, const char* text, const char* name) {
  QAction* action = menu->addAction(QString::fromUtf8(text));
  action->setObjectName(QString::fromUtf8(name));
  return action;
}

}  // namespace

MainMenu buildMainMenu(QWidget* owner, bool withAbout) {
  MainMenu menu;
  menu.bar = new QMenuBar(owner);
  menu.bar->setObjectName(QStringLiteral("mainMenu"));
  // Alt and the underlined letter open each menu from the keyboard.
  QMenu* file = menu.bar->addMenu(QStringLiteral("&File"));
  menu.selectSourceFile = item(file, "Select Source File", "selectSourceFile");
  menu.saveCurrentDatabase = item(file, "Save Current Database", "saveCurrentDatabaseItem");
  menu.saveAll = item(file, "Save All", "saveAllItem");
  menu.exit = item(file, "Exit", "exit");
  QMenu* option = menu.bar->addMenu(QStringLiteral("&Option"));
  menu.skipPreview = item(option, "Skip Preview", "skipPreviewItem");
  menu.skipPreview->setCheckable(true);
  menu.viewLog = item(option, "View Log", "viewLog");
  menu.clearLog = item(option, "Clear Log", "clearLog");
  QMenu* help = menu.bar->addMenu(QStringLiteral("&Help"));
  menu.contents = item(help, "Contents", "contents");
  if (withAbout) {
    menu.about = item(help, "About Vantrel for  Microsoft Access", "about");
    // The keyboard's way to the About box, besides Alt+H.
    menu.about->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));
  }
  return menu;
}

}  // namespace vantrel::gui
