// Saved queries as views in repaired databases: the sample's views give the rows worked out
// by hand from samples/sample.json, and on the whole corpus every view made runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>

#include "app/object_listing.h"
#include "app/saving_handler.h"
#include "app/saving_run.h"
#include "destinations/sqlite/dao_database.h"
#include "dialects/sqlite/sqlite_translation.h"
#include "jetsql/jet_sql_tokenizer.h"
#include "reader/catalog_walk.h"
#include "salvage/query_views.h"
#include "tests/support/corpus.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class ListHooks : public SilentRunHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

class KeepNothing : public SavingHooks {
 public:
  OverwriteAnswer askOverwrite(const std::filesystem::path&) override {
    return OverwriteAnswer::No;
  }
  bool confirmOverwrite(const std::filesystem::path&) override { return false; }
};

TEST(QueryViewsSavingTest, TheSampleDatabasesViewsGiveTheExpectedRows) {
  test::TempDir dir;
  ListHooks hooks;
  RunState run(hooks);
  KeepNothing answers;
  SavingRequest request;
  request.sourceFiles = {VANTREL_SOURCE_DIR "/samples/sample-jet4.mdb"};
  request.destination = dir.path().string();
  const SavingOutcome outcome = runSaving(request, run, answers, nullptr);
  ASSERT_EQ(outcome.files.size(), 1u);
  EXPECT_NE(std::find(hooks.lines.begin(), hooks.lines.end(), "Queries Saved As Views :   8 of 15"),
            hooks.lines.end());
  test::SqliteFile saved(outcome.files[0].destination);
  const auto view = [&](const std::string& name) {
    return saved.query("SELECT * FROM " + test::quoted(name));
  };
  // Orders with more freight than 10 (the two deleted orders are not salvaged), newest first.
  EXPECT_EQ(view("Customer Orders"),
            (Rows{{"Café Größe & Söhne", "10254", "2003-07-11 00:00:00"},
                  {"Tokyo Traders", "10252", "2002-07-09 00:00:00"},
                  {"Alfreds Futterkiste", "10251", "2001-07-08 09:30:00"},
                  {"Ana Trujillo Emparedados y helados", "10249", "2000-07-05 00:00:00"},
                  {"Alfreds Futterkiste", "10248", "1999-07-04 00:00:00"}}));
  // Germany 32.38 + 41.34, Austria 22.98, Japan 51.30; Mexico's 11.61 stays under 20.
  EXPECT_EQ(view("Freight by Country"),
            (Rows{{"Austria", "22.98"}, {"Germany", "73.72"}, {"Japan", "51.3"}}));
  EXPECT_EQ(view("Top Products"),
            (Rows{{"Chef Anton's Gumbo Mix", "21.35"}, {"Chang", "19"}, {"Chai", "18"}}));
  EXPECT_EQ(saved.query("SELECT * FROM \"Distinct Countries\" ORDER BY 1"),
            (Rows{{"Austria"}, {"Germany"}, {"Japan"}, {"Mexico"}}));
  // Products RIGHT JOIN the order lines: every line, with its product's name.
  EXPECT_EQ(saved.query("SELECT * FROM \"Order Lines\" ORDER BY 1, 3"),
            (Rows{{"10248", "Chang", "10"},
                  {"10248", "Chai", "12"},
                  {"10249", "Aniseed Syrup", "5"},
                  {"10251", "Chai", "6"},
                  {"10251", "Chef Anton's Gumbo Mix", "15"},
                  {"10252", "Chang", "40"},
                  {"10254", "Aniseed Syrup", "21"}}));
  EXPECT_EQ(saved.scalar("SELECT count(*) FROM \"All Orders\""), "5");
  EXPECT_EQ(saved.scalar("SELECT count(*) FROM \"All Names\""), "9");
  // One column per year of an order, the freight of each country in it.
  EXPECT_EQ(view("Freight Crosstab"), (Rows{{"Austria", "", "", "", "", "22.98"},
                                            {"Germany", "32.38", "", "41.34", "", ""},
                                            {"Japan", "", "", "", "51.3", ""},
                                            {"Mexico", "", "11.61", "", "", ""}}));
  EXPECT_EQ(
      saved.query("SELECT group_concat(name, ',') FROM pragma_table_info('Freight Crosstab')"),
      (Rows{{"Country,1999,2000,2001,2002,2003"}}));
  EXPECT_EQ(saved.query("SELECT name, no_view_reason FROM MSysVantrelQueries WHERE sqlite_sql IS "
                        "NULL ORDER BY rowid"),
            (Rows{{"Orders Between", "parameter query"},
                  {"Raise Prices", "update query"},
                  {"Remove Old Orders", "delete query"},
                  {"Archive Orders", "append query"},
                  {"Log Archive Run", "append query"},
                  {"Copy Customers", "make-table query"},
                  {"Create Log", "data-definition query"}}));
}

// Upper-case ASCII, for names compared as Jet compares them.
std::string folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

