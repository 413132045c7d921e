#include "gui/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <vector>

#include "app/log_texts.h"
#include "gui/common_actions.h"
#include "gui/preview_window.h"
#include "gui/skin.h"
#include "gui/texts.h"
#include "reader/source_passwords.h"

namespace vantrel::gui {
namespace {

// Enter presses the focused button, else Repair.
QPushButton* button(QWidget* owner, const char* text, const char* name) {
  auto* result = new QPushButton(QString::fromUtf8(text), owner);
  result->setObjectName(QString::fromUtf8(name));
  result->setAutoDefault(true);
  return result;
}

// Two paths name the same file when they resolve to the same canonical path; names that
// differ only in case are different files here.
QString identityOf(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

}  // namespace

MainWindow::MainWindow(Session& session, QWidget* parent) : QDialog(parent), session_(session) {
  setObjectName(QStringLiteral("CSarnexDlg"));
  applySkin(this, session_.applicationFolder, kMainSkin);
  setCaption(this);
  setAcceptDrops(true);

  menu_ = buildMainMenu(this, true);
  askForPasswords();
  list_ = new QTableWidget(0, 2, this);
  list_->setObjectName(QStringLiteral("sourceFileList"));
  list_->setHorizontalHeaderLabels({QStringLiteral(" File No."), QStringLiteral(" File Name")});
  list_->setColumnWidth(0, 60);
  list_->setColumnWidth(1, 500);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft);
  list_->verticalHeader()->hide();
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(true);
  list_->setWordWrap(false);
  list_->setTabKeyNavigation(false);  // the list takes Tab once, then the buttons have it

  browse_ = button(this, "Browse", "browse");
  clearSelected_ = button(this, "Clear selected", "clearSelected");
  clearAll_ = button(this, "Clear All", "clearAll");
  repair_ = button(this, "Repair", "repair");
  skipPreview_ = new QCheckBox(QStringLiteral("Skip preview"), this);
  skipPreview_->setObjectName(QStringLiteral("skipPreview"));

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menu_.bar);
  auto* top = new QHBoxLayout;
  top->addWidget(browse_);
  top->addStretch();
  layout->addLayout(top);
  layout->addWidget(list_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(clearSelected_);
  bottom->addWidget(clearAll_);
  bottom->addStretch();
  bottom->addWidget(skipPreview_);
  bottom->addWidget(repair_);
  layout->addLayout(bottom);
  fitOnScreen(this, QSize(640, 420));
  setTabOrder(browse_, list_);
  setTabOrder(list_, clearSelected_);
  setTabOrder(clearSelected_, clearAll_);
  setTabOrder(clearAll_, skipPreview_);
  setTabOrder(skipPreview_, repair_);
  repair_->setDefault(true);

  connect(browse_, &QPushButton::clicked, this, &MainWindow::browse);
  connect(menu_.selectSourceFile, &QAction::triggered, this, &MainWindow::browse);
  connect(clearSelected_, &QPushButton::clicked, this, &MainWindow::clearSelected);
  connect(clearAll_, &QPushButton::clicked, this, &MainWindow::clearAll);
  connect(repair_, &QPushButton::clicked, this, &MainWindow::repair);
  // The box and the menu item show the same state whichever of them is used.
  connect(skipPreview_, &QCheckBox::toggled, menu_.skipPreview, &QAction::setChecked);
  connect(menu_.skipPreview, &QAction::toggled, skipPreview_, &QCheckBox::setChecked);
  connect(menu_.viewLog, &QAction::triggered, this, [this] { viewLog(session_, this); });
  connect(menu_.clearLog, &QAction::triggered, this,
          [this] { clearLog(session_, this, padded("Do you want to clear Log File ?", 13)); });
  connect(menu_.contents, &QAction::triggered, this, [this] { showHelp(session_, this); });
  connect(menu_.about, &QAction::triggered, this, [this] { showAbout(session_, this); });
  connect(menu_.exit, &QAction::triggered, this,
          [this] { askExit(padded("Do you want to exit ?", 22)); });

  logStartBanner(session_.log, currentLogTime());
  menu_.saveCurrentDatabase->setEnabled(false);
  menu_.saveAll->setEnabled(false);
  updateClearButtons();
  logFileListReady(session_.log);
}

MainWindow::~MainWindow() {
  setSourcePasswordAsker(nullptr);
}

void MainWindow::askForPasswords() {
  // The files are opened on workers: the dialog is shown on this window's thread, and the
  // worker waits for the answer.
  setSourcePasswordAsker([this](const std::filesystem::path& file) -> std::optional<SecretText> {
    std::optional<QString> answer;
    const auto ask = [this, &file, &answer] {
      answer = session_.prompts.password(this, QString::fromStdString(file.filename().string()));
    };
    if (QThread::currentThread() == thread()) {
      ask();
    } else {
      QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
    }
    if (!answer) return std::nullopt;
    return SecretText(answer->toStdString());
  });
}

PreviewWindow* MainWindow::preview() const {
  return preview_;
}

void MainWindow::appendRow(const QString& path) {
  const int row = list_->rowCount();
  list_->insertRow(row);
  list_->setItem(row, 0, new QTableWidgetItem(QString::number(row + 1)));
  list_->setItem(row, 1, new QTableWidgetItem(path));
}

void MainWindow::updateClearButtons() {
  const bool any = list_->rowCount() > 0;
  clearAll_->setEnabled(any);
  clearSelected_->setEnabled(any);
}

QStringList MainWindow::files() const {
  QStringList paths;
  for (int row = 0; row < list_->rowCount(); ++row)
    paths << list_->item(row, 1)->text();
  return paths;
}

bool MainWindow::skipPreview() const {
  return skipPreview_->isChecked();
}

void MainWindow::addFiles(const QStringList& paths) {
  if (paths.isEmpty()) return;
  if (paths.size() + list_->rowCount() > kMaxFiles) {
    session_.prompts.notice(this, padded("You can't select more then 850 files", 15));
    return;
  }
  QStringList listed;
  for (const QString& path : files())
    listed << identityOf(path);
  for (const QString& path : paths) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) continue;
    const QString identity = identityOf(path);
    if (listed.contains(identity)) continue;
    listed << identity;
    appendRow(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
  }
  updateClearButtons();
}

