#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <string>

#include "app/analysis_run.h"
#include "gui/progress_line.h"
#include "gui/session.h"
#include "gui/worker.h"

namespace vantrel::gui {

// CProgressBar: step 2 for one file. The analysis runs on a worker while this dialog's bar
// follows the pages read; Stop, the close box and Esc ask the worker to stop, which asks the
// user here. It closes itself when the worker has finished. The file is counted as the
// preview counts it: `fileNumber` of `fileCount`.
class AnalysisDialog : public QDialog {
  Q_OBJECT

 public:
  AnalysisDialog(Session& session, std::string sourcePath, int fileNumber, int fileCount,
                 QWidget* parent);
  ~AnalysisDialog() override;

  // Opens the dialog and starts the worker.
  void start();
  const AnalysisResult& result() const { return result_; }
  int barPosition() const { return bar_->value(); }
  bool barHeld() const { return barHeld_; }
  QString progressText() const { return progress_->text(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  class Hooks;
  bool askStop(const QString& question);

  Session& session_;
  std::string sourcePath_;
  int fileNumber_;
  int fileCount_;
  std::unique_ptr<Hooks> hooks_;
  std::unique_ptr<RunState> run_;
  QProgressBar* bar_ = nullptr;
  QPushButton* stop_ = nullptr;
  ProgressLine* progress_ = nullptr;
  bool barHeld_ = false;
  AnalysisResult result_;
  Worker worker_;
};

}  // namespace vantrel::gui
