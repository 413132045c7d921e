#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "destinations/destination_registry.h"

namespace vantrel::test {

// What the salvage handed a memory destination: each table as described, the kinds of the
// values of each row it wrote, the relations and queries by name.
struct MemoryStore {
  std::map<std::string, TableDescription> tables;
  std::map<std::string, std::vector<std::vector<SavedValue::Kind>>> rows;  // by table
  std::vector<std::string> relations;
  std::vector<std::string> queries;
  std::vector<std::string> places;  // each destination made, as "RUN/NAME"
  int closed = 0;                   // destinations closed
};

// Registers a kind of destination held in memory, for the address "memory:"; every
// destination of a run writes into `store`.
void registerMemoryDestination(DestinationRegistry& registry, std::shared_ptr<MemoryStore> store);

}  // namespace vantrel::test
