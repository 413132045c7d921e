#include "app/destination_naming.h"

namespace vantrel {

std::string savingSubfolderName(const LogTime& start) {
  return "Repair_" + std::to_string(start.hour) + "-" + std::to_string(start.minute) + "-" +
         std::to_string(start.second);
}

std::string DestinationNames::claim(const std::string& source) {
  const std::string stem = std::filesystem::path(source).filename().stem().string();
  std::string name = stem;
  // Bounded by the number of names claimed so far.
  for (size_t copy = 2; claimed_.count(name) != 0; ++copy) {
    name = stem + " (" + std::to_string(copy) + ")";
  }
  claimed_.insert(name);
  return name;
}

}  // namespace vantrel
