#include "tests/support/corpus.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vantrel::test {

std::optional<std::filesystem::path> corpusDir() {
  std::filesystem::path dir;
  if (const char* fromEnv = std::getenv("VANTREL_CORPUS"); fromEnv && *fromEnv) {
    dir = fromEnv;
  } else {
    dir = std::filesystem::path(VANTREL_SOURCE_DIR) / ".." / "shared" / "corpus";
  }
  std::error_code error;
  if (!std::filesystem::is_directory(dir / "jet4", error)) return std::nullopt;
  return std::filesystem::weakly_canonical(dir, error);
}

std::filesystem::path CorpusFile::oracleDir() const {
  return path.parent_path().parent_path() / "oracle" / stem;
}

std::vector<CorpusFile> corpusFiles() {
  std::vector<CorpusFile> files;
  const auto dir = corpusDir();
  if (!dir) return files;
  for (const auto& [folder, version] : {std::pair{"jet3", 0}, std::pair{"jet4", 1}}) {
    std::vector<CorpusFile> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(*dir / folder)) {
      if (entry.path().extension() != ".mdb") continue;
      inFolder.push_back({entry.path().stem().string(), entry.path(), version});
    }
    std::sort(inFolder.begin(), inFolder.end(),
              [](const auto& a, const auto& b) { return a.stem < b.stem; });
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  return files;
}

std::vector<CorpusFile> protectedJetFiles() {
  std::vector<CorpusFile> files;
  const auto dir = corpusDir();
  std::error_code error;
  if (!dir || !std::filesystem::is_directory(*dir / "protected", error)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(*dir / "protected")) {
    if (entry.path().extension() != ".mdb") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::array<char, 0x15> start{};
    in.read(start.data(), start.size());
    files.push_back({entry.path().stem().string(), entry.path(), start[0x14] == 1 ? 1 : 0});
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.stem < b.stem; });
  return files;
}

namespace {

// The .accdb files of one corpus folder, in name order.
std::vector<CorpusFile> accdbFilesIn(const char* folder) {
  std::vector<CorpusFile> files;
  const auto dir = corpusDir();
  std::error_code error;
  if (!dir || !std::filesystem::is_directory(*dir / folder, error)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(*dir / folder)) {
    if (entry.path().extension() == ".accdb")
      files.push_back({entry.path().stem().string(), entry.path(), 1});
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.stem < b.stem; });
  return files;
}

}  // namespace

std::vector<CorpusFile> aceFiles() {
  return accdbFilesIn("ace");
}

std::vector<CorpusFile> encryptedAceFiles() {
  return accdbFilesIn("protected");
}

std::map<std::string, std::string> corpusPasswords() {
  std::map<std::string, std::string> passwords;
  const auto dir = corpusDir();
  if (!dir) return passwords;
  std::istringstream listed(readTextFile(*dir / "PASSWORDS.tsv"));
  for (std::string line; std::getline(listed, line);) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    passwords[line.substr(0, tab)] = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
  }
  return passwords;
}

std::string readTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace vantrel::test
