#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

#include "app/saving_run.h"

class QWidget;

namespace vantrel::gui {

// Everything the windows ask of the user or hand to the desktop: questions, notices, the file
// and folder choosers and the external opener. The windows only reach these through this
// interface, so a test can script the answers and record the exact texts.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // A Yes / No question captioned "Vantrel for Microsoft Access"; Esc or closing counts as No.
  virtual bool question(QWidget* owner, const QString& text) = 0;
  // An information notice with OK.
  virtual void notice(QWidget* owner, const QString& text) = 0;
  // The Save All overwrite question: Yes, No, Yes To All or No To All (closing it is No).
  virtual OverwriteAnswer overwriteAll(QWidget* owner) = 0;
  // " Open Access files": the chosen files, none when cancelled.
  virtual QStringList chooseFiles(QWidget* owner) = 0;
  // "Select the Destination Path": the chosen folder, empty when cancelled.
  virtual QString chooseFolder(QWidget* owner) = 0;
  // "Save into": a folder or a PostgreSQL database, as the saving run takes it; empty when
  // cancelled. The choice is remembered for the next run.
  virtual QString chooseDestination(QWidget* owner) = 0;
  // Opens a file in the desktop's program for it (the log in a text editor, the manual), or
  // a web or mail address (the About box's links).
  virtual bool openExternally(const QString& path) = 0;
  // "Password": the password of the encrypted file `fileName`, typed unseen; none when the
  // user chose "Skip this file" or closed the dialog. Prompts that script no answer skip.
  virtual std::optional<QString> password(QWidget* owner, const QString& fileName);
};

// The real dialogs.
class DesktopPrompts : public UserPrompts {
 public:
  // `applicationFolder` holds the dialogs' skin.
  explicit DesktopPrompts(std::filesystem::path applicationFolder)
      : applicationFolder_(std::move(applicationFolder)) {}

  bool question(QWidget* owner, const QString& text) override;
  void notice(QWidget* owner, const QString& text) override;
  OverwriteAnswer overwriteAll(QWidget* owner) override;
  QStringList chooseFiles(QWidget* owner) override;
  QString chooseFolder(QWidget* owner) override;
  QString chooseDestination(QWidget* owner) override;
  bool openExternally(const QString& path) override;
  std::optional<QString> password(QWidget* owner, const QString& fileName) override;

 private:
  std::filesystem::path applicationFolder_;
};

}  // namespace vantrel::gui
