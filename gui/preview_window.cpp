#include "gui/preview_window.h"

#include <unistd.h>

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTemporaryFile>
#include <QTimer>
#include <QVBoxLayout>

#include "app/damage_report.h"
#include "app/chosen_destination.h"
#include "app/object_tree.h"
#include "app/ole_extraction.h"
#include "app/preview_loader.h"
#include "app/report_texts.h"
#include "gui/analysis_dialog.h"
#include "gui/common_actions.h"
#include "gui/saving_dialog.h"
#include "gui/skin.h"
#include "gui/texts.h"

namespace vantrel::gui {
namespace {

constexpr int kIndexRole = Qt::UserRole;

QPushButton* button(QWidget* owner, const char* text, const char* name) {
  auto* result = new QPushButton(QString::fromUtf8(text), owner);
  result->setObjectName(QString::fromUtf8(name));
  result->setAutoDefault(true);  // Enter presses the focused button
  return result;
}

// A label that shows its text shortened in the middle when it does not fit; the whole text
// stays in its tool tip.
class PathLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void setPath(const QString& path) {
    path_ = path;
    setToolTip(path);
    refresh();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    refresh();
  }

 private:
  void refresh() { setText(shortenedPath(path_, fontMetrics(), width())); }
  QString path_;
};

QString displayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

}  // namespace

QString shortenedPath(const QString& path, const QFontMetrics& metrics, int width) {
  return metrics.elidedText(path, Qt::ElideMiddle, std::max(width, 1));
}

WaitDialog::WaitDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Wait"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(QStringLiteral("PLease wait ..................."), this);
  text->setObjectName(QStringLiteral("waitText"));
  layout->addWidget(text);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  cancel->setAutoDefault(false);
  layout->addWidget(cancel, 0, Qt::AlignRight);
  connect(cancel, &QPushButton::clicked, this, &WaitDialog::cancelled);
}

