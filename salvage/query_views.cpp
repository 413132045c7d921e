#include "salvage/query_views.h"

#include <algorithm>
#include <map>
#include <set>

#include "destinations/destination.h"
#include "dialects/postgres/postgres_translation.h"
#include "dialects/sqlite/sqlite_translation.h"
#include "jetsql/jet_sql_tokenizer.h"
#include "jetsql/view_translation.h"
#include "run/walk_end.h"

namespace vantrel {

namespace {

// Query names compare without regard to ASCII case, as Jet's do.
struct NameLess {
  static char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return folded(x) < folded(y); });
  }
};

// Allows one pivot value more than a crosstab may have, so that too many are seen.
constexpr size_t kPivotValueLimit = 255;
// Queries that read queries that read queries...: a damaged catalog may chain any number.
constexpr size_t kMaxQueryChain = 100;

// The translator of the dialect a destination's views are written in.
ViewTranslator translatorFor(ViewDialect dialect) {
  switch (dialect) {
    case ViewDialect::SQLite:
      return translateQueryToSqlite;
    case ViewDialect::PostgreSQL:
      return translateQueryToPostgres;
  }
  return translateQueryToSqlite;
}

class ViewMaker {
 public:
  ViewMaker(Destination& destination, ViewDialect dialect, RunState& run)
      : destination_(destination),
        dialect_(dialect),
        run_(run),
        translate_(translatorFor(dialect)) {}

  QueryViewCount run() {
    const std::vector<SavedQuery> queries = destination_.savedQueries();
    for (const SavedQuery& query : queries)
      byName_.emplace(query.name, &query);
    QueryViewCount count{0, static_cast<int>(queries.size()), false};
    for (const SavedQuery& query : queries) {
      // Each view's check may run for a while: a stop takes effect between two of them.
      if (run_.stopConfirmed()) {
        count.stopped = true;
        break;
      }
      if (make(query)) ++count.made;
    }
    return count;
  }

 private:
  // Makes the view of one query, after the views of the queries it reads. Returns whether
  // it has one (now or from before).
  bool make(const SavedQuery& query) {
    if (const auto done = done_.find(query.name); done != done_.end()) return done->second;
    if (inProgress_.size() >= kMaxQueryChain) return false;
    if (!inProgress_.insert(query.name).second) return false;  // a query that reads itself
    const std::optional<std::string> reason = reasonForNoView(query);
    inProgress_.erase(query.name);
    if (reason) {
      try {
        destination_.setNoViewReason(query.name, *reason);
      } catch (const DestinationError& error) {
        // The reason is only a note; the query itself stays saved.
        if (error.endsDestination()) throw;
      }
    }
    done_.emplace(query.name, !reason);
    return !reason;
  }

  // Creates the view, or says why there is none.
  std::optional<std::string> reasonForNoView(const SavedQuery& query) {
    if (query.connect) return "pass-through query";
    if (!query.sql) return "saved without SQL text";
    std::set<std::string, NameLess> readQueries;
    for (const std::string& name : namesInJetSql(*query.sql)) {
      const auto other = byName_.find(name);
      if (other == byName_.end() || other->second == &query) continue;
      if (!readQueries.insert(other->first).second) continue;
      if (inProgress_.contains(other->first)) return "reads itself through " + other->first;
      if (!make(*other->second)) return "reads the query " + other->first + ", which has no view";
    }
    const bool sqlite = dialect_ == ViewDialect::SQLite;
    const ViewTranslation translation = translate_(*query.sql, [this](const std::string& select) {
      std::vector<PivotValue> values;
      for (auto& [literal, heading] : destination_.selectTextPairs(select, kPivotValueLimit))
        values.push_back({std::move(literal), std::move(heading)});
      return values;
    });
    if (!translation.sql) return translation.reason;
    try {
      destination_.createView(query.name, *translation.sql);
    } catch (const DestinationError& error) {
      if (error.endsDestination()) throw;
      return std::string(sqlite ? "SQLite: " : "PostgreSQL: ") + error.what();
    }
    return std::nullopt;
  }

  Destination& destination_;
  const ViewDialect dialect_;
  RunState& run_;
  const ViewTranslator translate_;
  std::map<std::string, const SavedQuery*, NameLess> byName_;
  std::map<std::string, bool, NameLess> done_;
  std::set<std::string, NameLess> inProgress_;
};

}  // namespace

QueryViewCount createQueryViews(SalvageContext& context, ViewDialect dialect) {
  if (context.destination == nullptr || !context.destination->isOpen() ||
      context.destinationLost()) {
    return {};
  }
  QueryViewCount count;
  try {
    count = ViewMaker(*context.destination, dialect, context.run).run();
  } catch (const DestinationError& error) {
    context.tally.note(error);
    context.appendLog("Not created: views of the saved queries (" + std::string(error.what()) +
                      ")\r\n");
    return count;
  }
  if (count.queries == 0) return count;
  std::string line = "Queries Saved As Views :   " + std::to_string(count.made) + " of " +
                     std::to_string(count.queries);
  if (count.stopped) line += " (stopped)";
  context.run.appendSavingListLine(line);
  context.appendLog(line + "\r\n\r\n");
  return count;
}

}  // namespace vantrel
