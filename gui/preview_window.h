#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/analysis_run.h"
#include "app/preview_loader.h"
#include "app/report_file.h"
#include "gui/analysis_dialog.h"
#include "gui/main_menu.h"
#include "gui/ole_value_dialog.h"
#include "gui/row_list_model.h"
#include "gui/row_list_view.h"
#include "gui/saving_dialog.h"
#include "gui/session.h"
#include "gui/worker.h"

namespace vantrel::gui {

// Wait: shown while one table or query is loaded for the preview. It leaves the preview
// usable meanwhile (rows show as they come) and does not take the keyboard from it; Cancel
// ends the load.
class WaitDialog : public QDialog {
  Q_OBJECT

 public:
  explicit WaitDialog(QWidget* parent);

 signals:
  void cancelled();

 protected:
  void reject() override { emit cancelled(); }
};

// CPreview: what the analysis found in one file at a time, and where saving starts.
class PreviewWindow : public QDialog {
  Q_OBJECT

 public:
  PreviewWindow(Session& session, std::vector<std::string> sourceFiles, bool skipPreview,
                QWidget* parent);
  ~PreviewWindow() override;

  // Shows the window and analyses the first file (or, with Skip preview, tells the user to
  // save all).
  void start();

  int fileNumber() const { return fileNumber_; }
  // True while an analysis, a load or a saving run is going on.
  bool busy() const;
  // True while a table or query is read for display; a table's reader that waits for the user
  // to scroll on does not count.
  bool loading() const { return readerRunning() && !rows_.readAhead()->waiting(); }
  // True while the loader's thread is there, reading or waiting.
  bool readerRunning() const { return loader_.running(); }
  // Ends the running load, if any, at its next row; what it had shown stays.
  void cancelLoad();
  WaitDialog* waitDialog() const { return waitDialog_; }
  const CatalogSummary& summary() const { return analysis_.summary; }
  // The text the report view shows, and the temporary file that holds it.
  QString reportText() const;
  const ReportFile& reportFile() const { return report_; }
  RowListModel& rows() { return rows_; }
  bool rowListShown() const;
  AnalysisDialog* analysisDialog() const { return analysisDialog_; }
  SavingDialog* savingDialog() const { return savingDialog_; }
  OleValueDialog* oleValueDialog() const { return oleDialog_; }
  // Shows the OLE Object value of the row list's cell: its picture, or what it holds.
  void showOleValue(const QModelIndex& cell);

  void nextDatabase();
  void backDatabase();
  void back();
  void saveCurrentDatabase();
  void saveAll();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void analyse();
  void analysisFinished();
  void fillTree();
  void clearShown();
  void statesBeforeAnalysis();
  void statesAfterAnalysis();
  void moveTo(int fileNumber);
  void selectionChanged(QTreeWidgetItem* item);
  void showReport(const std::string& text);
  void loadTable(const CatalogSummary::TableEntry& table);
  void loadQuery(const CatalogSummary::QueryEntry& query);
  void runSaving(SavingRequest request);
  // The chosen destination: a server's address, or a folder that can be written to, checked
  // by creating and removing a new file of its own there; empty after the notice when it
  // cannot be used.
  std::optional<std::string> chosenDestination(bool probeFailureIsFatal);
  void quit();
  // An analysis or a saving run holds the window.
  bool held() const;
  void loadFinished();
  void startLoad(std::function<void()> work);

  Session& session_;
  std::vector<std::string> sourceFiles_;
  bool skipPreview_;
  int fileNumber_ = 0;
  AnalysisResult analysis_;
  ReportFile report_;
  RowListModel rows_;

  MainMenu menu_;
  QPushButton* back_ = nullptr;
  QPushButton* saveCurrent_ = nullptr;
  QPushButton* saveAll_ = nullptr;
  QPushButton* backDatabase_ = nullptr;
  QPushButton* nextDatabase_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  RowListView* rowList_ = nullptr;
  QPlainTextEdit* browser_ = nullptr;
  QStackedWidget* shared_ = nullptr;
  QLabel* pathLabel_ = nullptr;
  QLabel* path_ = nullptr;
  QLabel* fileNumberText_ = nullptr;
  QLabel* totalFiles_ = nullptr;

  QPointer<AnalysisDialog> analysisDialog_;
  QPointer<WaitDialog> waitDialog_;
  QPointer<SavingDialog> savingDialog_;
  std::unique_ptr<RowListFeeder> feeder_;
  std::unique_ptr<RunState> loaderRun_;
  QueryText loadedQuery_;
  // What the running load shows when it ends: a query's report, unless cancelled.
  std::optional<std::string> loadingQuery_;
  bool loadCancelled_ = false;
  // Another object was chosen while a load was ending: it is shown once the load has ended.
  bool selectionPending_ = false;
  Worker loader_;

  // The table the row list shows, and the reading of one of its OLE Object values.
  std::optional<CatalogSummary::TableEntry> shownTable_;
  SilentRunHooks oleHooks_;
  std::unique_ptr<RunState> oleRun_;
  std::optional<OlePayload> oleLoaded_;
  QString oleTitle_;
  QPointer<OleValueDialog> oleDialog_;
  Worker oleLoader_;  // last: joined before what it uses goes
};

// The path as the path label shows it in `width` pixels of `font`: shortened in the middle.
QString shortenedPath(const QString& path, const QFontMetrics& metrics, int width);

}  // namespace vantrel::gui
