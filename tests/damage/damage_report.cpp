// Damages written and real databases in every kind, and counts per kind the share of the
// healthy file's rows that Vantrel and mdbtools get back from the damaged copies. Writes a
// Markdown report.
//
//   vantrel-damage-report OUT.md [--corpus DIR] [--variants N] [--kind PART]...
//
// --kind keeps the kinds whose name holds PART (several may be given).

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>

#include "tests/damage/damage_database.h"
#include "tests/damage/damage_kinds.h"
#include "tests/damage/salvage_outcome.h"
#include "tests/support/corpus.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/mdbtools.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
namespace mw = vantrel::mdbwriter;
using namespace vantrel::test;

struct Source {
  std::string name;
  fs::path path;
};

// The rows one reader got back, summed over every damaged copy of one kind.
struct Tally {
  int64_t held = 0;      // rows of the healthy files
  int64_t intact = 0;    // rows back with every value
  int64_t found = 0;     // rows back with every value but long values
  int64_t textHeld = 0;  // rows of the healthy files that hold a text value
  int64_t textBack = 0;  // those rows back with every text value, in whichever columns
  int64_t runs = 0;      // table reads
  int64_t failed = 0;    // table reads that failed, crashed or hung
};

struct KindTally {
  int64_t files = 0;
  Tally vantrel;
  Tally mdbtools;
  // The tables whose definition the damage took (zeroed, or beyond the cut).
  int64_t struckTables = 0;
  int64_t struckRowsLeft = 0;  // their live rows on the pages the damage left
  Tally struckVantrel;
  Tally struckMdbtools;
};

// A healthy source as both readers see it: the tables both read, with their rows.
struct Reference {
  std::map<std::string, TableRows> vantrel;
  std::map<std::string, TableRows> mdbtools;
  std::map<std::string, int64_t> definitionPages;
};

// The tables of a damaged copy whose definition page is gone.
std::set<std::string> tablesWithLostDefinition(const Reference& reference, DamageKind kind,
                                               const DamagedFile& damaged, int pageSize) {
  std::set<std::string> struck;
  for (const auto& [table, page] : reference.definitionPages) {
    if (!reference.vantrel.contains(table)) continue;
    const bool zeroed = kind == DamageKind::kDefinitionZeroed && damaged.pages.at(0) == page;
    const bool cut = kind == DamageKind::kCutBeforeDef && page * pageSize >= damaged.cut;
    if (zeroed || cut) struck.insert(table);
  }
  return struck;
}

std::vector<uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

Reference referenceOf(const fs::path& path, const fs::path& work) {
  Reference reference;
  const auto salvaged = salvageWithVantrel(path, work);
  reference.definitionPages = tableDefinitionPages(path);
  const auto listed = mdbtoolsTables(path);
  if (!listed) return reference;
  for (const std::string& table : *listed) {
    const auto ours = salvaged.find(table);
    if (ours == salvaged.end() || ours->second.rows.empty()) continue;
    auto theirs = exportWithMdbtools(path, table, ours->second.longValueColumns);
    if (!theirs || theirs->rows.empty()) continue;
    theirs->textColumns = ours->second.textColumns;
    reference.vantrel[table] = ours->second;
    reference.mdbtools[table] = std::move(*theirs);
  }
  return reference;
}