PreviewWindow::PreviewWindow(Session& session, std::vector<std::string> sourceFiles,
                             bool skipPreview, QWidget* parent)
    : QDialog(parent),
      session_(session),
      sourceFiles_(std::move(sourceFiles)),
      skipPreview_(skipPreview),
      report_(session.reportFolder) {
  setObjectName(QStringLiteral("CPreview"));
  applySkin(this, session_.applicationFolder, kMainSkin);
  setCaption(this);
  setWindowFlag(Qt::Window);

  menu_ = buildMainMenu(this, false);
  back_ = button(this, "Back", "back");
  saveCurrent_ = button(this, "Save Current Database", "saveCurrentDatabase");
  saveAll_ = button(this, "Save All", "saveAll");
  backDatabase_ = button(this, "Back Database", "backDatabase");
  nextDatabase_ = button(this, "Next Database", "nextDatabase");

  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("objectTree"));
  tree_->setHeaderHidden(true);
  rowList_ = new RowListView(rows_, this);
  rowList_->setObjectName(QStringLiteral("rowList"));
  browser_ = new QPlainTextEdit(this);
  browser_->setObjectName(QStringLiteral("browser"));
  browser_->setReadOnly(true);
  browser_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  browser_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The reports line their columns up with blanks.
  browser_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Ctrl+A and Ctrl+C work in the report view; the tree's right button offers no menu.
  tree_->setContextMenuPolicy(Qt::NoContextMenu);

  pathLabel_ = new QLabel(QStringLiteral("Source File Path    :"), this);
  pathLabel_->setObjectName(QStringLiteral("pathLabel"));
  path_ = new PathLabel(this);
  path_->setObjectName(QStringLiteral("path"));
  path_->setMinimumWidth(100);
  path_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  fileNumberText_ = new QLabel(this);
  fileNumberText_->setObjectName(QStringLiteral("fileNumber"));
  fileNumberText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  totalFiles_ = new QLabel(this);
  totalFiles_->setObjectName(QStringLiteral("totalFiles"));

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menu_.bar);
  auto* info = new QHBoxLayout;
  info->addWidget(pathLabel_);
  info->addWidget(path_, 1);
  info->addWidget(new QLabel(QStringLiteral(" File Number :"), this));
  info->addWidget(fileNumberText_);
  info->addWidget(new QLabel(QStringLiteral("/"), this));
  info->addWidget(totalFiles_);
  layout->addLayout(info);
  auto* group = new QGroupBox(this);
  group->setObjectName(QStringLiteral("groupBox"));
  auto* body = new QHBoxLayout(group);
  auto* splitter = new QSplitter(Qt::Horizontal, group);
  splitter->setObjectName(QStringLiteral("splitter"));
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(tree_);
  shared_ = new QStackedWidget(group);  // the report view and the row list share one place
  shared_->addWidget(browser_);
  shared_->addWidget(rowList_);
  splitter->addWidget(shared_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 2);
  body->addWidget(splitter);
  layout->addWidget(group, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back_);
  buttons->addStretch();
  buttons->addWidget(backDatabase_);
  buttons->addWidget(nextDatabase_);
  buttons->addWidget(saveCurrent_);
  buttons->addWidget(saveAll_);
  layout->addLayout(buttons);
  fitOnScreen(this, QSize(900, 560));

  connect(back_, &QPushButton::clicked, this, &PreviewWindow::back);
  connect(nextDatabase_, &QPushButton::clicked, this, &PreviewWindow::nextDatabase);
  connect(backDatabase_, &QPushButton::clicked, this, &PreviewWindow::backDatabase);
  connect(saveCurrent_, &QPushButton::clicked, this, &PreviewWindow::saveCurrentDatabase);
  connect(menu_.saveCurrentDatabase, &QAction::triggered, this,
          &PreviewWindow::saveCurrentDatabase);
  connect(saveAll_, &QPushButton::clicked, this, &PreviewWindow::saveAll);
  connect(menu_.saveAll, &QAction::triggered, this, &PreviewWindow::saveAll);
  connect(menu_.exit, &QAction::triggered, this, [this] {
    report_.remove();
    if (session_.prompts.question(this, padded("Do you want to exit ?", 27))) quit();
  });
  connect(menu_.viewLog, &QAction::triggered, this, [this] { viewLog(session_, this); });
  connect(menu_.clearLog, &QAction::triggered, this,
          [this] { clearLog(session_, this, padded("Do you want to clear Log File", 16)); });
  connect(menu_.contents, &QAction::triggered, this, [this] { showHelp(session_, this); });
  connect(tree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { selectionChanged(item); });
  connect(&loader_, &Worker::finished, this, &PreviewWindow::loadFinished);
  // Enter or a double click on a picture's cell shows it.
  connect(rowList_, &QAbstractItemView::activated, this, &PreviewWindow::showOleValue);
  connect(&oleLoader_, &Worker::finished, this, [this] {
    if (oleDialog_ != nullptr) oleDialog_->deleteLater();
    oleDialog_ = new OleValueDialog(oleTitle_, oleLoaded_, this);
    oleDialog_->setAttribute(Qt::WA_DeleteOnClose);
    oleDialog_->open();
  });
  // The rows shown, the reader waits for the user to scroll on: nothing to wait for meanwhile.
  connect(&rows_, &RowListModel::readingPaused, this, [this] {
    if (waitDialog_ != nullptr) {
      waitDialog_->deleteLater();
      waitDialog_ = nullptr;
    }
  });
  // Tab goes through the tree, the pane and the buttons in the order they are seen.
  setTabOrder(tree_, browser_);
  setTabOrder(browser_, rowList_);
  setTabOrder(rowList_, back_);
  setTabOrder(back_, backDatabase_);
  setTabOrder(backDatabase_, nextDatabase_);
  setTabOrder(nextDatabase_, saveCurrent_);
  setTabOrder(saveCurrent_, saveAll_);

  const int total = static_cast<int>(sourceFiles_.size());
  menu_.selectSourceFile->setEnabled(false);
  menu_.skipPreview->setEnabled(false);
  if (total == 1) menu_.saveAll->setEnabled(false);
  if (skipPreview_) {
    menu_.saveCurrentDatabase->setEnabled(false);
    menu_.saveAll->setEnabled(true);
  }
  fileNumber_ = 1;
  statesBeforeAnalysis();
  if (skipPreview_) {
    totalFiles_->setText(QString::number(total));
    fileNumberText_->setText(QString::number(total));
    nextDatabase_->setEnabled(false);
    pathLabel_->clear();
  } else {
    static_cast<PathLabel*>(path_)->setPath(QString::fromStdString(sourceFiles_[0]));
    fileNumberText_->setText(QString::number(fileNumber_));
    totalFiles_->setText(QString::number(total));
  }
  shared_->setCurrentWidget(browser_);
}

