// The windows driven as a user would: scripted answers to every question, the exact texts
// recorded, and what each window shows checked against the command line.

#include <QAction>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <ctime>
#include <deque>
#include <fstream>
#include <functional>

#include "app/saving_run.h"
#include "gui/main_window.h"
#include "gui/preview_window.h"
#include "gui/saving_dialog.h"
#include "gui/single_instance.h"
#include "gui/texts.h"
#include "gui/user_prompts.h"
#include "tests/support/corpus.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/process.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"
#include "tools/mkdb/synthetic.h"

namespace vantrel::gui {
namespace {

namespace fs = std::filesystem;
constexpr int kLong = 120'000;  // ms; the sanitizer build is slow

class ScriptedPrompts : public UserPrompts {
 public:
  bool question(QWidget*, const QString& text) override {
    questions << text;
    if (onQuestion) onQuestion(text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void notice(QWidget*, const QString& text) override { notices << text; }
  OverwriteAnswer overwriteAll(QWidget*) override {
    ++overwriteQuestions;
    if (overwriteAnswers.empty()) return OverwriteAnswer::No;
    const OverwriteAnswer answer = overwriteAnswers.front();
    overwriteAnswers.pop_front();
    return answer;
  }
  QStringList chooseFiles(QWidget*) override { return files; }
  QString chooseFolder(QWidget*) override { return folder; }
  bool openExternally(const QString& path) override {
    opened << path;
    return true;
  }

  QStringList questions;
  QStringList notices;
  std::deque<bool> answers;
  std::function<void(const QString&)> onQuestion;
  std::deque<OverwriteAnswer> overwriteAnswers;
  int overwriteQuestions = 0;
  QStringList files;
  QString folder;
  QStringList opened;
};

// One program run's shared state, in a folder of its own.
struct Harness {
  Harness()
      : session{prompts,
                ActivityLog(dir / "Activity Log.txt"),
                dir.path(),
                dir / "reports",
                [this] { ++quits; },
                std::chrono::milliseconds(0)} {
    fs::create_directory(session.reportFolder);
  }
  std::string log() const { return test::readTextFile(session.log.path()); }

  test::TempDir dir;
  ScriptedPrompts prompts;
  Session session;
  int quits = 0;
};

std::string sample(const char* name) {
  return std::string(VANTREL_SOURCE_DIR) + "/samples/" + name;
}

template <class T = QWidget>
T* child(QObject* parent, const char* name) {
  T* found = parent->findChild<T*>(QString::fromUtf8(name));
  if (found == nullptr) qFatal("no child %s", name);
  return found;
}

QTreeWidget* treeOf(PreviewWindow& preview) {
  return child<QTreeWidget>(&preview, "objectTree");
}

bool analysed(PreviewWindow& preview) {
  return !preview.busy() && treeOf(preview)->topLevelItemCount() == 1;
}

void select(PreviewWindow& preview, const QString& text, const QString& parent) {
  for (QTreeWidgetItem* item :
       treeOf(preview)->findItems(text, Qt::MatchExactly | Qt::MatchRecursive)) {
    if (item->parent() != nullptr && item->parent()->text(0) == parent) {
      treeOf(preview)->setCurrentItem(item);
      return;
    }
  }
  QFAIL("no such tree item");
}

QString lines(const std::string& text) {
  return QString::fromStdString(text);
}

QByteArray digestOf(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&file);
  return hash.result();
}

// Existing destinations for a Save All into `folder` starting within the next seconds.
void placeDestinations(const fs::path& folder, const std::vector<std::string>& sources) {
  const auto now = std::chrono::system_clock::now();
  for (int ahead = 0; ahead < 30; ++ahead) {
    const std::time_t at = std::chrono::system_clock::to_time_t(now + std::chrono::seconds(ahead));
    std::tm local{};
    localtime_r(&at, &local);
    const fs::path sub =
        folder / ("Repair_" + std::to_string(local.tm_hour) + "-" + std::to_string(local.tm_min) +
                  "-" + std::to_string(local.tm_sec));
    fs::create_directories(sub);
    for (const std::string& source : sources) {
      std::ofstream(sub / (fs::path(source).stem().string() + ".sqlite")) << "kept";
    }
  }
}

bool kept(const fs::path& folder, const std::string& source) {
  for (const auto& sub : fs::directory_iterator(folder)) {
    const fs::path file = sub.path() / (fs::path(source).stem().string() + ".sqlite");
    if (fs::file_size(file) != 4) return false;
  }
  return true;
}

}  // namespace

class WindowsTest : public QObject {
  Q_OBJECT

