#include "app/destination_naming.h"

#include <cstdio>
#include <map>

#include "app/work_list.h"

namespace vantrel {

std::string savingSubfolderName(const LogTime& start) {
  return "Repair_" + std::to_string(start.hour) + "-" + std::to_string(start.minute) + "-" +
         std::to_string(start.second);
}

namespace {

std::string stemOf(const std::string& source) {
  return std::filesystem::path(source).filename().stem().string();
}

}  // namespace

std::string DestinationNames::claim(const std::string& source) {
  return claimName(stemOf(source));
}

std::string DestinationNames::claimName(const std::string& stem) {
  std::string name = stem;
  // Bounded by the number of names claimed so far.
  for (size_t copy = 2; claimed_.count(name) != 0; ++copy) {
    name = stem + " (" + std::to_string(copy) + ")";
  }
  claimed_.insert(name);
  return name;
}

std::vector<std::string> listWideNames(std::span<const std::string> sources) {
  std::map<std::string, int> stems;
  for (const std::string& source : sources)
    ++stems[stemOf(source)];
  std::vector<std::string> names;
  names.reserve(sources.size());
  for (const std::string& source : sources) {
    std::string name = stemOf(source);
    if (stems[name] > 1) {
      char hash[9];
      std::snprintf(hash, sizeof hash, "%08llx",
                    static_cast<unsigned long long>(sourcePathHash(source) >> 32));
      name += "_" + std::string(hash);
    }
    names.push_back(std::move(name));
  }
  return names;
}

}  // namespace vantrel
