#include "salvage/query_salvage.h"

#include <string>

#include "destinations/destination.h"

namespace vantrel {

namespace {

// Why a stopped query has no text: it was composed from part of its rows, so it could read
// more rows than the query does (a criteria row not reached) or change more (a delete query
// without its criteria).
constexpr const char* kStoppedReason = "the run was stopped before its definition was read";

}  // namespace

void saveRebuiltQuery(const RebuiltQuery& query, SalvageContext& context) {
  if (context.destination == nullptr) return;
  Destination& destination = *context.destination;
  std::optional<std::string> refusal;
  if (query.stopped) {
    refusal = kStoppedReason;
  } else {
    refusal = context.attemptSave([&] {
      destination.saveQuery({query.name, query.jetSql, query.connect});
    });
    if (!refusal) return;
  }
  // The name alone keeps the query findable; a refused name leaves it out.
  const auto nameRefusal =
      !query.stopped && context.destinationLost() ? refusal : context.attemptSave([&] {
        destination.saveQuery({query.name, std::nullopt, std::nullopt});
      });
  context.loseObject({ObjectLoss::Kind::kQuery, query.name, nameRefusal.has_value(), 0,
                      nameRefusal.value_or(*refusal)});
}

}  // namespace vantrel