 private:
  test::TempDir data_;
  std::string large_;  // one table of many rows, long enough to stop in the middle

 private slots:
  void initTestCase() {
    mkdb::SyntheticOptions options;
    options.shape = mkdb::SyntheticShape::kLean;
    options.rows = 300'000;
    large_ = (data_ / "large.mdb").string();
    mdbwriter::writeDatabase(large_, mkdb::syntheticSpec(options));
  }

  void startUpStateAndTheLock() {
    Harness h;
    MainWindow window(h.session);
    const std::string log = h.log();
    QVERIFY(log.find("********************************* Start Log File ****") != std::string::npos);
    QVERIFY(log.find("************************* Step 1 :- Source Files Selection "
                     "***********************\n\n\n\n\n") != std::string::npos);
    QCOMPARE(window.windowTitle(), QStringLiteral(" Vantrel for Microsoft Access"));
    auto* list = child<QTableWidget>(&window, "sourceFileList");
    QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral(" File No."));
    QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral(" File Name"));
    QVERIFY(!child(&window, "clearAll")->isEnabled());
    QVERIFY(!child(&window, "clearSelected")->isEnabled());
    QVERIFY(!child<QAction>(&window, "saveCurrentDatabaseItem")->isEnabled());
    QVERIFY(!child<QAction>(&window, "saveAllItem")->isEnabled());
    QCOMPARE(child<QAction>(&window, "about")->text(),
             QStringLiteral("About Vantrel for  Microsoft Access"));

    const QString lockPath = QString::fromStdString((h.dir / "vantrel.lock").string());
    auto first = std::make_unique<SingleInstance>(lockPath);
    QVERIFY(first->acquire());
    QVERIFY2(first->acquire(), "the holder asks again after the splash");
    QVERIFY(!SingleInstance(lockPath).acquire());
    first.reset();
    QVERIFY(SingleInstance(lockPath).acquire());
  }

  void fileListLimitsDuplicatesAndRenumbering() {
    Harness h;
    MainWindow window(h.session);
    auto* list = child<QTableWidget>(&window, "sourceFileList");
    QStringList many;
    for (int i = 0; i < 851; ++i) {
      const fs::path file = h.dir / ("f" + std::to_string(i) + ".mdb");
      std::ofstream(file) << "x";
      many << QString::fromStdString(file.string());
    }
    h.prompts.files = many;
    window.browse();
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(h.prompts.notices, QStringList{padded("You can't select more then 850 files", 15)});
    h.prompts.files = many.mid(0, 850);
    window.browse();
    QCOMPARE(list->rowCount(), 850);
    QCOMPARE(list->item(849, 0)->text(), QStringLiteral("850"));
    h.prompts.files = QStringList{many[850]};
    window.browse();
    QCOMPARE(list->rowCount(), 850);  // one more than 850 is refused too
    QCOMPARE(h.prompts.notices.size(), 2);
    h.prompts.answers = {true};
    window.clearAll();
    QCOMPARE(list->rowCount(), 0);
    QVERIFY(!child(&window, "clearAll")->isEnabled());

    // Duplicates (also through another spelling of the same path), missing files and empty
    // names are skipped; names differing only in case are different files here.
    std::ofstream(h.dir / "F0.mdb") << "y";
    const QString first = many[0];
    const QString again = QString::fromStdString((h.dir / "." / "f0.mdb").string());
    const QString upper = QString::fromStdString((h.dir / "F0.mdb").string());
    h.prompts.files = {first, again, QString(), QStringLiteral("/no/such.mdb"), upper, many[1]};
    window.browse();
    QCOMPARE(window.files(), (QStringList{first, upper, many[1]}));
    QVERIFY(child(&window, "clearSelected")->isEnabled());

    window.clearSelected();
    QCOMPARE(h.prompts.notices.last(), padded("Please select any file to remove", 19));
    list->selectRow(1);
    h.prompts.answers = {false};
    window.clearSelected();
    QCOMPARE(list->rowCount(), 3);  // No changes nothing
    list->selectRow(1);
    h.prompts.answers = {true};
    window.clearSelected();
    QCOMPARE(h.prompts.questions.last(), padded("Do you want to clear the selected file ?", 4));
    QCOMPARE(list->item(1, 0)->text(), QStringLiteral("2"));
    QCOMPARE(list->item(1, 1)->text(), many[1]);
    h.prompts.files = {many[2]};
    window.browse();
    QCOMPARE(list->item(2, 0)->text(), QStringLiteral("3"));
  }

