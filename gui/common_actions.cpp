#include "gui/common_actions.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/configuration.h"
#include "gui/about_dialog.h"
#include "gui/texts.h"

namespace vantrel::gui {

void viewLog(Session& session) {
  session.prompts.openExternally(QString::fromStdString(session.log.path().string()));
}

void clearLog(Session& session, QWidget* owner, const QString& question) {
  if (session.prompts.question(owner, question)) session.log.clear();
}

void showHelp(Session& session, QWidget* owner) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->windowTitle() == kHelpTitle && window->isVisible()) {
      window->raise();
      return;
    }
  }
  auto* help = new QTextBrowser(owner);
  help->setWindowFlag(Qt::Window);
  help->setAttribute(Qt::WA_DeleteOnClose);
  help->setObjectName(QStringLiteral("help"));
  help->setWindowTitle(kHelpTitle);
  const auto manual = manualFolder(session.applicationFolder) / "index.html";
  help->setSource(QUrl::fromLocalFile(QString::fromStdString(manual.string())));
  if (help->toPlainText().isEmpty()) {
    help->setPlainText(QStringLiteral("The manual was not found: ") +
                       QString::fromStdString(manual.string()));
  }
  help->resize(700, 500);
  help->show();
}

void showAbout(Session& session, QWidget* owner) {
  auto* about = new CAboutDlg(
      session.applicationFolder,
      [&session](const QString& address) { session.prompts.openExternally(address); }, owner);
  about->setAttribute(Qt::WA_DeleteOnClose);
  about->setModal(true);
  about->open();
}

}  // namespace vantrel::gui
