#include "fuzz/fuzz_runs.h"

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/activity_log.h"
#include "app/analysis_run.h"
#include "app/preview_loader.h"
#include "app/saving_handler.h"
#include "app/table_rows.h"
#include "destinations/postgres/postgres_destination.h"
#include "destinations/sqlite/dao_database.h"
#include "destinations/sqlite/dao_exception.h"
#include "dialects/postgres/postgres_translation.h"
#include "dialects/sqlite/sqlite_translation.h"
#include "display/value_text.h"
#include "jetsql/identifier_text.h"
#include "jetsql/jet_sql_tokenizer.h"
#include "jetsql/query_builder.h"
#include "jetsql/query_definition_row.h"
#include "jetsql/query_text_wrap.h"
#include "reader/catalog_walk.h"
#include "reader/text_decoding.h"
#include "run/catalog_summary.h"
#include "run/display_text.h"
#include "run/run_state.h"
#include "salvage/query_views.h"

namespace vantrel::fuzz {

namespace {

// Tables and queries previewed per input: each one opens the file and reads it again.
constexpr size_t kMaxObjectsPreviewed = 32;

// A folder of the process's own for the input file and the destination, in memory when the
// system offers a memory file system. Removed when the process ends normally.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error) || ::access(base.c_str(), W_OK) != 0) {
      base = std::filesystem::temp_directory_path();
    }
    std::string pattern = (base / "vantrel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

const ScratchFolder& scratch() {
  static const ScratchFolder folder;
  return folder;
}

std::filesystem::path writeInput(std::span<const uint8_t> bytes) {
  const auto path = scratch() / "input.mdb";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return path;
}

// Removes a destination and the files SQLite keeps beside it.
void removeDatabase(const std::filesystem::path& path) {
  std::error_code ignored;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    std::filesystem::remove(path.string() + suffix, ignored);
  }
}

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(separator, from);
    parts.emplace_back(
        text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) return parts;
    from = at + 1;
  }
}

// The preview's row list: every field made into the text it shows.
class ShownRows : public TableRowVisitor {
 public:
  void columns(std::span<const ColumnDefinition>) override {}
  bool row(std::span<const ColumnDefinition> columns, std::span<const FieldValue> fields) override {
    for (size_t i = 0; i < columns.size() && i < fields.size(); ++i)
      shownBytes_ += previewText(columns[i], fields[i]).size();
    return true;
  }

 private:
  size_t shownBytes_ = 0;
};

}  // namespace

void analyseFile(std::span<const uint8_t> bytes) {
  const auto path = writeInput(bytes).string();
  const ActivityLog log(scratch() / ActivityLog::kFileName);
  SilentRunHooks hooks;
  RunState run(hooks);
  const AnalysisResult analysis = runAnalysis(path, run, &log, nullptr);
  // The preview then shows the rows of the tables the analysis found.
  size_t shown = 0;
  for (const auto& table : analysis.summary.tables) {
    if (++shown > kMaxObjectsPreviewed) break;
    ShownRows rows;
    loadPreviewTable(run, path, table.objectId, table.name, rows);
  }
}

void saveFile(std::span<const uint8_t> bytes) {
  const auto path = writeInput(bytes);
  const auto destinationPath = scratch() / "input.sqlite";
  const ActivityLog log(scratch() / ActivityLog::kFileName);
  removeDatabase(destinationPath);
  SilentRunHooks hooks;
  RunState run(hooks);
  run.runPhase = RunPhase::kSaving;
  CatalogSummary summary;
  CDaoDatabase destination;
  destination.Create(destinationPath);
  SalvageContext context{run, &log, &destination};
  SavingHandler handler(context);
  walkFile(path, handler, run);
  createQueryViews(context, ViewDialect::SQLite);
  try {
    destination.Close();
  } catch (const CDaoException&) {
    // Rows that could not be kept; the saving run reports nothing either.
  }
  removeDatabase(destinationPath);
}

void rebuildQueries(std::span<const uint8_t> bytes) {
  const auto path = writeInput(bytes).string();
  SilentRunHooks hooks;
  RunState run(hooks);
  const AnalysisResult analysis = runAnalysis(path, run, nullptr, nullptr);
  size_t shown = 0;
  for (const auto& query : analysis.summary.queryList) {
    if (++shown > kMaxObjectsPreviewed) break;
    loadPreviewQuery(run, path, query.objectId, query.name);
    rebuildQueryText(run, path, query.objectId, query.name);
  }
}

void buildQueryFromRows(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  const int formatVersion = bytes[0] == '3' ? 0 : 1;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()) + 1, bytes.size() - 1);
  QueryBuilder builder;
  std::optional<int64_t> queryId;
  for (const std::string& line : split(text, kRowSeparator)) {
    const std::vector<std::string> columns = split(line, kColumnSeparator);
    const QueryDefinitionRow row = queryRowFromTexts(columns, formatVersion);
    // The first row names the query; rows of other queries are passed over, as in the file.
    if (!queryId) queryId = row.objectId;
    if (rowBelongsToQuery(row.objectId, formatVersion, *queryId)) builder.addRow(row);
  }
  const std::u16string wide = builder.composeWide();
  wrapQueryText(std::u16string_view(wide));
  wrapQueryText(std::string_view(builder.compose()));
  translateQueryToSqlite(builder.compose(), [](const std::string&) {
    return std::vector<PivotValue>{{"1", "one"}, {"NULL", "<>"}};
  });
}

void translateView(std::span<const uint8_t> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const PivotValueReader pivots = [](const std::string&) {
    return std::vector<PivotValue>{{"'a'", "a"}, {"NULL", "<>"}};
  };
  translateQueryToSqlite(text, pivots);
  translateQueryToPostgres(text, pivots);
  namesInJetSql(text);
}

void decodeNames(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  const std::span<const uint8_t> name = bytes.subspan(1);
  constexpr std::array<int, 4> kCodePages = {1252, 1251, 932, 936};
  const std::string decoded = bytes[0] % 5 == 4
                                  ? decodeJet4Text(name, false)
                                  : CodePageDecoder(kCodePages[bytes[0] % 5]).decode(name, false);
  for (const NameRules& rules : {sqliteNameRules(), postgresNameRules()}) {
    HeldNames names(rules);
    TableDescription table{.name = decoded};
    table.columns.push_back({.name = decoded});
    table.columns.push_back({.name = decoded});
    std::vector<Renaming> renamings;
    for (int copy = 0; copy < 2; ++copy) {
      const TableDescription held = names.place(table, renamings);
      for (const std::string* placed : {&held.name, &held.columns[0].name, &held.columns[1].name}) {
        if (placed->find('\0') != std::string::npos) abort();
        if (rules.maxBytes != 0 && placed->size() > rules.maxBytes) abort();
      }
      if (equalsIgnoringAsciiCase(held.columns[0].name, held.columns[1].name)) abort();
    }
  }
  for (const char c : escapedControlCharacters(decoded)) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) abort();
  }
}

}  // namespace vantrel::fuzz
