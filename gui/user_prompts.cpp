#include "gui/user_prompts.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/common_actions.h"
#include "gui/destination_dialog.h"
#include "gui/skin.h"
#include "gui/texts.h"

namespace vantrel::gui {

std::optional<QString> UserPrompts::password(QWidget*, const QString&) {
  return std::nullopt;
}

std::optional<QString> DesktopPrompts::password(QWidget* owner, const QString& fileName) {
  QDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("passwordDialog"));
  applySkin(&dialog, applicationFolder_, kDialogSkin);
  setCaption(&dialog);
  dialog.setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(
      QStringLiteral("%1 is encrypted. Type its password to repair it:").arg(fileName), &dialog));
  auto* entry = new QLineEdit(&dialog);
  entry->setObjectName(QStringLiteral("password"));
  entry->setEchoMode(QLineEdit::Password);
  layout->addWidget(entry);
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  auto* open = new QPushButton(QStringLiteral("OK"), &dialog);
  open->setObjectName(QStringLiteral("ok"));
  open->setDefault(true);
  auto* skip = new QPushButton(QStringLiteral("Skip this file"), &dialog);
  skip->setObjectName(QStringLiteral("skip"));
  buttons->addWidget(open);
  buttons->addWidget(skip);
  QObject::connect(open, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(skip, &QPushButton::clicked, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted || entry->text().isEmpty()) return std::nullopt;
  return entry->text();
}

bool DesktopPrompts::question(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Question, kMessageCaption, text, QMessageBox::Yes | QMessageBox::No,
                  owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void DesktopPrompts::notice(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Information, kMessageCaption, text, QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

OverwriteAnswer DesktopPrompts::overwriteAll(QWidget* owner) {
  // CSaveMsg: the question with its four answers.
  QDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("CSaveMsg"));
  applySkin(&dialog, applicationFolder_, kDialogSkin);
  setCaption(&dialog);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QString::fromUtf8(kOverwriteAllQuestion.data(),
                                                 static_cast<int>(kOverwriteAllQuestion.size())),
                               &dialog));
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  OverwriteAnswer answer = OverwriteAnswer::No;
  const auto add = [&](const char* text, const char* name, OverwriteAnswer value) {
    auto* button = new QPushButton(QString::fromUtf8(text), &dialog);
    button->setObjectName(QString::fromUtf8(name));
    buttons->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &answer, value] {
      answer = value;
      dialog.accept();
    });
  };
  add("Yes", "yes", OverwriteAnswer::Yes);
  add("No", "no", OverwriteAnswer::No);
  add("Yes To All", "yesToAll", OverwriteAnswer::YesToAll);
  add("No To All", "noToAll", OverwriteAnswer::NoToAll);
  if (dialog.exec() != QDialog::Accepted) return OverwriteAnswer::No;
  return answer;
}

QStringList DesktopPrompts::chooseFiles(QWidget* owner) {
  return QFileDialog::getOpenFileNames(owner, kOpenFilesTitle, QString(), kOpenFilesFilter);
}

QString DesktopPrompts::chooseFolder(QWidget* owner) {
  return QFileDialog::getExistingDirectory(owner, kFolderTitle);
}

QString DesktopPrompts::chooseDestination(QWidget* owner) {
  DestinationDialog dialog(loadDestinationChoice(), owner);
  if (dialog.exec() != QDialog::Accepted) return {};
  const DestinationChoice choice = dialog.choice();
  saveDestinationChoice(choice);
  return QString::fromStdString(choice.address());
}

bool DesktopPrompts::openExternally(const QString& path) {
  // Web and mail addresses (the About box's links) go as they are; anything else is a file.
  const QUrl url(path);
  const bool address = url.scheme() == QLatin1String("https") ||
                       url.scheme() == QLatin1String("http") ||
                       url.scheme() == QLatin1String("mailto");
  return QDesktopServices::openUrl(address ? url : QUrl::fromLocalFile(path));
}

}  // namespace vantrel::gui
