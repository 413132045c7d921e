#include "destinations/destination_registry.h"

namespace vantrel {

bool DestinationKind::exists(const DestinationPlace& /*place*/) const {
  return false;
}

void DestinationKind::remove(const DestinationPlace& /*place*/) const {}

void DestinationKind::endRun(std::string_view /*run*/) const {}

std::vector<SavedTable> DestinationKind::savedTables(const std::string& /*location*/) const {
  return {};
}

std::optional<DestinationProbe> DestinationKind::probe() const {
  return std::nullopt;
}

std::string DestinationKind::summary(const std::vector<std::string>& /*locations*/) const {
  return "";
}

void DestinationRegistry::add(std::string name, Takes takes, Opens opens) {
  std::lock_guard lock(mutex_);
  entries_.insert(entries_.begin(), {std::move(name), std::move(takes), std::move(opens)});
}

void DestinationRegistry::removeEntry(std::string_view name) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& entry) { return entry.name == name; });
}

Expected<std::unique_ptr<DestinationKind>, std::string> DestinationRegistry::open(
    std::string_view address, const DestinationOptions& options) const {
  Opens opens;
  {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
      if (entry.takes(address)) {
        opens = entry.opens;
        break;
      }
    }
  }
  if (!opens) return Unexpected(std::string("no kind of destination takes this address"));
  return opens(address, options);
}

DestinationRegistry& destinationRegistry() {
  static DestinationRegistry registry;
  return registry;
}

}  // namespace vantrel
