#include <iostream>
#include <limits>
#include <optional>
#include <string>

#include "app/source_problems.h"
#include "cli/commands.h"
#include "cli/row_options.h"
#include "cli/value_output.h"
#include "cli/word_options.h"
#include "reader/catalog_rows.h"
#include "reader/row_reader.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "run/walk_end.h"

namespace vantrel::cli {

namespace {

struct RowsOptions {
  std::string file;
  std::optional<std::string> table;
  std::optional<int64_t> tdefPage;
  RowFormat format = RowFormat::Tsv;
  ValueOptions values;
  int64_t limit = std::numeric_limits<int64_t>::max();
};

std::optional<int64_t> findTablePage(SourceDatabase& db, const std::string& name) {
  for (const CatalogRow& row : readCatalogRows(db)) {
    if (row.objectType == kObjectTable && row.name == name) return row.objectId & 0xFFFFFF;
  }
  return std::nullopt;
}

int runRows(const RowsOptions& options, Verbosity verbosity) {
  auto opened = tryOpenSourceDatabase(options.file);
  if (!opened) {
    std::cerr << "vantrel-cli: " << cannotOpenText(options.file, opened.error()) << "\n";
    return kExitNotOpened;
  }
  const std::unique_ptr<SourceDatabase> db = std::move(*opened);
  std::optional<int64_t> page = options.tdefPage;
  if (options.table) {
    page = findTablePage(*db, *options.table);
    if (!page) {
      std::cerr << "vantrel-cli: no table named \"" << *options.table << "\" in the catalog"
                << " (give its definition page with --tdef)\n";
      return kExitUsage;
    }
  }
  auto table = openTable(
      *db, {.name = options.table.value_or(""), .objectType = kObjectTable, .tdefPage = *page});
  if (!table) {
    std::cerr << "vantrel-cli: no readable table definition on page " << *page << "\n";
    return kExitNotOpened;
  }

  ValueRowWriter writer(std::cout, options.format, options.values);
  const TableDefinition& definition = table->definition;
  RowCursor& cursor = table->cursor;
  writer.writeHeadings(definition.columns);
  int64_t count = 0;
  for (; count < options.limit && fetchRow(*db, definition, cursor) == RowFetch::kRow; ++count)
    writer.writeRow(definition.columns, cursor.fields);
  verboseNote(verbosity, "definition on page " + std::to_string(*page) +
                             ": rows printed: " + std::to_string(count));
  return kExitOk;
}

}  // namespace

void addRowsCommand(CLI::App& app, int& exitCode, const Verbosity& verbosity) {
  auto options = std::make_shared<RowsOptions>();
  CLI::App* rows =
      app.add_subcommand("rows", "Print the rows of one table as the reader renders them");
  rows->add_option("FILE", options->file, "The .mdb or .accdb file")->required();
  auto* byName = rows->add_option("--table", options->table, "The table's name in the catalog");
  auto* byPage = rows->add_option("--tdef", options->tdefPage,
                                  "The table's definition page (works with a damaged catalog)")
                     ->type_name("PAGE")
                     ->check(wholeNumberAtLeast(0));
  byName->excludes(byPage);
  addRowOutputOptions(*rows, options->format, options->values);
  addLimitOption(*rows, options->limit);
  rows->callback([options, &exitCode, &verbosity] {
    checkRowOutputOptions(options->format, options->values);
    if (!options->table && !options->tdefPage) {
      throw CLI::RequiredError("--table or --tdef");
    }
    exitCode = runRows(*options, verbosity);
  });
}

}  // namespace vantrel::cli
