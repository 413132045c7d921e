// Writes the starting inputs of the fuzz targets: databases written from the seed and sample
// descriptions in both versions, and query-catalog rows as the query-rows target reads them
// (from those descriptions and, when the corpus is there, from its readers' dumps).
//
//   vantrel-fuzz-seeds OUT_DIR SOURCE_DIR [CORPUS_DIR]

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fuzz/fuzz_runs.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tools/mkdb/spec_json.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;

nlohmann::json readJson(const fs::path& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return nlohmann::json::parse(in);
}

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// One row in the Jet 4 column order: attribute, expression, flag, (unused), name1, name2,
// object id.
std::string rowText(const std::string& attribute, const std::string& expression,
                    const std::string& flag, const std::string& name1, const std::string& name2,
                    const std::string& objectId) {
  const char c = fuzz::kColumnSeparator;
  return attribute + c + expression + c + flag + c + c + name1 + c + name2 + c + objectId +
         fuzz::kRowSeparator;
}

std::string jsonText(const nlohmann::json& value) {
  if (value.is_null()) return {};
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

void writeDescribedSeeds(const fs::path& description, const std::string& stem,
                         const fs::path& out) {
  const nlohmann::json json = readJson(description);
  for (const auto version : {mdbwriter::JetVersion::kJet3, mdbwriter::JetVersion::kJet4}) {
    const std::string suffix = version == mdbwriter::JetVersion::kJet3 ? "-jet3" : "-jet4";
    mdbwriter::writeDatabase(out / "files" / (stem + suffix + ".mdb"),
                             mkdb::specFromJson(json, version));
  }
  int n = 0;
  for (const mdbwriter::SavedQuery& query : mkdb::specFromJson(json).queries) {
    std::string text = "4";
    for (const mdbwriter::QueryRow& row : query.rows) {
      text += rowText(std::to_string(row.attribute), row.expression.value_or(""),
                      row.flag ? std::to_string(*row.flag) : "", row.name1.value_or(""),
                      row.name2.value_or(""), "7");
    }
    writeText(out / "query-rows" / (stem + "-" + std::to_string(++n) + ".txt"), text);
  }
}

// The query-catalog rows the corpus readers dumped, one seed per query.
void writeCorpusQuerySeeds(const fs::path& corpus, const fs::path& out) {
  const fs::path oracle = corpus / "oracle";
  if (!fs::is_directory(oracle)) return;
  for (const auto& entry : fs::directory_iterator(oracle)) {
    const fs::path dump = entry.path() / "mdbreader" / "queries.jsonl";
    if (!fs::exists(dump)) continue;
    std::map<std::string, std::string> byQuery;
    std::ifstream in(dump);
    for (std::string line; std::getline(in, line);) {
      const auto row = nlohmann::json::parse(line);
      const std::string id = jsonText(row["objectid"]);
      std::string& text = byQuery[id];
      if (text.empty()) text = "4";
      text += rowText(jsonText(row["attribute"]), jsonText(row["expression"]),
                      jsonText(row["flag"]), jsonText(row["name1"]), jsonText(row["name2"]), id);
    }
    int n = 0;
    for (const auto& [id, text] : byQuery) {
      writeText(out / "query-rows" /
                    (entry.path().filename().string() + "-" + std::to_string(++n) + ".txt"),
                text);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: vantrel-fuzz-seeds OUT_DIR SOURCE_DIR [CORPUS_DIR]\n";
    return 2;
  }
  try {
    const fs::path out = argv[1];
    const fs::path source = argv[2];
    fs::create_directories(out / "files");
    fs::create_directories(out / "query-rows");
    writeDescribedSeeds(source / "fuzz" / "seed-database.json", "seed", out);
    writeDescribedSeeds(source / "samples" / "sample.json", "sample", out);
    for (const auto& entry : fs::directory_iterator(source / "samples")) {
      if (entry.path().filename().string().ends_with("-damaged.mdb")) {
        fs::copy_file(entry.path(), out / "files" / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
      }
    }
    if (argc > 3) writeCorpusQuerySeeds(argv[3], out);
  } catch (const std::exception& error) {
    std::cerr << "vantrel-fuzz-seeds: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
