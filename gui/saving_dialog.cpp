#include "gui/saving_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "gui/common_actions.h"
#include "gui/skin.h"
#include "gui/texts.h"

namespace vantrel::gui {
namespace {

// Ticks of the creeping overall bar; they go on across the runs of one program run.
int overallTicks = 0;

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* label(QWidget* owner, const char* text, const char* name = nullptr) {
  auto* result = new QLabel(QString::fromUtf8(text), owner);
  if (name != nullptr) result->setObjectName(QString::fromUtf8(name));
  return result;
}

}  // namespace

QString endDialogText(const SavingOutcome& outcome, const ActivityLog& log) {
  return QString::fromStdString(withLogWarning(viewLogResultText(outcome), log));
}

QString completionNotice(const SavingOutcome& outcome, const ActivityLog& log) {
  return QString::fromStdString(withLogWarning(completionNoticeText(outcome), log));
}

class SavingDialog::Hooks : public RunHooks, public SavingHooks {
 public:
  explicit Hooks(SavingDialog& dialog) : dialog_(dialog) {}

  bool confirmStop(std::string_view question) override {
    const QString text = fromUtf8(question);
    return askOnUiThread(&dialog_, [this, text] {
      dialog_.timer_.stop();
      const bool stop = dialog_.session_.prompts.question(nullptr, text);
      if (!stop) dialog_.timer_.start(2000);
      return stop;
    });
  }
  void appendSavingListLine(int, std::string_view text) override {
    const QString line = fromUtf8(text);
    QMetaObject::invokeMethod(
        &dialog_,
        [this, line] {
          auto* item = new QListWidgetItem(line, dialog_.savingList_);
          item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
          dialog_.savingList_->scrollToBottom();
        },
        Qt::QueuedConnection);
  }
  void addPreviewColumn(int, std::string_view) override {}
  void setPreviewCell(int, int, std::string_view) override {}
  void reportProgress(const RunProgress& progress) override { dialog_.progress_->post(progress); }

  OverwriteAnswer askOverwrite(const std::filesystem::path&) override {
    return askOnUiThread(&dialog_, [this] {
      dialog_.timer_.stop();
      const OverwriteAnswer answer = dialog_.session_.prompts.overwriteAll(&dialog_);
      dialog_.timer_.start(1000);
      return answer;
    });
  }
  bool confirmOverwrite(const std::filesystem::path&) override {
    return askOnUiThread(&dialog_, [this] {
      dialog_.timer_.stop();
      const bool yes =
          dialog_.session_.prompts.question(&dialog_, fromUtf8(kOverwriteFileQuestion));
      if (yes) dialog_.timer_.start(1000);
      return yes;
    });
  }
  void showFile(int fileNumber, int fileCount, const std::string& source,
                const std::filesystem::path& destination) override {
    const QString sourceText = QString::fromStdString(source);
    const QString destinationText = QString::fromStdString(destination.string());
    QMetaObject::invokeMethod(
        &dialog_,
        [this, fileNumber, fileCount, sourceText, destinationText] {
          dialog_.source_->setText(sourceText);
          dialog_.fileNumber_->setText(QString::number(fileNumber));
          dialog_.totalFiles_->setText(QString::number(fileCount));
          dialog_.destination_->setText(destinationText);
        },
        Qt::QueuedConnection);
  }
  void showOverallProgress(int percent) override {
    QMetaObject::invokeMethod(
        &dialog_, [this, percent] { dialog_.overall_->setValue(percent); }, Qt::QueuedConnection);
  }

