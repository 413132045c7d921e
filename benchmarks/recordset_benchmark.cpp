// Saving rows through the destination engine's recordset, side by side with the sqlite3
// shell importing the same rows from CSV into the same table, in the same run.
//
//   ./build/benchmarks/vantrel_benchmarks            (VANTREL_BENCH_ROWS sets the row count)

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/sqlite/dao_database.h"
#include "destinations/sqlite/dao_recordset.h"

namespace vantrel {
namespace {

constexpr std::string_view kColumns[] = {"Id",    "Flag",    "Small", "Qty",   "Price",
                                         "Ratio", "Ordered", "Name",  "Notes", "Code"};
constexpr size_t kColumnCount = std::size(kColumns);

const char* const kTableDdl[] = {
    "CREATE TABLE [Orders]([Id] LONG);",         "ALTER TABLE [Orders] ADD PRIMARY KEY ([Id]);",
    "ALTER TABLE [Orders] ADD [Flag] BIT;",      "ALTER TABLE [Orders] ADD [Small] BYTE;",
    "ALTER TABLE [Orders] ADD [Qty] INT;",       "ALTER TABLE [Orders] ADD [Price] CURRENCY;",
    "ALTER TABLE [Orders] ADD [Ratio] DOUBLE;",  "ALTER TABLE [Orders] ADD [Ordered] DATE;",
    "ALTER TABLE [Orders] ADD [Name] TEXT(50);", "ALTER TABLE [Orders] ADD [Notes] MEMO;",
    "ALTER TABLE [Orders] ADD [Code] GUID;"};

size_t rowCount() {
  const char* text = std::getenv("VANTREL_BENCH_ROWS");
  return text != nullptr ? std::strtoul(text, nullptr, 10) : 1'000'000;
}

// The value texts of all rows, as the reader renders them, packed in one buffer; and the
// same rows as the values SQLite ends up holding, as CSV for the shell.
struct Workload {
  std::string texts;
  std::vector<uint32_t> ends;  // end offset of each value, row by row
  std::filesystem::path csv;
};

const Workload& workload() {
  static const Workload made = [] {
    Workload w;
    w.csv = std::filesystem::temp_directory_path() / "vantrel-bench-orders.csv";
    std::ofstream csv(w.csv, std::ios::binary);
    char reader[kColumnCount][96];
    char isoDate[32];
    const size_t rows = rowCount();
    w.ends.reserve(rows * kColumnCount);
    for (size_t i = 0; i < rows; ++i) {
      const int month = static_cast<int>(i % 12) + 1;
      const int day = static_cast<int>(i % 28) + 1;
      const int year = 1890 + static_cast<int>(i % 130);
      const int hour = static_cast<int>(i % 24);
      const int minute = static_cast<int>(i % 60);
      const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
      const unsigned long long cents = (i * 7919ULL) % 100000000ULL;
      std::snprintf(reader[0], 96, "%zu", i + 1);
      std::snprintf(reader[1], 96, "%d", static_cast<int>(i % 2));
      std::snprintf(reader[2], 96, "%d", static_cast<int>(i % 256));
      std::snprintf(reader[3], 96, "%d", static_cast<int>(i * 7 % 65536) - 32768);
      std::snprintf(reader[4], 96, "%s%llu.%04llu", i % 5 == 0 ? "-" : "", cents / 10000,
                    cents % 10000);
      std::snprintf(reader[5], 96, "%.6f", static_cast<double>(i) / 7.0);
      std::snprintf(reader[6], 96, "%02d/%02d/%04d %02d:%02d:%02d %s", month, day, year, hour12,
                    minute, minute, hour < 12 ? "AM" : "PM");
      std::snprintf(reader[7], 96, "Customer %zu", i % 50000);
      std::snprintf(reader[8], 96, "Deliver to the back door; order number %zu by road", i);
      std::snprintf(reader[9], 96, "{%08zX-1234-5678-9ABC-%012zX}", i, i * 31);
      std::snprintf(isoDate, sizeof isoDate, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day,
                    hour, minute, minute);
      for (size_t c = 0; c < kColumnCount; ++c) {
        w.texts += reader[c];
        w.ends.push_back(static_cast<uint32_t>(w.texts.size()));
        csv << (c == 6 ? isoDate : reader[c]) << (c + 1 < kColumnCount ? ',' : '\n');
      }
    }
    return w;
  }();
  return made;
}

std::filesystem::path freshDestination(std::string_view name) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove(path);
  return path;
}

void createOrdersTable(CDaoDatabase& database) {
  for (const char* statement : kTableDdl)
    database.Execute(statement);
}

void BM_RecordsetSavesRows(benchmark::State& state) {
  const Workload& w = workload();
  const size_t rows = w.ends.size() / kColumnCount;
  for (auto _ : state) {
    state.PauseTiming();
    const auto path = freshDestination("vantrel-bench-recordset.sqlite");
    CDaoDatabase database;
    database.Create(path);
    createOrdersTable(database);
    state.ResumeTiming();

    CDaoRecordset recordset(database);
    recordset.Open("SELECT * FROM [Orders]");
    uint32_t start = 0;
    const std::string_view texts = w.texts;
    for (size_t row = 0; row < rows; ++row) {
      recordset.AddNew();
      for (size_t c = 0; c < kColumnCount; ++c) {
        const uint32_t end = w.ends[row * kColumnCount + c];
        recordset.SetFieldValue(kColumns[c], texts.substr(start, end - start));
        start = end;
      }
      recordset.Update();
    }
    recordset.Close();
    database.Close();
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Sqlite3ShellImportsCsv(benchmark::State& state) {
  const Workload& w = workload();
  const size_t rows = w.ends.size() / kColumnCount;
  if (std::system("command -v sqlite3 >/dev/null 2>&1") != 0) {
    state.SkipWithError("the sqlite3 shell is not installed");
    return;
  }
  for (auto _ : state) {
    // The same table, made by the engine, then filled by the shell.
    const auto path = freshDestination("vantrel-bench-shell.sqlite");
    {
      CDaoDatabase database;
      database.Create(path);
      createOrdersTable(database);
    }
    const std::string command =
        "sqlite3 '" + path.string() + "' \".import --csv '" + w.csv.string() + "' Orders\"";
    const auto begin = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("sqlite3 .import failed");
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - begin;
    state.SetIterationTime(seconds.count());
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_RecordsetSavesRows)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Sqlite3ShellImportsCsv)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
