// The saving request chooses the destination: a run into another kind of destination gets the
// same tables, rows, relations and queries, with every value typed after its column.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/saving_run.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

bool kindFits(int jetType, SavedValue::Kind kind) {
  using Kind = SavedValue::Kind;
  if (kind == Kind::Null) return jetType != 1;  // a boolean always has its value
  switch (jetType) {
    case 1:
      return kind == Kind::Boolean;
    case 2:
    case 3:
    case 4:
      return kind == Kind::Integer;
    case 5:
    case 16:
      return kind == Kind::Decimal;
    case 6:
    case 7:
      return kind == Kind::Double;
    case 8:
      return kind == Kind::DateTime;
    case 9:
    case 11:
      return kind == Kind::Bytes;
    case 10:
    case 12:
      return kind == Kind::Text;
    case 15:
      return kind == Kind::Guid;
    default:
      return false;
  }
}

// What the salvage handed over, kept in memory.
struct Recorded {
  std::map<std::string, int64_t> rows;  // by table
  std::vector<std::string> relations;
  std::vector<std::string> queries;
  std::vector<std::string> misfits;  // "table.column" of values not typed after their column
  bool closed = false;
};

class RecordingSink : public RowSink {
 public:
  RecordingSink(Recorded& recorded, TableDescription table)
      : recorded_(recorded), table_(std::move(table)) {}
  bool write(std::span<const FieldValue> row) override {
    for (size_t i = 0; i < row.size() && i < table_.columns.size(); ++i) {
      if (!kindFits(table_.columns[i].jetType, row[i].value.kind)) {
        recorded_.misfits.push_back(table_.name + "." + table_.columns[i].name);
      }
    }
    ++recorded_.rows[table_.name];
    return true;
  }
  int64_t finish() override { return 0; }

 private:
  Recorded& recorded_;
  TableDescription table_;
};

class RecordingDestination : public Destination {
 public:
  explicit RecordingDestination(Recorded& recorded) : recorded_(recorded) {}
  TableCreation createTable(const TableDescription& table) override {
    recorded_.rows[table.name] = 0;
    TableCreation creation;
    for (const DestinationColumn& column : table.columns)
      creation.columnCreated.push_back(column.type.has_value());
    return creation;
  }
  std::unique_ptr<RowSink> openRows(const TableDescription& table, const TableCreation&) override {
    return std::make_unique<RecordingSink>(recorded_, table);
  }
  void createRelation(std::string_view name, std::string_view, std::string_view, long,
                      std::span<const RelationFieldPair>) override {
    recorded_.relations.emplace_back(name);
  }
  void saveQuery(const SavedQuery& query) override {
    recorded_.queries.push_back(query.name);
    queries_.push_back(query);
  }
  std::vector<SavedQuery> savedQueries() const override { return queries_; }
  ViewDialect viewDialect() const override { return ViewDialect::PostgreSQL; }
  void createView(std::string_view, std::string_view) override {}
  void setNoViewReason(std::string_view, std::string_view) override {}
  std::vector<std::pair<std::string, std::string>> selectTextPairs(std::string_view,
                                                                   size_t) const override {
    return {};
  }
  bool isOpen() const override { return !recorded_.closed; }
  bool holdsNothing() const override { return recorded_.rows.empty(); }
  void close() override { recorded_.closed = true; }
  std::string location() const override { return "memory"; }

 private:
  Recorded& recorded_;
  std::vector<SavedQuery> queries_;
};

class RecordingFactory : public DestinationFactory {
 public:
  std::unique_ptr<Destination> create(const std::filesystem::path& file) const override {
    files.push_back(file);
    return std::make_unique<RecordingDestination>(recorded);
  }
  mutable Recorded recorded;
  mutable std::vector<std::filesystem::path> files;
};

class Answers : public SavingHooks {
 public:
  OverwriteAnswer askOverwrite(const std::filesystem::path&) override {
    return OverwriteAnswer::No;
  }
  bool confirmOverwrite(const std::filesystem::path&) override { return false; }
};

class ListHooks : public SilentRunHooks {
 public:
  void appendSavingListLine(int, std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

class DestinationChoiceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DestinationChoiceTest, TheRequestsFactoryGetsEverythingTyped) {
  test::TempDir dir;
  ListHooks hooks;
  RunState run{hooks};
  Answers answers;
  RecordingFactory factory;
  SavingRequest request{.sourceFiles = {std::string(VANTREL_SOURCE_DIR) + "/samples/" + GetParam()},
                        .folder = dir.path()};
  request.destinations = &factory;
  const SavingOutcome outcome = runSaving(request, run, answers, nullptr);

  ASSERT_EQ(outcome.files.size(), 1u);
  EXPECT_EQ(outcome.files[0].status, SavedFile::Status::Saved);
  ASSERT_EQ(factory.files.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(factory.files[0])) << "no SQLite file is made";
  const Recorded& recorded = factory.recorded;
  EXPECT_TRUE(recorded.closed);
  EXPECT_TRUE(recorded.misfits.empty()) << recorded.misfits.front();
  EXPECT_FALSE(recorded.relations.empty());
  EXPECT_FALSE(recorded.queries.empty());
  // The saving list counts the rows the destination took.
  ASSERT_FALSE(recorded.rows.empty());
  for (const auto& [table, count] : recorded.rows) {
    const auto line = std::find(hooks.lines.begin(), hooks.lines.end(),
                                "Repairing Table :                   " + table);
    ASSERT_NE(line, hooks.lines.end()) << table;
    EXPECT_EQ(*(line + 2), "Total Records Recovered :   " + std::to_string(count)) << table;
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, DestinationChoiceTest,
                         ::testing::Values("sample-jet3.mdb", "sample-jet4.mdb"));

}  // namespace
}  // namespace vantrel