PreviewWindow::~PreviewWindow() {
  // The loader is joined as the window goes: it stops at its next row rather than at the end.
  if (readerRunning()) {
    rows_.stopReading();
    loaderRun_->requestStop();
  }
  if (oleLoader_.running()) oleRun_->requestStop();
}

void PreviewWindow::showOleValue(const QModelIndex& cell) {
  if (!cell.isValid() || !shownTable_ || oleLoader_.running() ||
      !rows_.isOleColumn(cell.column()) || rows_.cell(cell.row(), cell.column()).isEmpty()) {
    return;
  }
  oleTitle_ = QString::fromStdString(shownTable_->name) + QStringLiteral(": ") +
              rows_.heading(cell.column());
  oleLoaded_.reset();
  oleRun_ = std::make_unique<RunState>(oleHooks_);
  oleLoader_.start([this, path = analysis_.currentSourcePath, id = shownTable_->objectId,
                    name = shownTable_->name, row = cell.row(), column = cell.column()] {
    auto read = readOlePayload(*oleRun_, path, id, name, row, static_cast<size_t>(column));
    if (read) oleLoaded_ = std::move(*read);
  });
}

void PreviewWindow::start() {
  show();
  // After the window is on screen, as its first paint would.
  QTimer::singleShot(0, this, [this] {
    if (skipPreview_) {
      session_.prompts.notice(
          this, padded("Analysis completed, click on save all button to continue", 1));
      statesAfterAnalysis();
      return;
    }
    analyse();
  });
}

bool PreviewWindow::busy() const {
  return held() || loading();
}

bool PreviewWindow::held() const {
  return analysisDialog_ != nullptr || savingDialog_ != nullptr;
}

QString PreviewWindow::reportText() const {
  return browser_->toPlainText();
}

bool PreviewWindow::rowListShown() const {
  return shared_->currentWidget() == rowList_;
}

void PreviewWindow::statesBeforeAnalysis() {
  for (QPushButton* b : {backDatabase_, nextDatabase_, back_, saveAll_, saveCurrent_}) {
    b->setEnabled(false);
  }
  const int total = static_cast<int>(sourceFiles_.size());
  if (total == 1) return;
  if (fileNumber_ == 1 || fileNumber_ != total) {
    backDatabase_->setEnabled(fileNumber_ != 1);
    nextDatabase_->setEnabled(true);
    return;
  }
  saveAll_->setEnabled(true);
  saveAll_->setFocus();
  saveCurrent_->setEnabled(true);
  backDatabase_->setEnabled(true);
  nextDatabase_->setEnabled(false);
}

void PreviewWindow::statesAfterAnalysis() {
  const int total = static_cast<int>(sourceFiles_.size());
  if (total != 1) saveAll_->setEnabled(true);
  saveCurrent_->setEnabled(true);
  if (skipPreview_) {
    saveAll_->setEnabled(true);
    saveCurrent_->setEnabled(false);
    nextDatabase_->setEnabled(false);
    backDatabase_->setEnabled(false);
    totalFiles_->setText(QString::number(total));
    fileNumberText_->setText(QString::number(total));
    static_cast<PathLabel*>(path_)->setPath(QString());
    pathLabel_->clear();
  }
  back_->setEnabled(true);
}