 private:
  SavingDialog& dialog_;
};

SavingDialog::SavingDialog(Session& session, SavingRequest request, QWidget* parent)
    : QDialog(parent),
      session_(session),
      request_(std::move(request)),
      hooks_(std::make_unique<Hooks>(*this)),
      run_(std::make_unique<RunState>(*hooks_)) {
  setObjectName(QStringLiteral("CFileSave"));
  applySkin(this, session_.applicationFolder, kMainSkin);
  setWindowTitle(kWindowTitle);
  setModal(true);

  source_ = label(this, "", "sourcePath");
  fileNumber_ = label(this, "", "fileNumber");
  totalFiles_ = label(this, "", "totalFiles");
  totalFiles_->setText(QString::number(request_.sourceFiles.size()));
  destination_ = label(this, "", "destinationPath");
  savingList_ = new QListWidget(this);
  savingList_->setObjectName(QStringLiteral("savingList"));
  current_ = new QProgressBar(this);
  current_->setObjectName(QStringLiteral("currentProgress"));
  overall_ = new QProgressBar(this);
  overall_->setObjectName(QStringLiteral("overallProgress"));
  for (QProgressBar* bar : {current_, overall_}) {
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
  }
  progress_ = new ProgressLine(this);
  auto* stop = new QPushButton(QStringLiteral("Stop"), this);
  stop->setObjectName(QStringLiteral("stop"));
  stop->setAutoDefault(false);
  auto* pause = new QPushButton(QStringLiteral("Pause"), this);
  pause->setObjectName(QStringLiteral("pause"));
  pause->hide();

  auto* grid = new QGridLayout;
  grid->addWidget(label(this, "Source Path         :     "), 0, 0);
  grid->addWidget(source_, 0, 1, 1, 3);
  grid->addWidget(label(this, "File Number         :"), 1, 0);
  auto* number = new QHBoxLayout;
  number->addWidget(fileNumber_);
  number->addWidget(label(this, "/"));
  number->addWidget(totalFiles_);
  number->addStretch();
  grid->addLayout(number, 1, 1, 1, 3);
  grid->addWidget(label(this, "Destination Path  :"), 2, 0);
  grid->addWidget(destination_, 2, 1, 1, 3);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(savingList_, 1);
  layout->addWidget(label(this, "Current Progress"));
  layout->addWidget(current_);
  layout->addWidget(label(this, "Overall Progress"));
  layout->addWidget(overall_);
  layout->addWidget(progress_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(pause);
  buttons->addWidget(stop);
  layout->addLayout(buttons);
  resize(700, 480);

  connect(stop, &QPushButton::clicked, this, [this] { run_->requestStop(); });
  connect(&timer_, &QTimer::timeout, this, &SavingDialog::tick);
  connect(&worker_, &Worker::finished, this, &SavingDialog::workerFinished);
}

SavingDialog::~SavingDialog() = default;

void SavingDialog::start() {
  open();
  timer_.start(2000);
  worker_.start([this] { outcome_ = runSaving(request_, *run_, *hooks_, &session_.log); });
}

void SavingDialog::tick() {
  int position = current_->value() + 5;
  if (position >= 100) position = 0;
  current_->setValue(position);
  if (request_.saveAll && request_.sourceFiles.size() != 1) return;
  ++overallTicks;
  if (overallTicks <= 80) overall_->setValue(overallTicks);
}

void SavingDialog::workerFinished() {
  timer_.stop();
  current_->setValue(100);
  if (request_.saveAll) {
    finish();
    return;
  }
  // A single file: both bars full for a moment before the dialog goes.
  overall_->setValue(100);
  QTimer::singleShot(session_.savingPause, this, &SavingDialog::finish);
}

void SavingDialog::finish() {
  switch (outcome_.end) {
    case SavingEnd::ViewLog: {
      hide();
      auto* end = new EndDialog(session_, outcome_, parentWidget());
      end->setAttribute(Qt::WA_DeleteOnClose);
      end->open();
      return;
    }
    case SavingEnd::CompletionNotice:
      session_.prompts.notice(this, completionNotice(outcome_, session_.log));
      break;
    case SavingEnd::Quiet:
      break;
  }
  done(QDialog::Accepted);
  emit returned();
}

void SavingDialog::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (worker_.running()) run_->requestStop();
    return;
  }
  QDialog::keyPressEvent(event);
}

void SavingDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (worker_.running()) run_->requestStop();
}

void SavingDialog::reject() {
  if (worker_.running()) run_->requestStop();
}

EndDialog::EndDialog(Session& session, const SavingOutcome& outcome, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName(QStringLiteral("CViewLog"));
  applySkin(this, session_.applicationFolder, kDialogSkin);
  setWindowTitle(kWindowTitle);
  setModal(true);
  result_ = label(this, "", "resultText");
  logSavingEnd(session_.log, outcome);  // first, so that a log it cannot write is told too
  result_->setText(endDialogText(outcome, session_.log));
  viewLog_ = new QCheckBox(QStringLiteral("View Log"), this);
  viewLog_->setObjectName(QStringLiteral("viewLogBox"));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(result_);
  auto* row = new QHBoxLayout;
  row->addWidget(viewLog_);
  row->addStretch();
  row->addWidget(ok);
  layout->addLayout(row);
  connect(ok, &QPushButton::clicked, this, &EndDialog::ok);
}

void EndDialog::ok() {
  if (viewLog_->isChecked()) viewLog(session_);
  hide();
  session_.quit();
}

void EndDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (session_.prompts.question(
            this, QStringLiteral(" Saving process is running, Do you want to exit ? "))) {
      session_.quit();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

void EndDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (session_.prompts.question(this, kExitQuestion)) session_.quit();
}

void EndDialog::reject() {}

}  // namespace vantrel::gui
