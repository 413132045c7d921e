#pragma once

#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <vector>

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
  // Claims `name` as it is, or with " (2)"... when an earlier source of the run has it.
  std::string claimName(const std::string& name);

 private:
  std::set<std::string> claimed_;
};

// The destination name of each source of a whole work list, for workers that each save a part
// of it and cannot see the names the others give: the file's stem when no other path of the list
// has that stem, else the stem, "_" and the first 8 hex digits of the path's stable hash
// (sourcePathHash), the same on every worker that reads the same list. A stem shared in the
// list never stands alone, so no worker's plain stem can be another's file.
std::vector<std::string> listWideNames(std::span<const std::string> sources);

}  // namespace vantrel
