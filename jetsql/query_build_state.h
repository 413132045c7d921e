#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// One join row of a query, as the join text is built from it.
struct JoinRow {
  std::u16string expression;        // the condition as stored
  std::u16string condition;         // "(" + expression + ")"
  std::optional<int64_t> joinFlag;  // 2 left, 3 right, anything else inner
  std::u16string leftTable;         // "[" + Name1 + "]"
  std::u16string rightTable;        // "[" + Name2 + "]"
};

// One input table of a query: its name and, when it is used under another name, the alias.
struct TableName {
  std::u16string name;
  std::u16string alias;
};

// How the output columns of a query are read, by the last kind row that set its head.
enum class StatementHead {
  kSelect,  // the first output column starts the select list
  kUpdate,  // the output columns are the assignments of an update query
  kStored,  // a data-definition or pass-through query: the stored statement is the head
};

// What stands in front of the select list, by the last kind row that set it.
enum class StatementPrefix {
  kNone,
  kCrosstab,       // a crosstab still waiting for its value column
  kCrosstabValue,  // a crosstab whose value column is in place
  kAppend,         // an append query: the target table, then each column's target
};

// The clause texts of one query as its rows are read, in UTF-16. Nothing here has a fixed
// width: any number of tables, joins, parameters and union parts, and texts of any length.
struct QueryBuildState {
  // Leading keyword carried into the select list by the first output column ("UPDATE " for an
  // update query); a data-definition or pass-through query keeps its whole statement here.
  std::u16string statementHead = u"SELECT ";
  StatementHead head = StatementHead::kSelect;
  // "TRANSFORM " and the value column of a crosstab, or "INSERT INTO [t](" and the target
  // columns of an append query.
  std::u16string prefixClause;
  StatementPrefix prefix = StatementPrefix::kNone;
  // Each declaration followed by ", ", in row order; written in front of every query kind.
  std::u16string parameterDeclarations;
  std::u16string pivotClause = u" PIVOT ";
  std::u16string fromClause;
  std::u16string setClause;
  std::u16string intoClause;
  std::u16string whereClause;
  std::u16string groupByClause;
  std::u16string havingClause;
  std::u16string orderByClause;
  // The output columns, each followed by ", "; the first one starts with the statement head.
  std::u16string selectList;
  std::vector<TableName> tableNames;  // every input table, in row order
  std::vector<JoinRow> joinRows;      // every join row, in row order
  std::vector<std::u16string> unionParts;
  // Value of the selection-options row: bit 1 all columns, 2 DISTINCT, 4 owner access,
  // 8 DISTINCTROW, 16 TOP, 32 PERCENT; in a union, bit 2 chooses UNION over UNION ALL.
  std::optional<int> selectOptions;
  std::u16string topValue;
  std::optional<std::u16string> connect;  // a pass-through query's connect string
  bool isDataDefinition = false;  // also a pass-through query: the statement is stored whole
  bool isDelete = false;
  bool isValuesAppend = false;
  int crosstabCount = 0;  // the crosstab kind row and each pivot column
  int setCount = 0;
  int groupByCount = 0;
  int orderByCount = 0;
  bool fromStarted = false;
};

}  // namespace vantrel
