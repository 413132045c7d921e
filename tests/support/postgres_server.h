#pragma once

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace vantrel::test {

// The throw-away server the test command starts (scripts/pg-test-server.sh): its URL from
// $VANTREL_TEST_POSTGRES, the password from libpq's own sources. None when it is not set.
std::optional<std::string> testPostgresUrl();

// A schema name no other test (or earlier run) uses: the prefix and a unique suffix.
std::string uniqueSchemaName(const std::string& prefix);

}  // namespace vantrel::test

// Skips the current test (reported as skipped, not passed) when there is no test server.
#define VANTREL_REQUIRE_POSTGRES()                                                   \
  do {                                                                               \
    if (!::vantrel::test::testPostgresUrl())                                         \
      GTEST_SKIP() << "no PostgreSQL test server: VANTREL_TEST_POSTGRES is not set " \
                      "(scripts/test.sh starts one with scripts/pg-test-server.sh)"; \
  } while (0)
