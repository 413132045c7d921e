#include "gui/analysis_dialog.h"
#include "app/stop_questions.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "gui/common_actions.h"
#include "gui/skin.h"
#include "gui/texts.h"

namespace vantrel::gui {

class AnalysisDialog::Hooks : public SilentRunHooks {
 public:
  explicit Hooks(AnalysisDialog& dialog) : dialog_(dialog) {}
  bool confirmStop(RunPhase phase) override {
    const std::string_view question = stopQuestionText(phase);
    const QString text =
        QString::fromUtf8(question.data(), static_cast<qsizetype>(question.size()));
    return askOnUiThread(&dialog_, [this, text] { return dialog_.askStop(text); });
  }
  void reportProgress(const RunProgress& progress) override {
    RunProgress counted = progress;
    counted.fileNumber = dialog_.fileNumber_;
    counted.fileCount = dialog_.fileCount_;
    dialog_.progress_->post(counted);
  }

 private:
  AnalysisDialog& dialog_;
};

AnalysisDialog::AnalysisDialog(Session& session, std::string sourcePath, int fileNumber,
                               int fileCount, QWidget* parent)
    : QDialog(parent),
      session_(session),
      sourcePath_(std::move(sourcePath)),
      fileNumber_(fileNumber),
      fileCount_(fileCount),
      hooks_(std::make_unique<Hooks>(*this)),
      run_(std::make_unique<RunState>(*hooks_)) {
  setObjectName(QStringLiteral("CProgressBar"));
  applySkin(this, session_.applicationFolder, kDialogSkin);
  setCaption(this);
  setModal(true);

  auto* group = new QGroupBox(this);
  group->setObjectName(QStringLiteral("groupBox"));
  auto* status = new QLabel(QStringLiteral("Analysis is in progress, please  wait ....."), group);
  status->setObjectName(QStringLiteral("statusText"));
  bar_ = new QProgressBar(group);
  bar_->setObjectName(QStringLiteral("progressBar"));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  progress_ = new ProgressLine(group);
  stop_ = new QPushButton(QStringLiteral("Stop"), this);
  stop_->setObjectName(QStringLiteral("stop"));
  stop_->setAutoDefault(false);
  auto* pause = new QPushButton(QStringLiteral("Pause"), this);
  pause->setObjectName(QStringLiteral("pause"));
  pause->hide();

  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(status);
  groupLayout->addWidget(bar_);
  groupLayout->addWidget(progress_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(pause);
  buttons->addWidget(stop_);
  layout->addLayout(buttons);
  resize(460, 160);

  connect(stop_, &QPushButton::clicked, this, [this] { run_->requestStop(); });
  connect(progress_, &ProgressLine::shown, this, [this](const RunProgress& progress) {
    if (!barHeld_) bar_->setValue(pagesPercent(progress));
  });
  connect(&worker_, &Worker::finished, this, [this] {
    progress_->redraw();
    done(QDialog::Accepted);
  });
}

AnalysisDialog::~AnalysisDialog() = default;

void AnalysisDialog::start() {
  open();
  worker_.start([this] { result_ = runAnalysis(sourcePath_, *run_, &session_.log, nullptr); });
}

bool AnalysisDialog::askStop(const QString& question) {
  // The bar holds while the question waits for its answer.
  barHeld_ = true;
  const bool stop = session_.prompts.question(nullptr, question);
  barHeld_ = false;
  return stop;
}

void AnalysisDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    run_->requestStop();
    return;
  }
  QDialog::keyPressEvent(event);
}

void AnalysisDialog::closeEvent(QCloseEvent* event) {
  // The dialog stays until the worker has finished.
  if (worker_.running()) {
    run_->requestStop();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void AnalysisDialog::reject() {
  if (worker_.running()) {
    run_->requestStop();
    return;
  }
  QDialog::reject();
}

}  // namespace vantrel::gui
