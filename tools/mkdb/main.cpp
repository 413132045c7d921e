// vantrel-mkdb: writes Jet 3 and Jet 4 databases from a JSON description or a generator,
// and damages copies of them, for tests, samples and benchmarks.
#include <CLI/CLI.hpp>
#include <fstream>
#include <map>
#include <iostream>

#include "tests/support/mdb_writer/database_writer.h"
#include "tools/mkdb/damage.h"
#include "tools/mkdb/manifest_json.h"
#include "tools/mkdb/spec_json.h"
#include "tools/mkdb/synthetic.h"

namespace {

using namespace vantrel;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

nlohmann::json readJson(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  return nlohmann::json::parse(in);
}

void writeOutputs(const std::string& output, const std::string& manifestPath,
                  mdbwriter::DatabaseSpec spec) {
  const mdbwriter::Manifest manifest = mdbwriter::writeDatabase(output, std::move(spec));
  if (!manifestPath.empty()) {
    std::ofstream out(manifestPath);
    out << mkdb::manifestToJson(manifest).dump(1) << '\n';
    if (!out) throw std::runtime_error("cannot write " + manifestPath);
  }
  int64_t rows = 0;
  int userTables = 0;
  for (const auto& table : manifest.tables) {
    if (table.system) continue;
    ++userTables;
    rows += table.rowCount;
  }
  std::cout << output << ": " << manifest.pageCount << " pages of " << manifest.pageSize
            << " bytes, " << userTables << " tables, " << rows << " rows\n";
}

// "N:V" with each number in any base C accepts (0x.. for hex).
std::pair<int64_t, uint8_t> numberPair(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) throw CLI::ValidationError(text, "expected N:VALUE");
  const int64_t value = std::stoll(text.substr(colon + 1), nullptr, 0);
  if (value < 0 || value > 255) throw CLI::ValidationError(text, "the value is one byte");
  return {std::stoll(text.substr(0, colon), nullptr, 0), static_cast<uint8_t>(value)};
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Writes Jet 3 and Jet 4 (.mdb) databases for tests, samples and benchmarks",
               "vantrel-mkdb"};
  app.require_subcommand(1);
  std::function<void()> action;

  std::string specPath;
  std::string output;
  std::string format;
  std::string manifestPath;
  auto* make = app.add_subcommand("make", "Write a database described in JSON");
  make->add_option("spec", specPath, "JSON description")->required()->check(CLI::ExistingFile);
  make->add_option("output", output, "the .mdb file to write")->required();
  make->add_option("--format", format, "jet3 or jet4 (overrides the description)")
      ->check(CLI::IsMember({"jet3", "jet4"}));
  make->add_option("--manifest", manifestPath, "also write where everything went (JSON)");
  make->callback([&] {
    action = [&] {
      std::optional<mdbwriter::JetVersion> version;
      if (!format.empty()) version = mkdb::parseFormat(format);
      writeOutputs(output, manifestPath, mkdb::specFromJson(readJson(specPath), version));
    };
  });

  mkdb::SyntheticOptions synthetic;
  auto* generate = app.add_subcommand(
      "synthetic", "Write one generated table, \"Records\", of mixed or lean columns");
  generate->add_option("output", output, "the .mdb file to write")->required();
  generate->add_option("--format", format, "jet3 or jet4 (default jet4)")
      ->check(CLI::IsMember({"jet3", "jet4"}));
  generate->add_option("--rows", synthetic.rows, "rows to write")->check(CLI::NonNegativeNumber);
  generate
      ->add_option("--shape", synthetic.shape,
                   "mixed (every kind of column, memos on long-value pages) or lean (long, "
                   "text, double, date, boolean, integer)")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, mkdb::SyntheticShape>{{"mixed", mkdb::SyntheticShape::kMixed},
                                                      {"lean", mkdb::SyntheticShape::kLean}}));
  generate->add_option("--memo-min", synthetic.memoMin, "shortest memo, in characters");
  generate->add_option("--memo-max", synthetic.memoMax, "longest memo, in characters");
  generate->add_option("--chain-every", synthetic.chainEvery,
                       "every n-th memo spans several long-value pages (0: none)");
  generate->add_option("--seed", synthetic.seed, "seed of the generator");
  generate->add_option("--manifest", manifestPath, "also write where everything went (JSON)");
  generate->callback([&] {
    action = [&] {
      if (!format.empty()) synthetic.version = mkdb::parseFormat(format);
      writeOutputs(output, manifestPath, mkdb::syntheticSpec(synthetic));
    };
  });

  std::string input;
  std::vector<int64_t> zeroPages;
  std::vector<std::string> fillPages;
  std::vector<std::string> setBytes;
  std::vector<std::string> zeroDataPages;
  auto* damage = app.add_subcommand("damage", "Copy a database and damage the copy");
  damage->add_option("input", input, "the database to copy")->required()->check(CLI::ExistingFile);
  damage->add_option("output", output, "the damaged copy")->required();
  damage->add_option("--zero-page", zeroPages, "zero a whole page (repeatable)");
  damage->add_option("--fill-page", fillPages, "PAGE:BYTE, fill a page with one byte");
  damage->add_option("--set-byte", setBytes, "OFFSET:BYTE, set one byte of the file");
  damage->add_option("--zero-data-pages", zeroDataPages,
                     "TABLE:FIRST:COUNT, zero a table's data pages (needs --manifest)");
  damage->add_option("--manifest", manifestPath, "the manifest written with the database");
  damage->callback([&] {
    action = [&] {
      mkdb::Damage plan{.zeroPages = zeroPages};
      for (const auto& text : fillPages)
        plan.fillPages.push_back(numberPair(text));
      for (const auto& text : setBytes)
        plan.setBytes.push_back(numberPair(text));
      if (!zeroDataPages.empty()) {
        if (manifestPath.empty()) throw CLI::ValidationError("--zero-data-pages needs --manifest");
        const nlohmann::json manifest = readJson(manifestPath);
        for (const auto& text : zeroDataPages) {
          const auto second = text.rfind(':');
          const auto first = second == std::string::npos ? second : text.rfind(':', second - 1);
          if (first == std::string::npos) {
            throw CLI::ValidationError(text, "expected TABLE:FIRST:COUNT");
          }
          const auto pages =
              mkdb::dataPagesOf(manifest, text.substr(0, first), std::stoll(text.substr(first + 1)),
                                std::stoll(text.substr(second + 1)));
          plan.zeroPages.insert(plan.zeroPages.end(), pages.begin(), pages.end());
        }
      }
      mkdb::damageFile(input, output, plan);
      std::cout << output << ": damaged copy of " << input << '\n';
    };
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "vantrel-mkdb: " << e.what() << " (see vantrel-mkdb --help)\n";
    return kExitUsage;
  }
  try {
    action();
  } catch (const CLI::ValidationError& e) {
    std::cerr << "vantrel-mkdb: " << e.what() << '\n';
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "vantrel-mkdb: " << e.what() << '\n';
    return kExitFailed;
  }
  return kExitOk;
}
