#include "gui/common_actions.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

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
  const auto manual = session.applicationFolder / "Vantrel for Microsoft Access.html";
  help->setSource(QUrl::fromLocalFile(QString::fromStdString(manual.string())));
  if (help->toPlainText().isEmpty()) {
    help->setPlainText(QStringLiteral("The manual was not found in ") +
                       QString::fromStdString(session.applicationFolder.string()));
  }
  help->resize(700, 500);
  help->show();
}

void showAbout(QWidget* owner) {
  auto* about = new QDialog(owner);
  about->setObjectName(QStringLiteral("CAboutDlg"));
  about->setAttribute(Qt::WA_DeleteOnClose);
  about->setWindowTitle(QStringLiteral("About Vantrel for Microsoft Access"));
  auto* layout = new QVBoxLayout(about);
  layout->addWidget(new QLabel(QStringLiteral("Vantrel For Microsoft Access v.1.0"), about));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, about);
  QObject::connect(buttons, &QDialogButtonBox::accepted, about, &QDialog::accept);
  layout->addWidget(buttons);
  about->open();
}

}  // namespace vantrel::gui