void MainWindow::takeHandedFiles(const QStringList& paths) {
  addFiles(paths);
  QWidget* front = preview_ != nullptr ? static_cast<QWidget*>(preview_) : this;
  if (front->isMinimized()) front->showNormal();
  front->raise();
  front->activateWindow();
}

void MainWindow::browse() {
  addFiles(session_.prompts.chooseFiles(this));
}

void MainWindow::clearSelected() {
  const int row = list_->currentRow();
  if (row < 0 || list_->selectedItems().isEmpty()) {
    session_.prompts.notice(this, padded("Please select any file to remove", 19));
    return;
  }
  if (!session_.prompts.question(this, padded("Do you want to clear the selected file ?", 4))) {
    return;
  }
  list_->removeRow(row);
  // The rows are numbered 1..n again.
  const QStringList remaining = files();
  list_->setRowCount(0);
  for (const QString& path : remaining)
    appendRow(path);
  list_->clearSelection();
  updateClearButtons();
}

void MainWindow::clearAll() {
  if (list_->rowCount() == 0) return;
  if (!session_.prompts.question(this, padded("Do you want to clear all files ?", 21))) return;
  list_->setRowCount(0);
  updateClearButtons();
}

void MainWindow::repair() {
  const QStringList paths = files();
  std::vector<std::string> sourceFiles;
  for (const QString& path : paths)
    sourceFiles.push_back(path.toStdString());
  logSourceFiles(session_.log, sourceFiles);
  if (sourceFiles.empty()) {
    session_.prompts.notice(this, padded("No files selected, Kindly select a file", 13));
    return;
  }
  if (preview_ != nullptr) return;
  hide();
  preview_ = new PreviewWindow(session_, std::move(sourceFiles), skipPreview(), this);
  connect(preview_, &QDialog::finished, this, [this] {
    // Back: the main window comes again with its rows.
    preview_->deleteLater();
    preview_ = nullptr;
    showNormal();
  });
  preview_->start();
}

void MainWindow::askExit(const QString& question) {
  if (session_.prompts.question(this, question)) session_.quit();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    askExit(padded("Do you want to exit ?", 18));
    return;
  }
  if (event->key() == Qt::Key_F1) {
    showHelp(session_, this);
    return;
  }
  if (event->key() == Qt::Key_Delete && list_->hasFocus()) {
    clearSelected();
    return;
  }
  QDialog::keyPressEvent(event);
}

void MainWindow::reject() {
  // Esc is asked about in keyPressEvent; nothing else ends this dialog on its own.
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  repair_->setEnabled(false);
  askExit(padded("Do you want to exit ?", 34));
  repair_->setEnabled(true);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  addFiles(paths);
  event->acceptProposedAction();
}

}  // namespace vantrel::gui
