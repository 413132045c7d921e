#pragma once

// Catalog rows for builder tests, written the way the query catalog stores them.

#include <initializer_list>
#include <string>
#include <vector>

#include "jetsql/query_builder.h"
#include "jetsql/query_definition_row.h"
#include "jetsql/wide_text.h"

namespace vantrel::test {

inline QueryDefinitionRow catalogRow(const std::string& attribute, const std::string& flag,
                                     const std::string& name1 = "", const std::string& name2 = "",
                                     const std::string& expression = "") {
  // Read as the reader's texts of a Jet 4 catalog row are read.
  const std::vector<std::string> texts{attribute, expression, flag, "", name1, name2, "0"};
  return queryRowFromTexts(texts, 1);
}

inline QueryDefinitionRow kindRow(const std::string& flag, const std::string& target = "",
                                  const std::string& statement = "") {
  return catalogRow("1", flag, target, "", statement);
}
inline QueryDefinitionRow optionsRow(const std::string& flag, const std::string& top = "") {
  return catalogRow("3", flag, top);
}
inline QueryDefinitionRow parameterRow(const std::string& name, const std::string& type) {
  return catalogRow("2", type, name);
}
inline QueryDefinitionRow tableRow(const std::string& name, const std::string& alias = "") {
  return catalogRow("5", "", name, alias);
}
inline QueryDefinitionRow unionPartRow(const std::string& select, const std::string& tag) {
  return catalogRow("5", "", "", tag, select);
}
inline QueryDefinitionRow columnRow(const std::string& expression, const std::string& alias = "",
                                    const std::string& target = "", const std::string& flag = "0") {
  return catalogRow("6", flag, alias, target, expression);
}
inline QueryDefinitionRow joinRow(const std::string& flag, const std::string& left,
                                  const std::string& right, const std::string& condition) {
  return catalogRow("7", flag, left, right, condition);
}
inline QueryDefinitionRow whereRow(const std::string& expression) {
  return catalogRow("8", "", "", "", expression);
}
inline QueryDefinitionRow groupByRow(const std::string& expression, const std::string& flag = "0") {
  return catalogRow("9", flag, "", "", expression);
}
inline QueryDefinitionRow havingRow(const std::string& expression) {
  return catalogRow("10", "", "", "", expression);
}
inline QueryDefinitionRow orderByRow(const std::string& expression,
                                     const std::string& direction = "") {
  return catalogRow("11", "", direction, "", expression);
}

// The statement built from the rows, in the order given.
inline std::string rebuild(std::initializer_list<QueryDefinitionRow> rows) {
  QueryBuilder builder;
  for (const auto& row : rows)
    builder.addRow(row);
  return builder.compose();
}

}  // namespace vantrel::test