  void mainWindowBoxesQuestionsAndExits() {
    Harness h;
    MainWindow window(h.session);
    window.show();
    auto* box = child<QCheckBox>(&window, "skipPreview");
    auto* item = child<QAction>(&window, "skipPreviewItem");
    box->click();
    QVERIFY(item->isChecked());
    item->trigger();
    QVERIFY(!box->isChecked());
    QVERIFY(!window.skipPreview());

    window.repair();
    QCOMPARE(h.prompts.notices.last(), padded("No files selected, Kindly select a file", 13));
    QVERIFY(window.preview() == nullptr);
    QVERIFY(window.isVisible());

    child<QAction>(&window, "viewLog")->trigger();
    QCOMPARE(h.prompts.opened, QStringList{QString::fromStdString(h.session.log.path().string())});
    h.prompts.answers = {true};
    child<QAction>(&window, "clearLog")->trigger();
    QCOMPARE(h.prompts.questions.last(), padded("Do you want to clear Log File ?", 13));
    QCOMPARE(h.log(), std::string("\n"));

    // Exit, the close box and Esc: No changes nothing, Yes ends the program.
    child<QAction>(&window, "exit")->trigger();
    QTest::keyClick(&window, Qt::Key_Escape);
    window.close();
    QCOMPARE(h.prompts.questions.mid(1),
             (QStringList{padded("Do you want to exit ?", 22), padded("Do you want to exit ?", 18),
                          padded("Do you want to exit ?", 34)}));
    QCOMPARE(h.quits, 0);
    QVERIFY(window.isVisible());
    QVERIFY(child(&window, "repair")->isEnabled());
    h.prompts.answers = {true, true, true};
    child<QAction>(&window, "exit")->trigger();
    QTest::keyClick(&window, Qt::Key_Escape);
    window.close();
    QCOMPARE(h.quits, 3);

    // Repair opens the preview; Back brings the main window again with its rows.
    h.prompts.files = {QString::fromStdString(sample("sample-jet4.mdb"))};
    window.browse();
    window.repair();
    QVERIFY(!window.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(window.preview() && analysed(*window.preview()), kLong);
    h.prompts.answers = {true};
    child<QPushButton>(window.preview(), "back")->click();
    QCOMPARE(h.prompts.questions.last(), padded("Do you want to go to previous step ?", 10));
    QTRY_VERIFY(window.preview() == nullptr);
    QVERIFY(window.isVisible());
    QCOMPARE(window.files().size(), 1);
    const std::string log = h.log();
    QVERIFY(log.find("Source Files :\n______________\n\n1-   ") != std::string::npos);
    QVERIFY(log.find("Selected File For Repairing :   ") != std::string::npos);
  }

  void analysisStopAnsweredNoThenYes() {
    Harness h;
    PreviewWindow preview(h.session, {large_}, false, nullptr);
    bool barHeldWhileAsking = false;
    h.prompts.onQuestion = [&](const QString&) {
      barHeldWhileAsking = preview.analysisDialog()->barHeld();
    };
    preview.start();
    const auto clickStop = [&] {
      if (preview.analysisDialog() != nullptr) {
        child<QPushButton>(preview.analysisDialog(), "stop")->click();
      }
    };
    h.prompts.answers = {false};
    QTRY_VERIFY_WITH_TIMEOUT((clickStop(), h.prompts.questions.size() == 1), kLong);
    QCOMPARE(h.prompts.questions[0], padded("Analysis is in progress, Do you want to stop ?", 6));
    QVERIFY(barHeldWhileAsking);
    QTRY_VERIFY(preview.analysisDialog() == nullptr || !preview.analysisDialog()->barHeld());
    h.prompts.answers = {true};
    QTRY_VERIFY_WITH_TIMEOUT((clickStop(), h.prompts.questions.size() == 2 || analysed(preview)),
                             kLong);
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    QVERIFY2(preview.summary().tables.empty() || preview.summary().tables[0].recordCount < 300'000,
             "the walk stopped in the middle");
    QCOMPARE(treeOf(preview)->topLevelItem(0)->childCount(), 3);
    QVERIFY(preview.reportText().startsWith(QStringLiteral("SUMMARY [Access 2000]\n\n")));
  }

  void previewSelectionsShowWhatTheCommandLinePrints() {
    Harness h;
    const std::string file = sample("sample-jet4.mdb");
    PreviewWindow preview(h.session, {file}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    const CatalogSummary summary = preview.summary();
    QVERIFY(!summary.tables.empty() && !summary.queryList.empty() && !summary.relations.empty());
    const auto cli = [&](std::vector<std::string> args) {
      args.insert(args.begin(), test::builtProgram("vantrel-cli"));
      return lines(test::runProcess(args).out);
    };
    const QString root = treeOf(preview)->topLevelItem(0)->text(0);
    QCOMPARE(root, QString::fromStdString(file));
    QVERIFY(preview.reportFile().path().has_value());
    const fs::path reportFolder = h.session.reportFolder;
    QCOMPARE(preview.reportFile().path()->parent_path(), reportFolder);

    select(preview, QStringLiteral("Table"), root);
    QVERIFY(preview.reportText().startsWith(QStringLiteral("Table \n\n")));
    select(preview, QStringLiteral("Query"), root);
    QVERIFY(preview.reportText().startsWith(QStringLiteral("Total Number of Query :  ")));
    select(preview, QStringLiteral("Relation"), root);
    QVERIFY(preview.reportText().startsWith(QStringLiteral("Total Number of Relations :  ")));

    bool remarked = false;
    for (const auto& query : summary.queryList) {
      select(preview, QString::fromStdString(query.name), QStringLiteral("Query"));
      QTRY_VERIFY_WITH_TIMEOUT(!preview.busy(), kLong);
      QCOMPARE(preview.reportText() + QStringLiteral("\n"),
               cli({"query", file, query.name}) + "\n");
      QVERIFY(!preview.rowListShown());
      remarked =
          remarked || preview.reportText().contains(QStringLiteral(
                          "(*) This is only preview. The data will be saved in a new database."));
    }
    QVERIFY(remarked);
    const auto& relation = summary.relations[0];
    select(preview, QString::fromStdString(relation.name), QStringLiteral("Relation"));
    QCOMPARE(preview.reportText(), cli({"relation", file, relation.name}));

    for (const auto& table : summary.tables) {
      select(preview, QString::fromStdString(table.name), QStringLiteral("Table"));
      QTRY_VERIFY_WITH_TIMEOUT(!preview.busy(), kLong);
      QVERIFY(preview.rowListShown());
      RowListModel& rows = preview.rows();
      QStringList shown;
      QStringList headings;
      for (int c = 0; c < rows.columnCount(); ++c) {
        headings << rows.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
      }
      shown << headings.join('\t');
      for (int r = 0; r < rows.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rows.columnCount(); ++c)
          cells << rows.cell(r, c);
        shown << cells.join('\t');
      }
      QCOMPARE(rows.rowCount(), static_cast<int>(table.recordCount));
      const QStringList printed =
          cli({"table", file, table.name, "--format", "tsv"}).split('\n', Qt::SkipEmptyParts);
      QCOMPARE(shown.size(), printed.size());
      for (int i = 0; i < shown.size(); ++i) {
        if (!shown[i].contains('\\') && !shown[i].contains('\n')) QCOMPARE(shown[i], printed[i]);
      }
    }
    treeOf(preview)->setCurrentItem(treeOf(preview)->topLevelItem(0));
    QVERIFY(preview.reportText().startsWith(QStringLiteral("SUMMARY [Access 2000]\n\n")));
    QVERIFY(cli({"analyze", file}).startsWith(preview.reportText()));
  }

  void rowListHoldsEveryRowAcrossBlocksAndBatches() {
    RowListModel model;
    RowListFeeder feeder(&model);
    feeder.addPreviewColumn(0, "Id");
    feeder.addPreviewColumn(1, "Name");
    for (int row = 0; row < 5000; ++row) {
      feeder.setPreviewCell(0, row, std::to_string(row));
      feeder.setPreviewCell(1, row, row % 7 == 0 ? std::string() : std::string(row % 300, 'x'));
    }
    feeder.finish();
    QTRY_COMPARE(model.rowCount(), 5000);
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Name"));
    for (const int row : {0, 1023, 1024, 2047, 4096, 4999, 7, 1}) {
      QCOMPARE(model.cell(row, 0), QString::number(row));
      QCOMPARE(model.cell(row, 1).size(), row % 7 == 0 ? 0 : row % 300);
    }
    QCOMPARE(model.cell(5000, 0), QString());
  }

  void twoTablesOfOneNameEachShowTheirOwnRows() {
    Harness h;
    mdbwriter::DatabaseSpec spec;
    for (const int rows : {3, 5}) {
      mdbwriter::TableSpec table;
      table.name = rows == 3 ? "Twin" : "Twix";
      table.columns = {{.name = "Id", .type = mdbwriter::ColumnType::kLong}};
      std::vector<mdbwriter::Row> values;
      for (int i = 0; i < rows; ++i)
        values.push_back({{int64_t{i}}});
      table.rows = mdbwriter::rowsOf(std::move(values));
      spec.tables.push_back(std::move(table));
    }
    const fs::path file = h.dir / "twins.mdb";
    mdbwriter::writeDatabase(file, std::move(spec));
    // The writer refuses two tables of one name; a damaged catalog can hold them.
    std::string image = test::readTextFile(file);
    for (const std::string& from : {std::string("T\0w\0i\0x\0", 8), std::string("Twix")}) {
      std::string to = from;
      to[from.size() == 8 ? 6 : 3] = 'n';
      for (size_t at = image.find(from); at != std::string::npos; at = image.find(from, at + 1)) {
        image.replace(at, from.size(), to);
      }
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << image;
    PreviewWindow preview(h.session, {file.string()}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    const auto twins = treeOf(preview)->findItems(QStringLiteral("Twin"), Qt::MatchRecursive);
    QCOMPARE(twins.size(), 2);
    for (int i = 0; i < 2; ++i) {
      treeOf(preview)->setCurrentItem(twins[i]);
      QTRY_VERIFY_WITH_TIMEOUT(!preview.busy(), kLong);
      QTRY_COMPARE(preview.rows().rowCount(), i == 0 ? 3 : 5);
    }
  }

  void buttonStatesForOneAndThreeFiles() {
    Harness h;
    const auto enabled = [](PreviewWindow& p) {
      QString states;
      for (const char* name :
           {"backDatabase", "nextDatabase", "back", "saveAll", "saveCurrentDatabase"}) {
        states += child(&p, name)->isEnabled() ? '1' : '0';
      }
      return states;
    };
    {
      PreviewWindow one(h.session, {sample("sample-jet4.mdb")}, false, nullptr);
      QVERIFY(!child<QAction>(&one, "saveAllItem")->isEnabled());
      QVERIFY(!child<QAction>(&one, "selectSourceFile")->isEnabled());
      QVERIFY(!child<QAction>(&one, "skipPreviewItem")->isEnabled());
      one.start();
      QTRY_VERIFY_WITH_TIMEOUT(analysed(one), kLong);
      QCOMPARE(enabled(one), QStringLiteral("00101"));
      QCOMPARE(child<QLabel>(&one, "fileNumber")->text(), QStringLiteral("1"));
      QCOMPARE(child<QLabel>(&one, "totalFiles")->text(), QStringLiteral("1"));
      QCOMPARE(child<QLabel>(&one, "pathLabel")->text(), QStringLiteral("Source File Path    :"));
      QCOMPARE(child<QLabel>(&one, "path")->toolTip(),
               QString::fromStdString(sample("sample-jet4.mdb")));
    }
    PreviewWindow three(
        h.session,
        {sample("sample-jet4.mdb"), sample("sample-jet3.mdb"), sample("sample-jet4-damaged.mdb")},
        false, nullptr);
    three.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(three), kLong);
    QCOMPARE(enabled(three), QStringLiteral("01111"));
    three.nextDatabase();
    QCOMPARE(enabled(three), QStringLiteral("11000"));  // while the analysis runs
    QTRY_VERIFY_WITH_TIMEOUT(analysed(three), kLong);
    QCOMPARE(enabled(three), QStringLiteral("11111"));
    QVERIFY(three.reportText().startsWith(QStringLiteral("SUMMARY [Access 95/97]")));
    three.nextDatabase();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(three), kLong);
    QCOMPARE(enabled(three), QStringLiteral("10111"));
    QCOMPARE(child<QLabel>(&three, "fileNumber")->text(), QStringLiteral("3"));
    three.backDatabase();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(three), kLong);
    QCOMPARE(three.fileNumber(), 2);

    PreviewWindow skipping(h.session, {sample("sample-jet4.mdb"), sample("sample-jet3.mdb")}, true,
                           nullptr);
    skipping.start();
    QTRY_COMPARE(h.prompts.notices.size(), 1);
    QCOMPARE(h.prompts.notices[0],
             padded("Analysis completed, click on save all button to continue", 1));
    QCOMPARE(enabled(skipping), QStringLiteral("00110"));
    QCOMPARE(child<QLabel>(&skipping, "fileNumber")->text(), QStringLiteral("2"));
    QCOMPARE(treeOf(skipping)->topLevelItemCount(), 0);
  }

