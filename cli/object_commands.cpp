#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/object_listing.h"
#include "app/object_tree.h"
#include "app/preview_loader.h"
#include "app/report_texts.h"
#include "app/source_problems.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/row_output.h"
#include "cli/terminal.h"
#include "queries/sqlite_translation.h"
#include "run/result_codes.h"

namespace vantrel::cli {

namespace {

struct ObjectOptions {
  std::string file;
  std::string name;
  RowFormat format = RowFormat::Tsv;
  bool sqlOnly = false;
  bool sqlite = false;
};

// The preview's row list written out as rows: the headings first, then each row once its
// last cell has come (the next row's first cell, or the end).
class RowListHooks : public SilentRunHooks {
 public:
  explicit RowListHooks(RowWriter& writer) : writer_(writer) {}

  void addPreviewColumn(int columnIndex, std::string_view heading) override {
    const auto at = static_cast<size_t>(columnIndex);
    if (headings_.size() <= at) headings_.resize(at + 1);
    headings_[at] = heading;
  }
  void setPreviewCell(int columnIndex, int, std::string_view text) override {
    if (columnIndex == 0) {
      flushRow();
      row_.emplace(headings_.size());
    }
    const auto at = static_cast<size_t>(columnIndex);
    if (row_ && at < row_->size()) (*row_)[at] = text;
  }
  void finish() { flushRow(); }

 private:
  void flushRow() {
    if (!headingsWritten_) writer_.writeRow(headings_);
    headingsWritten_ = true;
    if (row_) writer_.writeRow(*row_);
    row_.reset();
  }

  RowWriter& writer_;
  std::vector<std::string> headings_;
  bool headingsWritten_ = false;
  std::optional<std::vector<std::string>> row_;
};

// The file's objects, or none after a one-line message.
std::optional<CatalogSummary> objectsOf(const std::string& file, RunState& run) {
  auto objects = listCatalogObjects(file, run);
  if (!objects) {
    std::cerr << "vantrel-cli: " << cannotOpenText(file, objects.error()) << "\n";
    return std::nullopt;
  }
  return std::move(*objects);
}

int notFound(std::string_view kind, const ObjectOptions& options) {
  std::cerr << "vantrel-cli: no " << kind << " named \"" << options.name << "\" in " << options.file
            << "\n";
  return kExitUsage;
}

int endOf(RunResult result) {
  if (result == RunResult::kStopped || InterruptGuard::interrupted()) return kExitInterrupted;
  return kExitOk;
}

int runTable(const ObjectOptions& options) {
  RowWriter writer(std::cout, options.format);
  RowListHooks hooks(writer);
  RunState run(hooks);
  InterruptGuard guard(run);
  const auto objects = objectsOf(options.file, run);
  if (!objects) return kExitNotOpened;
  const auto* table = findTableEntry(*objects, options.name);
  if (table == nullptr) return notFound("table", options);
  const RunResult result = loadPreviewTable(run, options.file, table->objectId, table->name);
  hooks.finish();
  return endOf(result);
}

int runQuery(const ObjectOptions& options) {
  SilentRunHooks hooks;
  RunState run(hooks);
  InterruptGuard guard(run);
  const auto objects = objectsOf(options.file, run);
  if (!objects) return kExitNotOpened;
  const auto* query = findQueryEntry(*objects, options.name);
  if (query == nullptr) return notFound("query", options);
  if (options.sqlite) {
    // The view's SELECT as a repair would create it, or why there is none.
    const QueryText text = rebuildQueryText(run, options.file, query->objectId, query->name);
    const SqliteTranslation translation =
        text.connect ? SqliteTranslation{std::nullopt, "pass-through query"}
                     : translateQueryToSqlite(text.sqlText);
    std::cout << (translation.sql ? *translation.sql : "No view: " + translation.reason) << "\n";
    return endOf(text.result);
  }
  if (options.sqlOnly) {
    const QueryText text = rebuildQueryText(run, options.file, query->objectId, query->name);
    std::cout << withLineFeeds(text.sqlText) << "\n";
    return endOf(text.result);
  }
  const QueryText text = loadPreviewQuery(run, options.file, query->objectId, query->name);
  std::cout << withLineFeeds(queryReportText(query->name, text.sqlText, text.connect));
  return endOf(text.result);
}

int runRelation(const ObjectOptions& options) {
  SilentRunHooks hooks;
  RunState run(hooks);
  const auto objects = objectsOf(options.file, run);
  if (!objects) return kExitNotOpened;
  const auto* relation = findRelationEntry(*objects, options.name);
  if (relation == nullptr) return notFound("relation", options);
  std::cout << withLineFeeds(relationReportText(*relation));
  return kExitOk;
}

CLI::App* objectCommand(CLI::App& app, const char* verb, const char* description,
                        const char* nameHelp, ObjectOptions& options) {
  CLI::App* command = app.add_subcommand(verb, description);
  command->add_option("FILE", options.file, "The .mdb file")->required();
  command->add_option("NAME", options.name, nameHelp)->required();
  return command;
}

}  // namespace

void addObjectCommands(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ObjectOptions>();
  CLI::App* table =
      objectCommand(app, "table", "Print the rows of one table as the preview shows them",
                    "The table's name", *options);
  table->add_option("--format", options->format, "Output format: tsv, csv or json")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, RowFormat>{
              {"tsv", RowFormat::Tsv}, {"csv", RowFormat::Csv}, {"json", RowFormat::Json}},
          CLI::ignore_case));
  table->callback([options, &exitCode] { exitCode = runTable(*options); });

  CLI::App* query = objectCommand(app, "query", "Print one saved query with its rebuilt SQL",
                                  "The query's name", *options);
  query->add_flag("--sql", options->sqlOnly, "Print only the SQL text, unwrapped");
  query->add_flag("--sqlite", options->sqlite,
                  "Print the SQLite SELECT of the query's view, or why it has none");
  query->callback([options, &exitCode] { exitCode = runQuery(*options); });

  CLI::App* relation = objectCommand(app, "relation", "Print one relation: its tables and fields",
                                     "The relation's name", *options);
  relation->callback([options, &exitCode] { exitCode = runRelation(*options); });
}

}  // namespace vantrel::cli