void tallyDamaged(const fs::path& damaged, const Reference& reference, const fs::path& work,
                  const std::map<int64_t, int64_t>& rowsDeleted,
                  const std::set<std::string>& struck, KindTally& tally) {
  const auto salvaged = salvageWithVantrel(damaged, work);
  tally.struckTables += static_cast<int64_t>(struck.size());
  for (const auto& [table, healthy] : reference.vantrel) {
    const bool isStruck = struck.contains(table);
    Tally& ours = tally.vantrel;
    ++ours.runs;
    ours.held += static_cast<int64_t>(healthy.rows.size());
    std::vector<std::string> names{table};
    int64_t deleted = 0;
    if (const auto page = reference.definitionPages.find(table);
        page != reference.definitionPages.end()) {
      names.push_back(recoveredTableName(page->second));
      names.push_back(lostDefinitionTableName(page->second));
      // Rows the damage deleted are no longer held: a reader that brings them back exceeds
      // 100 %.
      if (const auto it = rowsDeleted.find(page->second); it != rowsDeleted.end()) {
        deleted = it->second;
      }
    }
    ours.held -= deleted;
    const int64_t textHeld = rowsWithText(healthy);
    int64_t textBack = 0;
    for (const std::string& name : names) {
      if (const auto found = salvaged.find(name); found != salvaged.end()) {
        ours.intact += matchingRows(healthy, found->second, true);
        ours.found += matchingRows(healthy, found->second, false);
        textBack += matchingTextRows(healthy, found->second);
      }
    }
    ours.textHeld += textHeld;
    ours.textBack += std::min(textBack, textHeld);
    if (isStruck) {
      tally.struckVantrel.textHeld += textHeld;
      tally.struckVantrel.textBack += std::min(textBack, textHeld);
    }

    const TableRows& theirsHealthy = reference.mdbtools.at(table);
    Tally& theirs = tally.mdbtools;
    ++theirs.runs;
    theirs.held += static_cast<int64_t>(theirsHealthy.rows.size()) - deleted;
    theirs.textHeld += rowsWithText(theirsHealthy);
    if (isStruck) tally.struckMdbtools.textHeld += rowsWithText(theirsHealthy);
    const auto exported = exportWithMdbtools(damaged, table, theirsHealthy.longValueColumns);
    if (!exported) {
      ++theirs.failed;
      continue;
    }
    if (isStruck) tally.struckMdbtools.textBack += matchingTextRows(theirsHealthy, *exported);
    theirs.intact += matchingRows(theirsHealthy, *exported, true);
    theirs.found += matchingRows(theirsHealthy, *exported, false);
    theirs.textBack += matchingTextRows(theirsHealthy, *exported);
  }
}

std::string percent(int64_t part, int64_t whole) {
  if (whole == 0) return "–";
  std::ostringstream out;
  out << std::fixed << std::setprecision(1)
      << 100.0 * static_cast<double>(part) / static_cast<double>(whole) << " %";
  return out.str();
}