  void savingFailuresAreNeverReportedAsSuccess() {
    Harness h;
    const fs::path broken = h.dir / "broken.mdb";
    std::ofstream(broken) << "";  // too short to be any Access database
    const fs::path out = h.dir / "out";
    fs::create_directory(out);

    PreviewWindow preview(h.session, {broken.string(), sample("sample-jet4.mdb")}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    QVERIFY(preview.reportText().startsWith(QStringLiteral("SUMMARY\n\n0  Records in 0 Tables")));

    h.prompts.folder = QString::fromStdString((h.dir / "missing").string());
    preview.saveCurrentDatabase();
    preview.saveAll();
    const QString another = padded("Saving path doesn't exist, select another path for saving", 1);
    QCOMPARE(h.prompts.notices, (QStringList{another, another}));
    QVERIFY(preview.isVisible());

    h.prompts.folder = QString::fromStdString(out.string());
    preview.saveCurrentDatabase();
    QTRY_VERIFY_WITH_TIMEOUT(!preview.busy() && h.prompts.notices.size() == 3, kLong);
    const QString notice = h.prompts.notices.last();
    QVERIFY(notice.contains(QStringLiteral("broken.mdb")));
    QVERIFY(!notice.contains(QStringLiteral("successfully")));
    QVERIFY(preview.isVisible());

    Harness single;
    PreviewWindow alone(single.session, {broken.string()}, false, nullptr);
    alone.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(alone), kLong);
    single.prompts.folder = QString::fromStdString(out.string());
    single.prompts.answers = {true};  // overwrite the destination the first save made
    alone.saveCurrentDatabase();
    QTRY_VERIFY_WITH_TIMEOUT(alone.findChild<EndDialog*>() != nullptr, kLong);
    const QString text = alone.findChild<EndDialog*>()->resultText();
    QVERIFY(text.contains(QStringLiteral("broken.mdb")));
    QVERIFY(!text.contains(QStringLiteral("Successfully")));
    QVERIFY(single.log().find("successfully") == std::string::npos);
    QVERIFY(single.log().find("broken.mdb: the file is empty (0 bytes)") != std::string::npos);
    child<QPushButton>(alone.findChild<EndDialog*>(), "ok")->click();
    QCOMPARE(single.quits, 1);
  }

