#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vantrel::test {

// The shared corpus of real databases: $VANTREL_CORPUS, or ../shared/corpus beside the
// source tree. None when it is absent.
std::optional<std::filesystem::path> corpusDir();

struct CorpusFile {
  std::string stem;  // file name without .mdb, also the oracle folder's name
  std::filesystem::path path;
  int formatVersion = 0;  // by its folder: 0 jet3, 1 jet4 and ace
  std::filesystem::path oracleDir() const;
};

// Every corpus database, Jet 3 first, each folder in name order.
std::vector<CorpusFile> corpusFiles();
// The Jet files of protected/ (database passwords, encoded pages), in name order; their
// version is the header's.
std::vector<CorpusFile> protectedJetFiles();
// The Access 2007 and later files of ace/ (all readable, none encrypted), in name order.
std::vector<CorpusFile> aceFiles();
// The encrypted Access 2007 and later files of protected/, in name order.
std::vector<CorpusFile> encryptedAceFiles();
// The password of each protected file by its file name, as PASSWORDS.tsv states it.
std::map<std::string, std::string> corpusPasswords();

std::string readTextFile(const std::filesystem::path& path);

}  // namespace vantrel::test

// Skips the current test (reported as skipped, not passed) when the corpus is absent.
#define VANTREL_REQUIRE_CORPUS()                                    \
  do {                                                              \
    if (!::vantrel::test::corpusDir()) GTEST_SKIP() << "no corpus"; \
  } while (0)
