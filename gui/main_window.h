#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

#include "gui/main_menu.h"
#include "gui/session.h"

namespace vantrel::gui {

class PreviewWindow;

// CSarnexDlg: step 1, the list of source files, Skip preview and Repair.
class MainWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MainWindow(Session& session, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Adds files as Browse does: none when they would make more than 850 rows (every given
  // name counts); otherwise each one that exists and is not listed yet, in order.
  void addFiles(const QStringList& paths);
  // Files a second start of the program handed over: added as Browse adds them, and the
  // window in front (this one, or the preview) comes up.
  void takeHandedFiles(const QStringList& paths);
  QStringList files() const;
  bool skipPreview() const;
  // The preview while one runs, else null.
  PreviewWindow* preview() const;

  void browse();
  void clearSelected();
  void clearAll();
  void repair();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Asks for the password of each encrypted file as a worker opens it, with "Skip this file".
  void askForPasswords();
  void appendRow(const QString& path);
  void updateClearButtons();
  void askExit(const QString& question);

  Session& session_;
  MainMenu menu_;
  QTableWidget* list_ = nullptr;
  QPushButton* browse_ = nullptr;
  QPushButton* clearAll_ = nullptr;
  QPushButton* clearSelected_ = nullptr;
  QPushButton* repair_ = nullptr;
  QCheckBox* skipPreview_ = nullptr;
  QPointer<PreviewWindow> preview_;
};

}  // namespace vantrel::gui