void PreviewWindow::analyse() {
  const std::string& path = sourceFiles_[static_cast<size_t>(fileNumber_ - 1)];
  analysisDialog_ =
      new AnalysisDialog(session_, path, fileNumber_, static_cast<int>(sourceFiles_.size()), this);
  connect(analysisDialog_, &QDialog::finished, this, &PreviewWindow::analysisFinished);
  analysisDialog_->start();
}

void PreviewWindow::analysisFinished() {
  analysis_ = analysisDialog_->result();
  analysisDialog_->deleteLater();
  analysisDialog_ = nullptr;
  fillTree();
  showReport(analysis_.reportText);
  statesAfterAnalysis();
}

void PreviewWindow::fillTree() {
  const QSignalBlocker quiet(tree_);
  tree_->clear();
  auto* root = new QTreeWidgetItem(tree_, {QString::fromStdString(analysis_.tree.root)});
  const auto group = [root](std::string_view name, const std::vector<std::string>& names) {
    auto* item = new QTreeWidgetItem(
        root, {QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))});
    int index = 0;
    for (const std::string& entry : names) {
      auto* child = new QTreeWidgetItem(item, {QString::fromStdString(entry)});
      child->setData(0, kIndexRole, index++);
    }
    return item;
  };
  QTreeWidgetItem* tables = group(kTableGroup, analysis_.tree.tables);
  QTreeWidgetItem* queries = group(kQueryGroup, analysis_.tree.queries);
  QTreeWidgetItem* relations = group(kRelationGroup, analysis_.tree.relations);
  // Damage is listed only where there is some; its group stays closed, however long.
  if (!analysis_.tree.damage.empty()) group(kDamageGroup, analysis_.tree.damage);
  for (QTreeWidgetItem* item : {relations, queries, tables, root})
    item->setExpanded(true);
}

void PreviewWindow::showReport(const std::string& text) {
  shared_->setCurrentWidget(browser_);
  report_.show(text);
  browser_->setPlainText(displayText(text));
}

void PreviewWindow::selectionChanged(QTreeWidgetItem* item) {
  if (item == nullptr || held()) return;
  cancelLoad();
  QTreeWidgetItem* root = tree_->topLevelItem(0);
  const std::string rootText = root->text(0).toStdString();
  const std::string selected = item->text(0).toStdString();
  const std::string parent = item->parent() != nullptr ? item->parent()->text(0).toStdString() : "";
  rows_.clear();
  // An object is found by its place in the lists, so two objects of the same name each show
  // their own contents.
  const bool isEntry = item->data(0, kIndexRole).isValid();
  const auto index = static_cast<size_t>(item->data(0, kIndexRole).toInt());
  const CatalogSummary& summary = analysis_.summary;
  for (const PreviewAction action : previewActions(selected, parent, rootText)) {
    switch (action) {
      case PreviewAction::TablesReport:
        showReport(tablesReportText(summary));
        break;
      case PreviewAction::QueriesReport:
        showReport(queriesReportText(summary, analysis_.previewQueryCount));
        break;
      case PreviewAction::RelationsReport:
        showReport(relationsReportText(summary, analysis_.previewRelationCount));
        break;
      case PreviewAction::TableRows:
        if (isEntry && index < summary.tables.size()) loadTable(summary.tables[index]);
        break;
      case PreviewAction::QueryReport:
        if (isEntry && index < summary.queryList.size()) loadQuery(summary.queryList[index]);
        break;
      case PreviewAction::RelationReport:
        if (isEntry && index < summary.relations.size()) {
          showReport(relationReportText(summary.relations[index]));
        }
        break;
      case PreviewAction::SummaryReport:
        showReport(analysis_.reportText);
        break;
      case PreviewAction::DamageReport:
        showReport(damageReportText(analysis_.damage));
        break;
    }
  }
}

