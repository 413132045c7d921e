#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vantrel::test {

// Saving runs that must end alike on every front. The command line, the windows and the D-Bus
// service each run every case (Save All into `dir`/"out", an existing destination kept) and
// compare what they show with it, so that the fronts cannot drift apart.
struct OutcomeCase {
  std::string name;
  // Lays out the case under `dir` and gives its sources, in order.
  std::function<std::vector<std::string>(const std::filesystem::path& dir)> prepare;
  std::vector<std::string> statuses;  // each file's outcome as the JSON outputs name it
  std::string endTextStart;           // the end text starts so
  bool savedEverything = false;       // the command line ends with 0, else 1
};

const std::vector<OutcomeCase>& outcomeCases();

// Puts a destination in the way of each source in every "Repair_H-M-S" subfolder of `folder`
// that a run started in the next 30 seconds would use.
void placeDestinations(const std::filesystem::path& folder,
                       const std::vector<std::string>& sources);

}  // namespace vantrel::test
