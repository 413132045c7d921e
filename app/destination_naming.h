#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "app/log_texts.h"

namespace vantrel {

// The subfolder a saving run writes into: "Repair_" and the hour, minute and second of its
// start, without padding ("Repair_9-5-7"). Runs started in the same second share it.
std::string savingSubfolderName(const LogTime& start);

// Hands out the name of each source's destination within one saving run: the source's file
// name without its extension. A name an earlier source of the same run already has gets
// " (2)", " (3)" and so on, so that two sources of the same name from different folders each
// keep their own destination.
class DestinationNames {
 public:
  std::string claim(const std::string& source);

 private:
  std::set<std::string> claimed_;
};

}  // namespace vantrel