void PreviewWindow::startLoad(std::function<void()> work) {
  if (readerRunning()) {
    // The cancelled load ends at its next row; this object is shown after it.
    selectionPending_ = true;
    return;
  }
  loadCancelled_ = false;
  waitDialog_ = new WaitDialog(this);
  applySkin(waitDialog_, session_.applicationFolder, kDialogSkin);
  connect(waitDialog_, &WaitDialog::cancelled, this, &PreviewWindow::cancelLoad);
  waitDialog_->show();
  loader_.start(std::move(work));
}

void PreviewWindow::loadTable(const CatalogSummary::TableEntry& table) {
  shared_->setCurrentWidget(rowList_);
  if (readerRunning()) {
    selectionPending_ = true;
    return;
  }
  feeder_ = std::make_unique<RowListFeeder>(&rows_);
  loaderRun_ = std::make_unique<RunState>(*feeder_);
  loadingQuery_.reset();
  shownTable_ = table;
  startLoad([this, path = analysis_.currentSourcePath, id = table.objectId, name = table.name] {
    loadPreviewTable(*loaderRun_, path, id, name, *feeder_);
    feeder_->finish();
  });
}

void PreviewWindow::loadQuery(const CatalogSummary::QueryEntry& query) {
  if (readerRunning()) {
    selectionPending_ = true;
    return;
  }
  feeder_ = std::make_unique<RowListFeeder>(nullptr);
  loaderRun_ = std::make_unique<RunState>(*feeder_);
  loadingQuery_ = query.name;
  startLoad([this, path = analysis_.currentSourcePath, id = query.objectId, name = query.name] {
    loadedQuery_ = loadPreviewQuery(*loaderRun_, path, id, name);
  });
}

void PreviewWindow::cancelLoad() {
  selectionPending_ = false;
  if (!readerRunning()) return;
  loadCancelled_ = true;
  rows_.stopReading();
  loaderRun_->requestStop();
  if (waitDialog_ != nullptr) {
    waitDialog_->deleteLater();
    waitDialog_ = nullptr;
  }
}

void PreviewWindow::loadFinished() {
  if (waitDialog_ != nullptr) {
    waitDialog_->deleteLater();
    waitDialog_ = nullptr;
  }
  if (loadingQuery_ && !loadCancelled_) {
    showReport(queryReportText(*loadingQuery_, loadedQuery_.sqlText));
  }
  loadingQuery_.reset();
  if (selectionPending_) {
    selectionPending_ = false;
    selectionChanged(tree_->currentItem());
  }
}

void PreviewWindow::clearShown() {
  cancelLoad();
  report_.remove();
  analysis_ = AnalysisResult();
  shownTable_.reset();
  {
    const QSignalBlocker quiet(tree_);
    tree_->clear();
  }
  rows_.clear();
  // Nothing of the file shown before stays on screen while the next one is analysed.
  browser_->clear();
  shared_->setCurrentWidget(browser_);
}

void PreviewWindow::moveTo(int fileNumber) {
  if (held() || fileNumber < 1 || fileNumber > static_cast<int>(sourceFiles_.size())) return;
  clearShown();
  fileNumber_ = fileNumber;
  pathLabel_->setText(QStringLiteral("Source File Path    :"));
  static_cast<PathLabel*>(path_)->setPath(
      QString::fromStdString(sourceFiles_[static_cast<size_t>(fileNumber_ - 1)]));
  fileNumberText_->setText(QString::number(fileNumber_));
  statesBeforeAnalysis();
  analyse();
}

void PreviewWindow::nextDatabase() {
  moveTo(fileNumber_ + 1);
}

void PreviewWindow::backDatabase() {
  moveTo(fileNumber_ - 1);
  backDatabase_->setFocus();
}

