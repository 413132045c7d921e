#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "app/report_texts.h"
#include "app/source_problems.h"
#include "cli/commands.h"
#include "cli/word_options.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel::cli {

namespace {

struct InfoOptions {
  std::string file;
  std::vector<int64_t> tdefPages;
};

void printDefinition(SourceDatabase& db, int64_t page, std::ostream& out) {
  out << "\nDefinition on page " << page << ":\n";
  CatalogObject object{.name = "", .objectType = 0, .tdefPage = page};
  const auto opened = openTable(db, object, {.keepWithoutColumns = true});
  if (!opened) {
    out << "  no readable table definition\n";
    return;
  }
  const TableDefinition& table = opened->definition;
  const auto& map = table.usageMap.bytes();
  const int mapType = map.empty() ? -1 : map[0];
  out << "  rows:        " << table.rowCount << "\n"
      << "  columns:     " << table.columnCount << "\n"
      << "  indexes:     " << table.indexCount << " (real " << table.realIndexCount << ")\n"
      << "  usage map:   " << map.size() << " bytes, type " << mapType << "\n";
  if (table.columns.empty()) {
    out << "  no column list\n";
    return;
  }
  out << "  " << std::left << std::setw(5) << "#" << std::setw(34) << "name" << std::right
      << std::setw(5) << "type" << std::setw(7) << "size"
      << "  " << std::left << std::setw(9) << "storage" << std::right << std::setw(7) << "number"
      << std::setw(9) << "varindex" << std::setw(8) << "offset"
      << "\n";
  int position = 0;
  for (const ColumnDefinition& column : table.columns) {
    out << "  " << std::left << std::setw(5) << position++ << std::setw(34) << column.name
        << std::right << std::setw(5) << column.type << std::setw(7) << column.size << "  "
        << std::left << std::setw(9) << (column.isFixed ? "fixed" : "variable") << std::right
        << std::setw(7) << column.columnNumber << std::setw(9) << column.variableIndex
        << std::setw(8) << column.fixedOffset << "\n";
  }
}

int runInfo(const InfoOptions& options) {
  auto opened = tryOpenSourceDatabase(options.file);
  if (!opened) {
    std::cerr << "vantrel-cli: " << cannotOpenText(options.file, opened.error()) << "\n";
    return kExitNotOpened;
  }
  const std::unique_ptr<SourceDatabase> db = std::move(*opened);
  std::ostream& out = std::cout;
  out << "file:        " << options.file << "\n"
      << "format:      "
      << accessFormatName(db->isAce() ? db->aceVersion() : db->formatVersion()).value_or("unknown")
      << "\n"
      << "page size:   " << db->pageSize() << "\n"
      << "pages:       " << db->pageCount() << "\n";
  if (!db->isJet4()) out << "code page:   " << db->codePageDecoder().codePage() << "\n";
  printDefinition(*db, 2, out);
  for (int64_t page : options.tdefPages)
    printDefinition(*db, page, out);
  return kExitOk;
}

}  // namespace

void addInfoCommand(CLI::App& app, int& exitCode, const Verbosity&) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* info = app.add_subcommand(
      "info", "Show the format of a database and the table definitions on given pages");
  info->add_option("FILE", options->file, "The .mdb or .accdb file")->required();
  info->add_option("--tdef", options->tdefPages,
                   "Also show the table definition on this page (repeatable)")
      ->type_name("PAGE")
      ->check(wholeNumberAtLeast(0));
  info->callback([options, &exitCode] { exitCode = runInfo(*options); });
}

}  // namespace vantrel::cli