struct SavedQuery {
  std::string sql;
  bool hasView = false;
  std::string reason;
};

// What one file's queries read and became.
class FileQueries {
 public:
  FileQueries(const CatalogSummary& source, const test::SqliteFile& saved) {
    for (const auto& table : source.tables)
      sourceTables_.insert(folded(table.name));
    for (const auto& row : saved.query("SELECT name FROM sqlite_master WHERE type = 'table'"))
      savedTables_.insert(folded(row[0]));
    for (const auto& row : saved.query("SELECT name, coalesce(sql, ''), sqlite_sql IS NOT NULL, "
                                       "coalesce(no_view_reason, ''), connect IS NOT NULL FROM "
                                       "MSysVantrelQueries")) {
      if (row[4] == "1") continue;  // pass-through
      queries_[folded(row[0])] = {row[1], row[2] == "1", row[3]};
    }
  }

  // A select or union query without parameters whose tables (and the queries it reads, each
  // such a query too) were all salvaged.
  bool counts(const std::string& name) {
    if (const auto known = counts_.find(name); known != counts_.end()) return known->second;
    counts_[name] = false;  // a query that reads itself does not count
    const SavedQuery& query = queries_.at(name);
    const std::string sql = folded(query.sql);
    // SQLite finds a table missing when it was not salvaged (or the file never had it).
    bool result = (sql.starts_with("SELECT") || sql.starts_with("(")) &&
                  query.reason != "make-table query" &&
                  !query.reason.starts_with("SQLite: no such table:");
    for (const std::string& word : namesInJetSql(query.sql)) {
      const std::string key = folded(word);
      if (key == name) continue;
      if (queries_.contains(key)) result = result && counts(key);
      if (sourceTables_.contains(key)) result = result && savedTables_.contains(key);
    }
    return counts_[name] = result;
  }

  const std::map<std::string, SavedQuery>& queries() const { return queries_; }

 private:
  std::set<std::string> sourceTables_;
  std::set<std::string> savedTables_;
  std::map<std::string, SavedQuery> queries_;
  std::map<std::string, bool> counts_;
};

TEST(QueryViewsSavingTest, OnTheCorpusEveryViewRunsAndNineInTenSelectsBecomeViews) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir dir;
  int views = 0;
  int selects = 0;
  int selectViews = 0;
  int crosstabs = 0;
  int crosstabViews = 0;
  std::map<std::string, int> reasons;  // of the counted selects without a view
  for (const auto& file : test::corpusFiles()) {
    SCOPED_TRACE(file.stem);
    SilentRunHooks hooks;
    RunState run(hooks);
    const auto source = listCatalogObjects(file.path.string(), run);
    ASSERT_TRUE(source);
    CDaoDatabase destination;
    const auto path = dir / (file.stem + ".sqlite");
    destination.Create(path);
    SalvageContext context{run, nullptr, &destination};
    SavingHandler handler(context);
    walkFile(file.path.string(), handler, run);
    const QueryViewCount count = createQueryViews(context, ViewDialect::SQLite);
    destination.Close();

    test::SqliteFile saved(path);
    // Each view steps through all its rows, in a connection with SQLite's defaults.
    for (const auto& row : saved.query("SELECT name FROM sqlite_master WHERE type = 'view'")) {
      sqlite3_stmt* statement = nullptr;
      const std::string select = "SELECT * FROM " + test::quoted(row[0]);
      int stepped = sqlite3_prepare_v2(saved.handle(), select.c_str(), -1, &statement, nullptr);
      while (stepped == SQLITE_OK || stepped == SQLITE_ROW)
        stepped = sqlite3_step(statement);
      EXPECT_EQ(stepped, SQLITE_DONE) << row[0] << ": " << sqlite3_errmsg(saved.handle());
      sqlite3_finalize(statement);
      ++views;
    }
    EXPECT_EQ(count.made, std::stoi(saved.scalar("SELECT count(*) FROM MSysVantrelQueries "
                                                 "WHERE sqlite_sql IS NOT NULL")));
    FileQueries queries(*source, saved);
    for (const auto& [name, query] : queries.queries()) {
      if (folded(query.sql).starts_with("TRANSFORM")) {
        ++crosstabs;
        crosstabViews += query.hasView ? 1 : 0;
      }
      if (!queries.counts(name)) continue;
      ++selects;
      if (query.hasView) {
        ++selectViews;
      } else {
        ++reasons[query.reason];
      }
    }
  }
  std::cout << views << " views made, all run; " << selectViews << " of " << selects
            << " select and union queries without parameters whose tables were salvaged; "
            << crosstabViews << " of " << crosstabs << " crosstabs\n";
  for (const auto& [reason, n] : reasons)
    std::cout << "  no view (" << n << "): " << reason << "\n";
  EXPECT_GE(selectViews * 10, selects * 9);
  EXPECT_GE(selects, 60);
}

}  // namespace
}  // namespace vantrel