void PreviewWindow::back() {
  if (held()) return;
  cancelLoad();
  report_.remove();
  if (!session_.prompts.question(this, padded("Do you want to go to previous step ?", 10))) {
    return;
  }
  clearShown();
  done(QDialog::Rejected);
}

std::optional<std::string> PreviewWindow::chosenDestination(bool probeFailureIsFatal) {
  const QString anotherPath =
      padded("Saving path doesn't exist, select another path for saving", 1);
  const QString chosen = session_.prompts.chooseDestination(this);
  if (chosen.isEmpty()) return std::nullopt;
  // A server is reached by the saving run, which says when it cannot be.
  if (const auto problem = unusableDestinationText(chosen.toStdString())) {
    session_.prompts.notice(this, QString::fromStdString(*problem));
    return std::nullopt;
  }
  if (isServerDestination(chosen.toStdString())) return chosen.toStdString();
  const QByteArray native = chosen.toLocal8Bit();
  if (::access(native.constData(), R_OK | W_OK | X_OK) != 0) {
    session_.prompts.notice(this, anotherPath);
    return std::nullopt;
  }
  // A new file of its own, created exclusively and removed at once: no file of the user's
  // is ever touched.
  QTemporaryFile probe(chosen + QStringLiteral("/.vantrel-probe-XXXXXX"));
  if (!probe.open()) {
    session_.prompts.notice(
        this, probeFailureIsFatal ? padded("Saving path doesn't exist", 26) : anotherPath);
    return std::nullopt;
  }
  probe.remove();
  return chosen.toStdString();
}

void PreviewWindow::saveCurrentDatabase() {
  if (held() || !saveCurrent_->isEnabled()) return;
  cancelLoad();
  report_.remove();
  const auto folder = chosenDestination(true);
  if (!folder) return;
  SavingRequest request;
  request.sourceFiles = sourceFiles_;
  request.destination = *folder;
  request.saveAll = false;
  request.fileNumber = fileNumber_;
  runSaving(std::move(request));
}

void PreviewWindow::saveAll() {
  if (held() || !saveAll_->isEnabled()) return;
  cancelLoad();
  report_.remove();
  const auto folder = chosenDestination(false);
  if (!folder) return;
  SavingRequest request;
  request.sourceFiles = sourceFiles_;
  request.destination = *folder;
  request.saveAll = true;
  // The analysis stays: when every existing destination is kept, the preview comes back as
  // it was.
  runSaving(std::move(request));
}

void PreviewWindow::runSaving(SavingRequest request) {
  hide();
  savingDialog_ = new SavingDialog(session_, std::move(request), this);
  connect(savingDialog_, &SavingDialog::returned, this, [this] {
    savingDialog_->deleteLater();
    savingDialog_ = nullptr;
    show();
  });
  connect(savingDialog_, &SavingDialog::backToList, this, [this] {
    savingDialog_->deleteLater();
    savingDialog_ = nullptr;
    clearShown();
    done(QDialog::Rejected);  // the main window comes again with its list, as after Back
  });
  savingDialog_->start();
}

void PreviewWindow::quit() {
  cancelLoad();
  report_.remove();
  session_.quit();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    // Esc first ends a running load; only then does it ask about exiting.
    if (loading()) {
      cancelLoad();
      return;
    }
    if (session_.prompts.question(this, padded("Do you want to exit ?", 27))) quit();
    return;
  }
  if (event->key() == Qt::Key_F1) {
    showHelp(session_, this);
    return;
  }
  QDialog::keyPressEvent(event);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (held()) return;
  if (loading()) {
    cancelLoad();
    return;
  }
  report_.remove();
  if (session_.prompts.question(this, padded("Do you want to exit ?", 34))) quit();
}

void PreviewWindow::reject() {
  // Esc is asked about in keyPressEvent; Back ends the preview.
}

}  // namespace vantrel::gui
