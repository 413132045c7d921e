#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/object_listing.h"
#include "app/object_tree.h"
#include "app/ole_extraction.h"
#include "app/preview_loader.h"
#include "app/report_texts.h"
#include "app/source_problems.h"
#include "app/table_rows.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/row_options.h"
#include "cli/terminal.h"
#include "cli/value_output.h"
#include "dialects/postgres/postgres_translation.h"
#include "dialects/sqlite/sqlite_translation.h"
#include "run/walk_end.h"

namespace vantrel::cli {

namespace {

struct ObjectOptions {
  std::string file;
  std::string name;
  std::string folder = ".";
  RowFormat format = RowFormat::Tsv;
  ValueOptions values{.currencySymbol = true};
  int64_t limit = std::numeric_limits<int64_t>::max();
  bool sqlOnly = false;
  bool sqlite = false;
  bool postgresql = false;
};

// The table's rows, up to the limit, as they are read.
class TableRowsOut : public TableRowVisitor {
 public:
  TableRowsOut(ValueRowWriter& writer, int64_t limit) : writer_(writer), limit_(limit) {}
  void columns(std::span<const ColumnDefinition> columns) override {
    writer_.writeHeadings(columns);
  }
  bool row(std::span<const ColumnDefinition> columns, std::span<const FieldValue> fields) override {
    if (written_ >= limit_) return false;
    writer_.writeRow(columns, fields);
    ++written_;
    return true;
  }
  int64_t written() const { return written_; }

