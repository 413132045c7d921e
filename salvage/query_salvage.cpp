#include "salvage/query_salvage.h"

#include <string>

#include "salvage/destination.h"

namespace vantrel {

void saveRebuiltQuery(const RebuiltQuery& query, SalvageContext& context) {
  if (context.destination == nullptr) return;
  Destination& destination = *context.destination;
  const auto refusal = context.attemptSave([&] {
    destination.saveQuery({query.name, query.jetSql, query.connect});
  });
  if (!refusal) return;
  // The name alone keeps the query findable; a refused name leaves it out.
  const auto nameRefusal = context.destinationLost() ? refusal : context.attemptSave([&] {
    destination.saveQuery({query.name, std::nullopt, std::nullopt});
  });
  context.loseObject({ObjectLoss::Kind::kQuery, query.name, nameRefusal.has_value(), 0,
                      nameRefusal.value_or(*refusal)});
}

}  // namespace vantrel
