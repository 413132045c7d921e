#include "gui/saving_dialog.h"
#include "app/stop_questions.h"

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

  bool confirmStop(RunPhase phase) override {
    const QString text = fromUtf8(stopQuestionText(phase));
    return askOnUiThread(&dialog_, [this, text] {
      dialog_.barsHeld_ = true;
      const bool stop = dialog_.session_.prompts.question(nullptr, text);
      dialog_.barsHeld_ = false;
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
  void reportProgress(const RunProgress& progress) override { dialog_.progress_->post(progress); }

  OverwriteAnswer askOverwrite(const std::filesystem::path&) override {
    return askOnUiThread(&dialog_, [this] {
      dialog_.barsHeld_ = true;
      const OverwriteAnswer answer = dialog_.session_.prompts.overwriteAll(&dialog_);
      dialog_.barsHeld_ = false;
      return answer;
    });
  }
  bool confirmOverwrite(const std::filesystem::path&) override {
    return askOnUiThread(&dialog_, [this] {
      dialog_.barsHeld_ = true;
      const bool yes =
          dialog_.session_.prompts.question(&dialog_, fromUtf8(kOverwriteFileQuestion));
      dialog_.barsHeld_ = false;
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
  // A server logs the steps it takes on its own, and its connecting ends with a stop.
  request_.destinationOptions.log = &session_.log;
  request_.destinationOptions.stop = &run_->stopRequested;
  setObjectName(QStringLiteral("CFileSave"));
  applySkin(this, session_.applicationFolder, kMainSkin);
  setCaption(this);
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
  fitOnScreen(this, QSize(700, 480));

  connect(stop, &QPushButton::clicked, this, [this] { run_->requestStop(); });
  connect(progress_, &ProgressLine::shown, this, &SavingDialog::showBars);
  connect(&worker_, &Worker::finished, this, &SavingDialog::workerFinished);
}

SavingDialog::~SavingDialog() = default;

void SavingDialog::start() {
  open();
  worker_.start([this] { outcome_ = runSaving(request_, *run_, *hooks_, &session_.log); });
}

void SavingDialog::showBars(const RunProgress& progress) {
  if (barsHeld_) return;
  // The bars say what the line beneath them says: the pages of this file read, and the files
  // done with this one's share.
  const int file = pagesPercent(progress);
  current_->setValue(file);
  if (progress.fileCount > 0 && progress.fileNumber > 0) {
    const int done = (progress.fileNumber - 1) * 100 + file;
    overall_->setValue(std::max(overall_->value(), done / progress.fileCount));
  }
}

void SavingDialog::workerFinished() {
  progress_->redraw();
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
      auto* end = new EndDialog(session_, outcome_, request_.destination, parentWidget());
      end->setAttribute(Qt::WA_DeleteOnClose);
      connect(end, &EndDialog::backToList, this, [this] {
        done(QDialog::Accepted);
        emit backToList();
      });
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

EndDialog::EndDialog(Session& session, const SavingOutcome& outcome,
                     const std::filesystem::path& chosenFolder, QWidget* parent)
    : QDialog(parent), session_(session) {
  std::error_code error;
  savedFolder_ =
      !outcome.subfolder.empty() && std::filesystem::is_directory(outcome.subfolder, error)
          ? outcome.subfolder
          : chosenFolder;
  setObjectName(QStringLiteral("CViewLog"));
  applySkin(this, session_.applicationFolder, kDialogSkin);
  setCaption(this);
  setModal(true);
  result_ = label(this, "", "resultText");
  logSavingEnd(session_.log, outcome);  // first, so that a log it cannot write is told too
  result_->setText(endDialogText(outcome, session_.log));
  viewLog_ = new QCheckBox(QStringLiteral("View Log"), this);
  viewLog_->setObjectName(QStringLiteral("viewLogBox"));
  auto* openFolder = new QPushButton(QStringLiteral("Open Folder"), this);
  openFolder->setObjectName(QStringLiteral("openFolder"));
  openFolder->setAutoDefault(true);
  auto* back = new QPushButton(QStringLiteral("Back to the list"), this);
  back->setObjectName(QStringLiteral("backToList"));
  back->setAutoDefault(true);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(result_);
  auto* row = new QHBoxLayout;
  row->addWidget(viewLog_);
  row->addStretch();
  row->addWidget(openFolder);
  row->addWidget(back);
  row->addWidget(ok);
  layout->addLayout(row);
  // A server's schemas are no folder to open.
  openFolder->setVisible(!outcome.destinations ||
                         outcome.destinations->capabilities().filePerSource);
  connect(ok, &QPushButton::clicked, this, &EndDialog::ok);
  connect(openFolder, &QPushButton::clicked, this, [this] {
    session_.prompts.openExternally(QString::fromStdString(savedFolder_.string()));
  });
  connect(back, &QPushButton::clicked, this, [this] {
    if (viewLog_->isChecked()) viewLog(session_, mainWindow());
    hide();
    emit backToList();
    deleteLater();
  });
}

QWidget* EndDialog::mainWindow() {
  QWidget* root = this;
  while (root->parentWidget() != nullptr)
    root = root->parentWidget();
  return root;
}

void EndDialog::ok() {
  QWidget* viewer = viewLog_->isChecked() ? viewLog(session_, mainWindow()) : nullptr;
  hide();
  if (viewer != nullptr) {
    // The log shown in a window of the program's own: the program ends when it is closed.
    connect(viewer, &QObject::destroyed, this, [this] { session_.quit(); });
    return;
  }
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
