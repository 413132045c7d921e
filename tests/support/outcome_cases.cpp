#include "tests/support/outcome_cases.h"

#include <chrono>
#include <ctime>
#include <fstream>

namespace vantrel::test {

namespace {

namespace fs = std::filesystem;

const std::string kSample = VANTREL_SOURCE_DIR "/samples/sample-jet4.mdb";

std::string textFile(const fs::path& dir, const std::string& name, const std::string& text) {
  std::ofstream(dir / name) << text;
  return (dir / name).string();
}

}  // namespace

void placeDestinations(const fs::path& folder, const std::vector<std::string>& sources) {
  const auto now = std::chrono::system_clock::now();
  for (int ahead = 0; ahead < 30; ++ahead) {
    const std::time_t at = std::chrono::system_clock::to_time_t(now + std::chrono::seconds(ahead));
    std::tm local{};
    localtime_r(&at, &local);
    const fs::path sub =
        folder / ("Repair_" + std::to_string(local.tm_hour) + "-" + std::to_string(local.tm_min) +
                  "-" + std::to_string(local.tm_sec));
    fs::create_directories(sub);
    for (const std::string& source : sources) {
      std::ofstream(sub / (fs::path(source).stem().string() + ".sqlite")) << "kept";
    }
  }
}

const std::vector<OutcomeCase>& outcomeCases() {
  static const std::vector<OutcomeCase> cases = {
      {"saved",
       [](const fs::path&) { return std::vector<std::string>{kSample}; },
       {"saved"},
       "Saving Completed Successfully",
       true},
      {"not an Access database",
       [](const fs::path& dir) {
         return std::vector<std::string>{
             kSample, textFile(dir, "notes.mdb", std::string(8192, 'x') + "\nnot a database\n")};
       },
       {"saved", "nothing salvaged"},
       "Repairing failed for 1 file:\n",
       false},
      {"empty file",
       [](const fs::path& dir) { return std::vector<std::string>{textFile(dir, "empty.mdb", "")}; },
       {"not opened"},
       "Repairing failed for 1 file:\n",
       false},
      {"every destination kept",
       [](const fs::path& dir) {
         const std::vector<std::string> sources{kSample};
         placeDestinations(dir / "out", sources);
         return sources;
       },
       {"kept"},
       "Nothing was saved: every destination already existed and was kept",
       true},
  };
  return cases;
}

}  // namespace vantrel::test
