// The windows driven as a user would: scripted answers to every question, the exact texts
// recorded, and what each window shows checked against the command line.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <ctime>
#include <deque>
#include <fstream>
#include <functional>

#include "app/ole_extraction.h"
#include "app/saving_json.h"
#include "app/saving_run.h"
#include "destinations/postgres/postgres_connection.h"
#include "destinations/postgres/postgres_destination.h"
#include "destinations/sqlite/sqlite_destination.h"
#include "gui/destination_dialog.h"
#include "gui/main_window.h"
#include "gui/preview_window.h"
#include "gui/progress_line.h"
#include "gui/row_list_view.h"
#include "gui/saving_dialog.h"
#include "gui/single_instance.h"
#include "gui/texts.h"
#include "gui/user_prompts.h"
#include "reader/column_types.h"
#include "reader/source_passwords.h"
#include "tests/support/corpus.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/outcome_cases.h"
#include "tests/support/postgres_server.h"
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
  QString chooseDestination(QWidget*) override { return server.isEmpty() ? folder : server; }
  bool openExternally(const QString& path) override {
    opened << path;
    return desktopOpens;
  }
  std::optional<QString> password(QWidget*, const QString& fileName) override {
    passwordsAskedFor << fileName;
    if (passwords.empty()) return std::nullopt;
    const std::optional<QString> answer = passwords.front();
    passwords.pop_front();
    return answer;
  }

  QStringList questions;
  QStringList notices;
  std::deque<bool> answers;
  std::function<void(const QString&)> onQuestion;
  std::deque<OverwriteAnswer> overwriteAnswers;
  int overwriteQuestions = 0;
  QStringList files;
  QString folder;
  QString server;  // a PostgreSQL address chosen in place of the folder
  QStringList opened;
  bool desktopOpens = true;
  QStringList passwordsAskedFor;
  std::deque<std::optional<QString>> passwords;  // none: "Skip this file"
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
    // The destinations the program registers at its start.
    registerSqliteDestination(destinationRegistry());
    registerPostgresDestination(destinationRegistry());
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
    QVERIFY(preview.reportText().startsWith(QStringLiteral(
        "Analysis stopped: what was found before the stop\n\nSUMMARY [Access 2000]\n\n")));
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
      for (int r = 0; r < static_cast<int>(rows.receivedRows()); ++r) {
        QStringList cells;
        for (int c = 0; c < rows.columnCount(); ++c)
          cells << rows.cell(r, c);
        shown << cells.join('\t');
      }
      QCOMPARE(rows.receivedRows(), static_cast<size_t>(table.recordCount));
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
    const std::vector<ColumnDefinition> columns{{.name = "Id", .type = kTypeLong},
                                                {.name = "Name", .type = kTypeText}};
    feeder.columns(columns);
    std::vector<FieldValue> fields(2);
    for (int row = 0; row < 5000; ++row) {
      fields[0].value = {.kind = SavedValue::Kind::Integer, .integer = row};
      fields[1].text = row % 7 == 0 ? std::string() : std::string(row % 300, 'x');
      fields[1].value.kind =
          fields[1].text.empty() ? SavedValue::Kind::Null : SavedValue::Kind::Text;
      QVERIFY(feeder.row(columns, fields));
    }
    feeder.finish();
    QTRY_COMPARE(model.receivedRows(), size_t{5000});
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Name"));
    for (const int row : {0, 1023, 1024, 2047, 4096, 4999, 7, 1}) {
      QCOMPARE(model.cell(row, 0), QString::number(row));
      QCOMPARE(model.cell(row, 1).size(), row % 7 == 0 ? 0 : row % 300);
    }
    QCOMPARE(model.cell(5000, 0), QString());

    // The view is given the rows a step at a time as it scrolls.
    QCOMPARE(model.rowCount(), static_cast<int>(RowListModel::kFetchStep));
    while (model.canFetchMore({}))
      model.fetchMore({});
    QCOMPARE(model.rowCount(), 5000);

    // The batches of a load that was left behind never reach the next one's list.
    RowListFeeder stale(&model);
    stale.columns(columns);
    stale.row(columns, fields);
    model.clear();
    stale.finish();
    QTest::qWait(50);
    QCOMPARE(model.receivedRows(), size_t{0});
    QCOMPARE(model.columnCount(), 0);
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
    // The damaged file's tree ends in what its reading passed over.
    QTreeWidgetItem* damageRoot = treeOf(three)->topLevelItem(0);
    QCOMPARE(damageRoot->childCount(), 4);
    QCOMPARE(damageRoot->child(3)->text(0), QStringLiteral("Damage"));
    select(three, QStringLiteral("Page 63 (Readings): page unreadable"), QStringLiteral("Damage"));
    QVERIFY(three.reportText().startsWith(
        QStringLiteral("Damage found: catalog unreadable, 2 pages unreadable\n\nPage 2: catalog "
                       "definition unreadable\nPage 63 (Readings): page unreadable\n")));
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

  // An encrypted file is asked for once, as the worker opens it: its password opens it, a wrong
  // one is told as wrong, and "Skip this file" leaves it unread while the run goes on.
  void encryptedFilesAskForTheirPasswordOnce() {
    const auto corpus = test::corpusDir();
    if (!corpus) QSKIP("no corpus");
    const fs::path source = *corpus / "protected" / "mdbreader-office-agile-4.4.accdb";
    const std::vector<std::pair<std::optional<QString>, QString>> cases{
        {QStringLiteral("password"), QStringLiteral("3  Records in 1 Tables")},
        {QStringLiteral("passwort"), QStringLiteral("wrong password")},
        {std::nullopt, QStringLiteral("no password was given")}};
    for (const auto& [answer, told] : cases) {
      Harness h;
      const fs::path locked = h.dir / "locked.accdb";
      fs::copy_file(source, locked);
      h.prompts.passwords = {answer};
      MainWindow window(h.session);
      PreviewWindow preview(h.session, {locked.string(), sample("sample-jet4.mdb")}, false,
                            nullptr);
      preview.start();
      QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
      QVERIFY2(preview.reportText().contains(told), qPrintable(preview.reportText()));
      preview.nextDatabase();
      QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
      QVERIFY(preview.reportText().contains(QStringLiteral("SUMMARY")));
      QCOMPARE(h.prompts.passwordsAskedFor, QStringList{QStringLiteral("locked.accdb")});
    }
    forgetSourcePasswords();
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
    QCOMPARE(preview.reportText(), QString::fromStdString("Cannot open " + broken.string() +
                                                          ": the file is empty (0 bytes)\n"));

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
      const char* endText = "Saving Completed Successfully";
    };
    using A = OverwriteAnswer;
    const std::vector<Case> cases = {
        {{A::No, A::No, A::No}, 3, {true, true, true}, false},
        {{A::YesToAll}, 1, {false, false, false}, true},
        {{A::NoToAll}, 1, {true, true, true}, true, kEverythingKeptText.data()},
        {{A::Yes, A::No, A::Yes}, 3, {false, true, false}, true},
    };
    for (const Case& c : cases) {
      Harness h;
      const fs::path out = h.dir / "out";
      test::placeDestinations(out, sources);
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
        QCOMPARE(end->resultText(), QString::fromUtf8(c.endText));
        QVERIFY(h.log().find(std::string_view(c.endText) == kEverythingKeptText
                                 ? c.endText
                                 : "Repairing Completed successfully") != std::string::npos);
      } else {
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.summary().tables.size(), tables);  // the preview comes back as it was
        QVERIFY(h.prompts.notices.isEmpty());
      }
    }
  }

  // The outcomes every front shows alike, here in the end dialog of Save All (existing
  // destinations answered No To All).
  void savingEndsWithTheOutcomesEveryFrontShows() {
    for (const test::OutcomeCase& c : test::outcomeCases()) {
      Harness h;
      const std::vector<std::string> sources = c.prepare(h.dir.path());
      PreviewWindow preview(h.session, sources, true, nullptr);  // skip preview
      preview.start();
      QTRY_COMPARE(h.prompts.notices.size(), 1);
      h.prompts.folder = QString::fromStdString((h.dir / "out").string());
      fs::create_directories(h.dir / "out");
      h.prompts.overwriteAnswers = {OverwriteAnswer::NoToAll};
      preview.saveAll();
      QTRY_VERIFY_WITH_TIMEOUT(preview.findChild<EndDialog*>() != nullptr, kLong);
      const SavingOutcome& outcome = preview.savingDialog()->outcome();
      std::vector<std::string> statuses;
      for (const SavedFile& file : outcome.files)
        statuses.emplace_back(savedFileStatusText(file.status));
      QVERIFY2(statuses == c.statuses, c.name.c_str());
      QVERIFY2(preview.findChild<EndDialog*>()->resultText().startsWith(
                   QString::fromStdString(c.endTextStart)),
               c.name.c_str());
      QCOMPARE(savedEverything(outcome), c.savedEverything);
    }
  }

  // The saving step's other destination: a PostgreSQL database, which gets the tables and
  // rows the command line puts there; the dialog's Test says what it reached.
  void saveAllIntoPostgresGivesWhatTheCommandLineGives() {
    if (!test::testPostgresUrl()) QSKIP("no PostgreSQL test server (VANTREL_TEST_POSTGRES)");
    const std::string url = *test::testPostgresUrl();
    {
      DestinationDialog dialog({.kind = DestinationChoice::Kind::kServer, .server = url}, nullptr);
      dialog.test();
      QTRY_VERIFY_WITH_TIMEOUT(!dialog.testing(), kLong);
      QVERIFY2(dialog.testResult().startsWith(QStringLiteral("Connected to PostgreSQL ")),
               qPrintable(dialog.testResult()));
      child<QLineEdit>(&dialog, "server")->setText(QStringLiteral("postgresql://me:Secret42@h/db"));
      dialog.test();
      QTRY_VERIFY_WITH_TIMEOUT(!dialog.testing(), kLong);
      QVERIFY(dialog.testResult().startsWith(QStringLiteral("This destination cannot be used")));
      QVERIFY(!dialog.testResult().contains(QStringLiteral("Secret42")));
    }
    Harness h;
    const std::string windows = test::uniqueSchemaName("windows");
    const std::string cli = test::uniqueSchemaName("cli");
    for (const std::string& name : {windows, cli})
      fs::copy_file(sample("sample-jet4.mdb"), h.dir / (name + ".mdb"));
    PreviewWindow preview(h.session, {(h.dir / (windows + ".mdb")).string()}, true, nullptr);
    preview.start();
    QTRY_COMPARE(h.prompts.notices.size(), 1);
    h.prompts.server = QString::fromStdString(url);
    preview.saveAll();
    QTRY_VERIFY_WITH_TIMEOUT(preview.findChild<EndDialog*>() != nullptr, kLong);
    const SavingOutcome& outcome = preview.savingDialog()->outcome();
    QCOMPARE(outcome.files.size(), size_t{1});
    QCOMPARE(outcome.files[0].status, SavedFile::Status::Saved);
    QVERIFY(!child<QPushButton>(preview.findChild<EndDialog*>(), "openFolder")->isVisible());
    const auto printed = test::runProcess({test::builtProgram("vantrel-cli"), "repair", "--to", url,
                                           (h.dir / (cli + ".mdb")).string()});
    QCOMPARE(printed.exitCode, 0);
    // Each schema's tables with a digest of their rows.
    const PostgresConnection db(url);
    const auto snapshot = [&](const std::string& schema) {
      return db
          .queryValue(
              "SELECT string_agg(c.relname || ':' || (xpath('/row/c/text()', "
              "query_to_xml(format('SELECT md5(string_agg(t::text, '','' ORDER BY t::text)) AS c "
              "FROM %I.%I t', n.nspname, c.relname), false, true, '')))[1]::text, E'\\n' ORDER "
              "BY c.relname) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE "
              "n.nspname = $1 AND c.relkind = 'r'",
              {schema})
          .value_or("");
    };
    const std::string saved = snapshot(windows);
    QVERIFY(std::count(saved.begin(), saved.end(), '\n') >= 2);
    QCOMPARE(saved, snapshot(cli));
    for (const std::string& schema : {windows, cli})
      db.execute("DROP SCHEMA " + db.quoteIdentifier(schema) + " CASCADE");
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
    const SavingOutcome& outcome = preview.savingDialog()->outcome();
    QCOMPARE(outcome.files.size(), size_t{1});
    QVERIFY(outcome.files[0].status == SavedFile::Status::Stopped);
    // The table the stop ended keeps its rows written so far, and the end text names it.
    const auto& stopped = outcome.files[0].tally.stopped;
    QVERIFY(stopped.has_value());
    const QString end = preview.findChild<EndDialog*>()->resultText();
    QCOMPARE(end, QString::fromStdString("Repairing aborted\n" + outcome.files[0].problem));
    QVERIFY(end.contains(QString::fromStdString("stopped: table [" + stopped->name + "], " +
                                                std::to_string(stopped->written) + " of ")));
    const test::SqliteFile saved(outcome.files[0].destination);
    QCOMPARE(saved.scalar("PRAGMA integrity_check"), std::string("ok"));
    QCOMPARE(saved.scalar("SELECT count(*) FROM \"" + stopped->name + "\""),
             std::to_string(stopped->written));
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
  void previewLoadsStreamAndCancelWithoutHoldingTheWindow() {
    Harness h;
    PreviewWindow preview(h.session, {large_}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    const QString root = treeOf(preview)->topLevelItem(0)->text(0);
    const QString table = QString::fromStdString(preview.summary().tables.at(0).name);
    const auto records = static_cast<size_t>(preview.summary().tables[0].recordCount);
    preview.rows().setReadAhead(records);  // the reader reads on until cancelled
    const auto startLoad = [&] {
      treeOf(preview)->setCurrentItem(treeOf(preview)->topLevelItem(0));
      select(preview, table, QStringLiteral("Table"));
      QVERIFY(preview.loading());
      // Rows show while the rest is read; the wait box holds nothing back.
      QTRY_VERIFY_WITH_TIMEOUT(preview.rows().rowCount() > 0 || !preview.loading(), kLong);
      QVERIFY2(preview.loading(), "the table is long enough to be read while it shows");
      QVERIFY(preview.waitDialog() != nullptr && !preview.waitDialog()->isModal());
      QVERIFY(QApplication::activeModalWidget() == nullptr);
    };
    const auto endsSoon = [&] {
      QElapsedTimer clock;
      clock.start();
      while (preview.readerRunning() && clock.elapsed() < 5000)
        QTest::qWait(2);
      return preview.readerRunning() ? qint64{5000} : clock.elapsed();
    };

    // Choosing another object: its report is there at once, and the load ends.
    startLoad();
    select(preview, QStringLiteral("Relation"), root);
    QVERIFY(preview.reportText().startsWith(QStringLiteral("Total Number of Relations :  ")));
    QVERIFY(!preview.rowListShown());
    QVERIFY2(endsSoon() < 200, "the cancelled load ends at its next row");
    QVERIFY(preview.waitDialog() == nullptr);

    // Esc and the close box end a load without asking anything; Cancel does too.
    startLoad();
    QTest::keyClick(&preview, Qt::Key_Escape);
    QVERIFY(endsSoon() < 200);
    startLoad();
    preview.close();
    QVERIFY(endsSoon() < 200);
    startLoad();
    child<QPushButton>(preview.waitDialog(), "cancel")->click();
    QVERIFY(endsSoon() < 200);
    QVERIFY(h.prompts.questions.isEmpty());
    QCOMPARE(h.quits, 0);
    QVERIFY(preview.rows().receivedRows() < records);

    // The reader goes only so far ahead of what the list shows, then waits for the user to
    // scroll on; the same table chosen again while a cancelled load ends is loaded afterwards.
    preview.rows().setReadAhead(RowListModel::kReadAhead);
    startLoad();
    treeOf(preview)->setCurrentItem(treeOf(preview)->topLevelItem(0));
    select(preview, table, QStringLiteral("Table"));
    QTRY_VERIFY_WITH_TIMEOUT(preview.readerRunning() && !preview.loading(), kLong);
    QTRY_COMPARE(preview.rows().receivedRows(),
                 static_cast<size_t>(preview.rows().rowCount()) + RowListModel::kReadAhead);
    QVERIFY(preview.rows().receivedRows() < records);
    QVERIFY(preview.waitDialog() == nullptr);
    // A waiting reader ends as soon as another object is chosen.
    treeOf(preview)->setCurrentItem(treeOf(preview)->topLevelItem(0));
    QVERIFY(endsSoon() < 200);
    select(preview, table, QStringLiteral("Table"));
    QTRY_VERIFY_WITH_TIMEOUT(preview.readerRunning() && !preview.loading(), kLong);
    QTRY_VERIFY_WITH_TIMEOUT((preview.rows().fetchMore({}), !preview.readerRunning()), kLong);
    QCOMPARE(preview.rows().receivedRows(), records);
  }

  void rowsCopyWholeWithHeadingsAndTheReportsUseAFixedPitch() {
    Harness h;
    const std::string file = sample("sample-jet4.mdb");
    PreviewWindow preview(h.session, {file, sample("sample-jet3.mdb")}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    const QFontMetrics report(child<QPlainTextEdit>(&preview, "browser")->font());
    QCOMPARE(report.horizontalAdvance(QStringLiteral("iiii")),
             report.horizontalAdvance(QStringLiteral("WW  ")));
    QVERIFY(preview.findChild<QSplitter*>(QStringLiteral("splitter")) != nullptr);
    const auto& table = preview.summary().tables.at(0);
    select(preview, QString::fromStdString(table.name), QStringLiteral("Table"));
    QTRY_VERIFY_WITH_TIMEOUT(!preview.busy(), kLong);
    QVERIFY(table.recordCount >= 3);
    const QStringList printed =
        QString::fromStdString(
            test::runProcess({test::builtProgram("vantrel-cli"), "table", file, table.name}).out)
            .split('\n');
    auto* view = child<RowListView>(&preview, "rowList");
    view->setFocus();
    view->selectionModel()->select(view->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             printed[0] + '\n' + printed[1] + '\n' + printed[3] + '\n');
    QStringList menu;
    for (QAction* action : view->actions())
      menu << action->text();
    QCOMPARE(menu, (QStringList{QStringLiteral("Copy"), QStringLiteral("Copy with headers"),
                                QStringLiteral("Select all")}));
    view->actions()[2]->trigger();
    view->actions()[0]->trigger();
    QCOMPARE(QApplication::clipboard()->text().count('\n'),
             static_cast<qsizetype>(table.recordCount));

    // The next file's analysis starts on an empty pane.
    preview.nextDatabase();
    QVERIFY(preview.reportText().isEmpty());
    QVERIFY(!preview.rowListShown());
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
  }

  void enterOnAPicturesCellShowsThePicture() {
    if (!test::corpusDir()) QSKIP("no corpus");
    Harness h;
    std::string file;
    for (const auto& corpusFile : test::corpusFiles()) {
      if (corpusFile.stem == "gabriellogue-Northwind") file = corpusFile.path.string();
    }
    QVERIFY(!file.empty());
    PreviewWindow preview(h.session, {file}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    select(preview, QStringLiteral("Categories"), QStringLiteral("Table"));
    QTRY_VERIFY_WITH_TIMEOUT(!preview.busy(), kLong);
    RowListModel& rows = preview.rows();
    int picture = -1;
    for (int c = 0; c < rows.columnCount(); ++c) {
      if (rows.isOleColumn(c)) picture = c;
    }
    QCOMPARE(rows.heading(picture), QStringLiteral("Picture"));
    auto* view = child<RowListView>(&preview, "rowList");
    // A text cell is not one.
    view->setCurrentIndex(rows.index(2, 1));
    QTest::keyClick(view, Qt::Key_Return);
    QTest::qWait(200);
    QVERIFY(preview.oleValueDialog() == nullptr);

    view->setCurrentIndex(rows.index(2, picture));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(preview.oleValueDialog() != nullptr, kLong);
    OleValueDialog* dialog = preview.oleValueDialog();
    QVERIFY(dialog->showsPicture());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Categories: Picture"));
    QCOMPARE(child<QLabel>(dialog, "picture")->pixmap().size(), QSize(172, 120));
    QVERIFY(child<QLabel>(dialog, "oleText")->text().startsWith(QStringLiteral("A picture (.bmp")));
    QCOMPARE(rows.data(rows.index(2, picture), Qt::ToolTipRole).toString().toStdString(),
             std::string(kOleCellHint));
    dialog->reject();
  }

  void tabReachesEveryControlAndKeysDoWhatTheySay() {
    Harness h;
    MainWindow window(h.session);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    h.prompts.files = {QString::fromStdString(sample("sample-jet4.mdb")),
                       QString::fromStdString(sample("sample-jet3.mdb"))};
    window.browse();
    const auto tabRound = [](QWidget* start, int steps) {
      start->setFocus();
      QStringList reached;
      for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
      }
      return reached;
    };
    const QStringList reached = tabRound(child(&window, "browse"), 6);
    QCOMPARE(reached, (QStringList{"sourceFileList", "clearSelected", "clearAll", "skipPreview",
                                   "repair", "browse"}));

    // Delete asks the question of Clear selected and removes the row.
    auto* list = child<QTableWidget>(&window, "sourceFileList");
    list->setFocus();
    list->selectRow(0);
    h.prompts.answers = {true};
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(h.prompts.questions.last(), padded("Do you want to clear the selected file ?", 4));
    QCOMPARE(window.files().size(), 1);
    QCOMPARE(list->item(0, 0)->text(), QStringLiteral("1"));

    // Enter presses Repair.
    h.prompts.answers = {true};
    window.clearAll();
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(h.prompts.notices.last(), padded("No files selected, Kindly select a file", 13));
    // ... unless a button has the focus: then that button.
    child(&window, "browse")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(window.files().size(), 2);

    // The help window is on the screen and goes with Esc or Ctrl+W.
    for (const QKeyCombination keys :
         {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
      child<QAction>(&window, "contents")->trigger();
      auto* help = child<QWidget>(&window, "help");
      QVERIFY(QTest::qWaitForWindowExposed(help));
      QVERIFY(help->screen()->availableGeometry().contains(help->geometry()));
      QTest::keyClick(help, keys.key(), keys.keyboardModifiers());
      QTRY_VERIFY(window.findChild<QWidget*>(QStringLiteral("help")) == nullptr);
    }

    PreviewWindow preview(h.session, {sample("sample-jet4.mdb"), sample("sample-jet3.mdb")}, false,
                          nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    preview.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&preview));
    const QStringList previewReached = tabRound(treeOf(preview), 6);
    QCOMPARE(previewReached, (QStringList{"browser", "back", "nextDatabase", "saveCurrentDatabase",
                                          "saveAll", "objectTree"}));
    child(&preview, "back")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(h.prompts.questions.last(), padded("Do you want to go to previous step ?", 10));
  }

  void aSecondStartHandsItsFilesToTheFirst() {
    Harness h;
    const QString lockPath = SingleInstance::defaultLockPath();
    SingleInstance first(lockPath);
    QVERIFY(first.acquire());
    QVERIFY(first.listen());
    MainWindow window(h.session);
    connect(&first, &SingleInstance::filesArrived, &window, &MainWindow::takeHandedFiles);
    const QString file = QString::fromStdString(sample("sample-jet4.mdb"));
    QProcess second;
    second.setWorkingDirectory(QString::fromUtf8(VANTREL_SOURCE_DIR));
    second.start(QString::fromUtf8(VANTREL_BINARY_DIR "/gui/vantrel"),
                 {QStringLiteral("samples/sample-jet4.mdb")});
    if (!second.waitForFinished(60'000)) {
      second.kill();
      QFAIL("the second start did not end");
    }
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(window.files(), QStringList{file});
  }

  void barsAndFileCountersAgreeWithTheirText() {
    QCOMPARE(pagesPercent(RunProgress{.pagesRead = 0, .pageCount = 0}), 0);
    QCOMPARE(pagesPercent(RunProgress{.pagesRead = 408'545, .pageCount = 496'005}), 82);
    QCOMPARE(pagesPercent(RunProgress{.pagesRead = 496'005, .pageCount = 496'005}), 100);
    QCOMPARE(pagesPercent(RunProgress{.pagesRead = 9, .pageCount = 4}), 100);

    Harness h;
    PreviewWindow preview(h.session, {sample("sample-jet4.mdb"), large_}, false, nullptr);
    preview.start();
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    preview.nextDatabase();
    QVERIFY(preview.analysisDialog() != nullptr);
    QString text;
    int bar = -1;
    AnalysisDialog* dialog = preview.analysisDialog();
    connect(dialog, &QDialog::finished, this, [&, dialog] {
      text = dialog->progressText();
      bar = dialog->barPosition();
    });
    QTRY_VERIFY_WITH_TIMEOUT(analysed(preview), kLong);
    QVERIFY2(text.startsWith(QStringLiteral("File 2 of 2")), qPrintable(text));
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("(\\d+) of (\\d+) pages")).match(text);
    QVERIFY2(pages.hasMatch(), qPrintable(text));
    QCOMPARE(bar, static_cast<int>(pages.captured(1).toLongLong() * 100 /
                                   pages.captured(2).toLongLong()));
  }

  void endDialogOpensTheFolderOrGoesBackToTheList() {
    Harness h;
    MainWindow window(h.session);
    window.show();
    h.prompts.files = {QString::fromStdString(sample("sample-jet4.mdb"))};
    window.browse();
    window.repair();
    QTRY_VERIFY_WITH_TIMEOUT(window.preview() && analysed(*window.preview()), kLong);
    const fs::path out = h.dir / "out";
    fs::create_directory(out);
    h.prompts.folder = QString::fromStdString(out.string());
    window.preview()->saveCurrentDatabase();
    QTRY_VERIFY_WITH_TIMEOUT(window.preview()->findChild<EndDialog*>() != nullptr, kLong);
    auto* end = window.preview()->findChild<EndDialog*>();
    QTRY_VERIFY(end->isVisible());
    child<QPushButton>(end, "openFolder")->click();
    QCOMPARE(h.prompts.opened.size(), 1);
    const fs::path opened = h.prompts.opened[0].toStdString();
    QCOMPARE(opened.parent_path(), out);
    QVERIFY(fs::exists(opened / "sample-jet4.sqlite"));

    h.prompts.desktopOpens = false;  // View Log then shows the log in a window of its own
    child<QCheckBox>(end, "viewLogBox")->setChecked(true);
    child<QPushButton>(end, "backToList")->click();
    QTRY_VERIFY(window.preview() == nullptr);
    QVERIFY(window.isVisible());
    QCOMPARE(window.files().size(), 1);
    QCOMPARE(h.quits, 0);
    auto* viewer = child<QPlainTextEdit>(&window, "logViewer");
    QVERIFY(viewer->isReadOnly());
    QVERIFY(viewer->toPlainText().contains(QStringLiteral("Repairing Completed successfully")));
    QTest::keyClick(viewer, Qt::Key_Escape);
    QTRY_VERIFY(window.findChild<QPlainTextEdit*>(QStringLiteral("logViewer")) == nullptr);
  }
};

}  // namespace vantrel::gui

QTEST_MAIN(vantrel::gui::WindowsTest)
#include "windows_test.moc"