  void saveAllWithEachOverwriteAnswer() {
    const std::vector<std::string> sources = {sample("sample-jet4.mdb"), sample("sample-jet3.mdb"),
                                              sample("sample-jet4-damaged.mdb")};
    struct Case {
      std::vector<OverwriteAnswer> answers;
      int questions;
      std::vector<bool> keptAfter;
      bool endDialog;
    };
    using A = OverwriteAnswer;
    const std::vector<Case> cases = {
        {{A::No, A::No, A::No}, 3, {true, true, true}, false},
        {{A::YesToAll}, 1, {false, false, false}, true},
        {{A::NoToAll}, 1, {true, true, true}, true},
        {{A::Yes, A::No, A::Yes}, 3, {false, true, false}, true},
    };
    for (const Case& c : cases) {
      Harness h;
      const fs::path out = h.dir / "out";
      placeDestinations(out, sources);
      PreviewWindow preview(h.session, sources, false, nullptr);
      preview.start();
      QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
      const size_t tables = preview.summary().tables.size();
      h.prompts.folder = QString::fromStdString(out.string());
      h.prompts.overwriteAnswers = {c.answers.begin(), c.answers.end()};
      preview.saveAll();
      QVERIFY(!preview.isVisible());
      QTRY_VERIFY_WITH_TIMEOUT(preview.savingDialog() == nullptr || preview.findChild<EndDialog*>(),
                               kLong);
      QCOMPARE(h.prompts.overwriteQuestions, c.questions);
      for (size_t i = 0; i < sources.size(); ++i) {
        QCOMPARE(kept(out, sources[i]), static_cast<bool>(c.keptAfter[i]));
      }
      auto* end = preview.findChild<EndDialog*>();
      QCOMPARE(end != nullptr, c.endDialog);
      if (end != nullptr) {
        QCOMPARE(end->resultText(), QStringLiteral("Saving Completed Successfully"));
        QVERIFY(h.log().find("Repairing Completed successfully") != std::string::npos);
      } else {
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.summary().tables.size(), tables);  // the preview comes back as it was
        QVERIFY(h.prompts.notices.isEmpty());
      }
    }
  }

  void stopDuringSavingLeavesASoundDestinationAndAnUntouchedSource() {
    Harness h;
    const QByteArray before = digestOf(large_);
    PreviewWindow preview(h.session, {large_}, true, nullptr);  // skip preview: no analysis
    preview.start();
    QTRY_COMPARE(h.prompts.notices.size(), 1);
    h.prompts.folder = QString::fromStdString(h.dir.path().string());
    h.prompts.answers = {false, true};
    preview.saveAll();
    const auto clickStop = [&] {
      if (preview.savingDialog() != nullptr) {
        child<QPushButton>(preview.savingDialog(), "stop")->click();
      }
    };
    QTRY_VERIFY_WITH_TIMEOUT((clickStop(), h.prompts.questions.size() == 2), kLong);
    QCOMPARE(h.prompts.questions[0], padded("Saving is in progress, Do you want to stop ?", 6));
    QTRY_VERIFY_WITH_TIMEOUT(preview.findChild<EndDialog*>() != nullptr, kLong);
    QCOMPARE(preview.findChild<EndDialog*>()->resultText(), QStringLiteral("Repairing aborted"));
    const SavingOutcome& outcome = preview.savingDialog()->outcome();
    QCOMPARE(outcome.files.size(), size_t{1});
    QVERIFY(outcome.files[0].status == SavedFile::Status::Stopped);
    const test::SqliteFile saved(outcome.files[0].destination);
    QCOMPARE(saved.scalar("PRAGMA integrity_check"), std::string("ok"));
    QCOMPARE(digestOf(large_), before);
    auto* list = child<QListWidget>(preview.savingDialog(), "savingList");
    QVERIFY(list->count() > 0);
    QVERIFY(list->item(0)->text().startsWith(QStringLiteral("Selected File For Repairing: ")));
    QVERIFY(h.log().find("******************* Repairing aborted") != std::string::npos);
  }

  void everyExitPathRemovesTheReportFile() {
    Harness h;
    PreviewWindow preview(h.session, {sample("sample-jet4.mdb")}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    const auto reportFile = [&] { return *preview.reportFile().path(); };
    const auto reselect = [&] {
      treeOf(preview)->setCurrentItem(nullptr);
      treeOf(preview)->setCurrentItem(treeOf(preview)->topLevelItem(0));
      return reportFile();
    };
    fs::path shown = reselect();
    QTest::keyClick(&preview, Qt::Key_Escape);  // answered No
    QVERIFY(fs::exists(shown));
    QCOMPARE(h.quits, 0);
    h.prompts.answers = {true};
    QTest::keyClick(&preview, Qt::Key_Escape);
    QCOMPARE(h.quits, 1);
    QVERIFY(!fs::exists(shown));

    shown = reselect();
    h.prompts.answers = {true};
    preview.close();
    QCOMPARE(h.quits, 2);
    QVERIFY(!fs::exists(shown));

    shown = reselect();
    h.prompts.answers = {true};
    child<QAction>(&preview, "exit")->trigger();
    QCOMPARE(h.quits, 3);
    QVERIFY(!fs::exists(shown));
    QCOMPARE(
        h.prompts.questions,
        (QStringList{padded("Do you want to exit ?", 27), padded("Do you want to exit ?", 27),
                     padded("Do you want to exit ?", 34), padded("Do you want to exit ?", 27)}));
    {
      PreviewWindow other(h.session, {sample("sample-jet3.mdb")}, false, nullptr);
      other.start();
      QTRY_VERIFY_WITH_TIMEOUT(analysed(other), kLong);
      shown = *other.reportFile().path();
    }
    QVERIFY2(!fs::exists(shown), "nor is one left when the window goes");
  }
};

}  // namespace vantrel::gui

QTEST_MAIN(vantrel::gui::WindowsTest)
#include "windows_test.moc"
