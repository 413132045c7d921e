#pragma once

#include <optional>
#include <string>

#include "jetsql/query_build_state.h"
#include "jetsql/query_definition_row.h"

namespace vantrel {

// Rebuilds the SQL text of one saved query from its catalog rows. The caller feeds the rows
// that belong to the query (see rowBelongsToQuery) in the order the table returns them; the
// order matters, as it does to the engine that wrote them. compose() may be called at any
// time, also after a stop part-way through the rows: it builds from the rows seen so far.
class QueryBuilder {
 public:
  void addRow(const QueryDefinitionRow& row);

  // The statement, UTF-16 and UTF-8.
  std::u16string composeWide() const;
  std::string compose() const;

  // The connect string of a pass-through query; none for every other kind.
  std::optional<std::string> connectString() const;

 private:
  void addKind(const QueryDefinitionRow& row);
  void addParameter(const QueryDefinitionRow& row);
  void addInputTable(const QueryDefinitionRow& row);
  void addOutputColumn(const QueryDefinitionRow& row);
  void addJoin(const QueryDefinitionRow& row);
  void addClauseRow(const QueryDefinitionRow& row);

  QueryBuildState state_;
};

}  // namespace vantrel