void writeReport(const fs::path& out, const std::map<vantrel::test::DamageKind, KindTally>& tallies,
                 size_t sources, int variants, bool withCorpus) {
  std::ofstream report(out);
  report
      << "# Damage report: rows salvaged per kind of damage, Vantrel and mdbtools\n\n"
      << "Made by `scripts/damage-report.sh` (the program `vantrel-damage-report`, from\n"
      << "`tests/damage/`).\n\n"
      << "Sources: the damage suite's written database in Jet 3, Jet 4 and Access 2007 (.accdb)"
      << (withCorpus
              ? ",\nand every corpus database (.mdb and .accdb) whose user tables both readers read"
              : "")
      << " (" << sources << " files). Each kind\n"
      << "is done once to every file; the kinds that strike a random place, " << variants
      << " times with\ndifferent seeds.\n\n"
      << "For each table both readers read from the healthy file, the rows each reader gets from\n"
      << "the damaged copy are matched one by one against the rows the same reader got from the\n"
      << "healthy file: *intact* rows have every value, *found* rows every value except the memo\n"
      << "and OLE values. Vantrel saves the damaged file into a fresh destination; a table it\n"
      << "salvages as `Recovered_Table_<page>` (catalog row lost) or `Recovered_Rows_<page>`\n"
      << "(definition lost too) counts for the table of that definition page. *Text back* counts,\n"
      << "of the rows that hold a text or memo value, those whose every text and memo value comes\n"
      << "back in one salvaged row, in whichever columns (a table whose definition is lost comes\n"
      << "back with columns inferred from its rows, named Field1, Field2, ...).\n"
      << "mdbtools is `mdb-export` of each table by its healthy name; an export that fails,\n"
      << "crashes, runs longer than 10 seconds or needs more than 2 GiB counts as no row "
         "(*failed*).\n"
      << "Where a kind deletes rows (*deleted moved rows*), *rows held* leaves them out: a reader\n"
      << "that brings deleted rows back shows more than 100 %.\n\n"
      << "| damage | files | rows held | Vantrel intact | Vantrel found | Vantrel text back | "
         "mdbtools intact | mdbtools found | mdbtools text back | mdbtools failed |\n"
      << "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const auto& [kind, tally] : tallies) {
    report << "| " << damageName(kind) << " | " << tally.files << " | " << tally.vantrel.held
           << " | " << percent(tally.vantrel.intact, tally.vantrel.held) << " | "
           << percent(tally.vantrel.found, tally.vantrel.held) << " | "
           << percent(tally.vantrel.textBack, tally.vantrel.textHeld) << " | "
           << percent(tally.mdbtools.intact, tally.mdbtools.held) << " | "
           << percent(tally.mdbtools.found, tally.mdbtools.held) << " | "
           << percent(tally.mdbtools.textBack, tally.mdbtools.textHeld) << " | "
           << tally.mdbtools.failed << " of " << tally.mdbtools.runs << " |\n";
  }
  report << "\nThe tables whose definition page the damage took (zeroed, or beyond the cut): "
            "their live\nrows on the pages the damage left, their rows that hold a text value, "
            "and the share of\nthese whose every text value comes back. Rows on pages past "
            "the cut are gone for every\nreader.\n\n"
         << "| damage | tables struck | rows left | rows with text | Vantrel text back | "
            "mdbtools text back |\n"
         << "|---|---:|---:|---:|---:|---:|\n";
  for (const auto& [kind, tally] : tallies) {
    if (tally.struckTables == 0) continue;
    report << "| " << damageName(kind) << " | " << tally.struckTables << " | "
           << tally.struckRowsLeft << " | " << tally.struckVantrel.textHeld << " | "
           << tally.struckVantrel.textBack << " ("
           << percent(tally.struckVantrel.textBack, tally.struckVantrel.textHeld) << ") | "
           << tally.struckMdbtools.textBack << " ("
           << percent(tally.struckMdbtools.textBack, tally.struckMdbtools.textHeld) << ") |\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr
        << "usage: vantrel-damage-report OUT.md [--corpus DIR] [--variants N] [--kind PART]...\n";
    return 2;
  }
  const fs::path out = argv[1];
  std::optional<fs::path> corpus = corpusDir();
  int variants = 3;
  std::vector<std::string> kindsWanted;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--corpus") corpus = fs::path(argv[i + 1]);
    if (option == "--variants") variants = std::stoi(argv[i + 1]);
    if (option == "--kind") kindsWanted.emplace_back(argv[i + 1]);
  }
  const auto wanted = [&kindsWanted](DamageKind kind) {
    return kindsWanted.empty() || std::ranges::any_of(kindsWanted, [kind](const std::string& part) {
             return damageName(kind).find(part) != std::string_view::npos;
           });
  };
  if (!mdbtoolsAvailable()) {
    std::cerr << "vantrel-damage-report: mdbtools is not installed\n";
    return 1;
  }

  TempDir work;
  std::vector<Source> sources;
  for (const SuiteFormat format : kSuiteFormats) {
    std::string name = std::string("suite-") + suiteFormatName(format);
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
    const fs::path path = work / (name + (format == SuiteFormat::kAce ? ".accdb" : ".mdb"));
    mw::writeDatabase(path, damageSuiteDatabase(format));
    sources.push_back({name, path});
  }
  if (corpus) {
    for (const auto& entry : {"jet3", "jet4", "ace"}) {
      if (!fs::is_directory(*corpus / entry)) continue;
      std::vector<fs::path> files;
      for (const auto& file : fs::directory_iterator(*corpus / entry))
        files.push_back(file.path());
      std::sort(files.begin(), files.end());
      for (const auto& file : files)
        sources.push_back({file.stem().string(), file});
    }
  }

  std::map<DamageKind, KindTally> tallies;
  size_t used = 0;
  const auto started = std::chrono::steady_clock::now();
  for (const Source& source : sources) {
    const Reference reference = referenceOf(source.path, work.path());
    if (reference.vantrel.empty()) continue;
    ++used;
    std::cerr << source.name << '\n';
    const std::vector<uint8_t> bytes = readBytes(source.path);
    const PageSurvey survey = surveyPages(bytes);
    for (const DamageKind kind : kAllDamageKinds) {
      if (!wanted(kind)) continue;
      const int count = isRandomDamage(kind) ? variants : 1;
      for (int variant = 1; variant <= count; ++variant) {
        const auto seed = static_cast<uint32_t>(variant * 7919 + static_cast<int>(kind) * 104729);
        const auto damaged = damageFile(bytes, survey, kind, seed);
        if (!damaged) continue;
        const fs::path path = work / "damaged.mdb";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(damaged->bytes.data()),
                   static_cast<std::streamsize>(damaged->bytes.size()));
        ++tallies[kind].files;
        const auto struck = tablesWithLostDefinition(reference, kind, *damaged, survey.pageSize);
        for (const std::string& table : struck) {
          for (int64_t page : survey.dataPagesByOwner.at(reference.definitionPages.at(table))) {
            if (damaged->cut < 0 || (page + 1) * survey.pageSize <= damaged->cut) {
              tallies[kind].struckRowsLeft += survey.liveRowsOn(bytes, page);
            }
          }
        }
        tallyDamaged(path, reference, work.path(), damaged->rowsDeleted, struck, tallies[kind]);
      }
    }
  }
  writeReport(out, tallies, used, variants, corpus.has_value());
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
  std::cerr << "vantrel-damage-report: " << used << " files in " << seconds.count()
            << " s, written to " << out << '\n';
  return 0;
}
