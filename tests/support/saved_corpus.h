#pragma once

#include <cstdint>
#include <filesystem>

#include "tests/support/corpus.h"

namespace vantrel::test {

struct SavedCounts {
  int tables = 0;
  int relations = 0;
  int queries = 0;
  int queriesWithSql = 0;
  int64_t cells = 0;
  int64_t differences = 0;
};

// Checks a destination saved from a corpus file against the oracle: every user table with
// its columns, row count and cells, every relation and every saved query. What is missing or
// differs is a test failure; `counts` adds up what was compared.
void expectSavedLikeOracle(const CorpusFile& file, const std::filesystem::path& destination,
                           SavedCounts& counts);

}  // namespace vantrel::test
