#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "app/saving_run.h"
#include "gui/progress_line.h"
#include "gui/session.h"
#include "gui/worker.h"

namespace vantrel::gui {

// CFileSave: step 3. The saving run works on a worker while this dialog shows the file, the
// saving list and two bars; Stop, Esc, Enter and the close box ask the worker to stop. The
// overwrite questions are asked here while the worker waits. When the worker has finished
// it ends with the end dialog (which ends the program), a completion notice, or quietly.
class SavingDialog : public QDialog {
  Q_OBJECT

 public:
  SavingDialog(Session& session, SavingRequest request, QWidget* parent);
  ~SavingDialog() override;

  void start();
  const SavingOutcome& outcome() const { return outcome_; }

 signals:
  // The run is over and the program goes on in the preview (not after the end dialog).
  void returned();
  // The end dialog's Back to the list: the program goes on in the main window's list.
  void backToList();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  class Hooks;
  void showBars(const RunProgress& progress);
  void workerFinished();
  void finish();

  Session& session_;
  SavingRequest request_;
  std::unique_ptr<Hooks> hooks_;
  std::unique_ptr<RunState> run_;
  QLabel* source_ = nullptr;
  QLabel* fileNumber_ = nullptr;
  QLabel* totalFiles_ = nullptr;
  QLabel* destination_ = nullptr;
  QListWidget* savingList_ = nullptr;
  QProgressBar* current_ = nullptr;
  QProgressBar* overall_ = nullptr;
  ProgressLine* progress_ = nullptr;
  bool barsHeld_ = false;  // while a question waits for its answer
  SavingOutcome outcome_;
  Worker worker_;
};

// CViewLog: the end of a saving run. OK ends the program; Open Folder shows the saved files
// in the desktop's file manager; Back to the list goes on with the main window's list.
class EndDialog : public QDialog {
  Q_OBJECT

 public:
  EndDialog(Session& session, const SavingOutcome& outcome,
            const std::filesystem::path& chosenFolder, QWidget* parent);

  QString resultText() const { return result_->text(); }

 signals:
  void backToList();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void ok();
  // The window every other one belongs to: it outlives the preview.
  QWidget* mainWindow();

  Session& session_;
  std::filesystem::path savedFolder_;
  QLabel* result_ = nullptr;
  QCheckBox* viewLog_ = nullptr;
};

// The text of the end dialog, and of the completion notice, for a run's outcome: the success
// text only when every file was saved or kept by the user's choice.
QString endDialogText(const SavingOutcome& outcome, const ActivityLog& log);
QString completionNotice(const SavingOutcome& outcome, const ActivityLog& log);

}  // namespace vantrel::gui