 private:
  ValueRowWriter& writer_;
  int64_t limit_;
  int64_t written_ = 0;
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

int endOf(WalkEnd end) {
  if (end == WalkEnd::kStopped || InterruptGuard::interrupted()) return kExitInterrupted;
  return kExitOk;
}

// Finds the named object among the file's (`find`) and shows it (`show`), with Ctrl-C asking
// the reading to stop; a file that does not open or has no such object ends with a message.
template <typename Find, typename Show>
int withObject(const ObjectOptions& options, std::string_view kind, Find find, Show show) {
  SilentRunHooks hooks;
  RunState run(hooks);
  InterruptGuard guard(run);
  const auto objects = objectsOf(options.file, run);
  if (!objects) return kExitNotOpened;
  const auto* object = find(*objects, options.name);
  if (object == nullptr) return notFound(kind, options);
  return show(run, *object);
}

int runTable(const ObjectOptions& options, Verbosity verbosity) {
  return withObject(options, "table", findTableEntry, [&](RunState& run, const auto& table) {
    ValueRowWriter writer(std::cout, options.format, options.values);
    TableRowsOut out(writer, options.limit);
    const auto read = readTableRows(run, options.file, table.objectId, table.name, out);
    std::cout.flush();
    if (!read) {
      std::cerr << "vantrel-cli: " << options.file << " could not be read again\n";
      return kExitNotOpened;
    }
    verboseNote(verbosity,
                "table " + table.name + ": rows printed: " + std::to_string(out.written()));
    return endOf(*read);
  });
}

int runOle(const ObjectOptions& options, Verbosity verbosity) {
  return withObject(options, "table", findTableEntry, [&](RunState& run, const auto& table) {
    const auto extracted =
        extractOleObjects(run, options.file, table.objectId, table.name, options.folder);
    if (!extracted) {
      std::cerr << "vantrel-cli: " << options.file << " could not be read again\n";
      return kExitNotOpened;
    }
    for (const ExtractedObject& object : extracted->written) {
      std::cout << object.file.string() << "\t"
                << (object.unwrapped ? (object.className.empty() ? "bare" : object.className)
                                     : "as stored")
                << "\t" << object.size << " bytes\n";
    }
    std::cout.flush();
    for (const std::string& failure : extracted->failures)
      std::cerr << "vantrel-cli: " << failure << "\n";
    verboseNote(verbosity, "table " + table.name +
                               ": files written: " + std::to_string(extracted->written.size()) +
                               " from " + std::to_string(extracted->rows) + " rows");
    if (!extracted->failures.empty()) return kExitNotOpened;
    return endOf(extracted->end);
  });
}

int runQuery(const ObjectOptions& options) {
  return withObject(options, "query", findQueryEntry, [&](RunState& run, const auto& query) {
    if (options.sqlite || options.postgresql) {
      // The view's SELECT as a repair would create it, or why there is none.
      const QueryText text = rebuildQueryText(run, options.file, query.objectId, query.name);
      const ViewTranslator translate =
          options.postgresql ? translateQueryToPostgres : translateQueryToSqlite;
      const ViewTranslation translation = text.connect
                                              ? ViewTranslation{std::nullopt, "pass-through query"}
                                              : translate(text.sqlText, {});
      std::cout << (translation.sql ? *translation.sql : "No view: " + translation.reason) << "\n";
      return endOf(text.end);
    }
    if (options.sqlOnly) {
      const QueryText text = rebuildQueryText(run, options.file, query.objectId, query.name);
      std::cout << withLineFeeds(text.sqlText) << "\n";
      return endOf(text.end);
    }
    const QueryText text = loadPreviewQuery(run, options.file, query.objectId, query.name);
    std::cout << withLineFeeds(queryReportText(query.name, text.sqlText, text.connect));
    return endOf(text.end);
  });
}

int runRelation(const ObjectOptions& options) {
  return withObject(options, "relation", findRelationEntry, [](RunState&, const auto& relation) {
    std::cout << withLineFeeds(relationReportText(relation));
    return endOf(WalkEnd::kFinished);
  });
}

CLI::App* objectCommand(CLI::App& app, const char* verb, const char* description,
                        const char* nameHelp, ObjectOptions& options) {
  CLI::App* command = app.add_subcommand(verb, description);
  command->add_option("FILE", options.file, "The .mdb or .accdb file")->required();
  command->add_option("NAME", options.name, nameHelp)->required();
  return command;
}

}  // namespace

void addObjectCommands(CLI::App& app, int& exitCode, const Verbosity& verbosity) {
  auto options = std::make_shared<ObjectOptions>();
  CLI::App* table =
      objectCommand(app, "table", "Print the rows of one table as the preview shows them",
                    "The table's name", *options);
  addRowOutputOptions(*table, options->format, options->values);
  addLimitOption(*table, options->limit);
  table->callback([options, &exitCode, &verbosity] {
    checkRowOutputOptions(options->format, options->values);
    exitCode = runTable(*options, verbosity);
  });

  CLI::App* ole = objectCommand(
      app, "ole", "Write the pictures, files and documents of one table's OLE Object fields",
      "The table's name", *options);
  ole->add_option("--out", options->folder,
                  "The folder to write them into (created when missing; default: the current one)")
      ->type_name("DIR");
  ole->callback([options, &exitCode, &verbosity] { exitCode = runOle(*options, verbosity); });

  CLI::App* query = objectCommand(app, "query", "Print one saved query with its rebuilt SQL",
                                  "The query's name", *options);
  query->add_flag("--sql", options->sqlOnly, "Print only the SQL text, unwrapped");
  CLI::Option* sqlite =
      query->add_flag("--sqlite", options->sqlite,
                      "Print the SQLite SELECT of the query's view, or why it has none");
  query
      ->add_flag("--postgresql", options->postgresql,
                 "Print the PostgreSQL SELECT of the query's view, or why it has none")
      ->excludes(sqlite);
  query->callback([options, &exitCode] { exitCode = runQuery(*options); });

  CLI::App* relation = objectCommand(app, "relation", "Print one relation: its tables and fields",
                                     "The relation's name", *options);
  relation->callback([options, &exitCode] { exitCode = runRelation(*options); });
}

}  // namespace vantrel::cli
