#include "tests/support/postgres_server.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>

namespace vantrel::test {

std::optional<std::string> testPostgresUrl() {
  const char* url = std::getenv("VANTREL_TEST_POSTGRES");
  if (url == nullptr || *url == '\0') return std::nullopt;
  return std::string(url);
}

std::string uniqueSchemaName(const std::string& prefix) {
  static std::atomic<int> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(now % 1000000000) + "_" +
         std::to_string(counter++);
}

}  // namespace vantrel::test
