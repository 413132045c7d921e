#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mdbwriter {

// Query kinds as the kind row (attribute 1) states them.
enum class QueryKind {
  kSelect = 1,
  kMakeTable = 2,
  kAppend = 3,
  kUpdate = 4,
  kDelete = 5,
  kCrosstab = 6,
  kDataDefinition = 7,
  kPassThrough = 8,
  kUnion = 9,
};

enum class JoinKind { kInner = 1, kLeft = 2, kRight = 3 };

// Parameter types are DAO type codes.
inline constexpr int kParameterCurrency = 5;
inline constexpr int kParameterDateTime = 8;
inline constexpr int kParameterText = 10;

// Output column flags.
inline constexpr int kValueColumn = 0;             // also every ordinary column
inline constexpr int kPivotColumn = 1;             // crosstab
inline constexpr int kRowHeadingColumn = 2;        // crosstab
inline constexpr int kValuesAppendColumn = 32768;  // an append query written with VALUES

// A saved query as Access designs it; buildQuery turns it into the query catalog's rows.
struct QueryDescription {
  std::string name;
  QueryKind kind = QueryKind::kSelect;
  bool selectAll = false;  // SELECT *
  bool distinct = false;
  bool distinctRow = false;
  std::optional<std::string> top;
  std::string target;  // make-table and append queries
  struct Parameter {
    std::string name;
    int type = kParameterText;
  };
  std::vector<Parameter> parameters;
  struct Table {
    std::string name;
    std::string alias;
  };
  std::vector<Table> tables;
  struct Column {
    std::string expression;
    std::string alias;
    std::string target;  // append: the target column; update: the column set
    int flag = kValueColumn;
  };
  std::vector<Column> columns;
  struct Join {
    std::string left;
    std::string right;
    std::string expression;
    JoinKind kind = JoinKind::kInner;
  };
  std::vector<Join> joins;
  std::string where;
  std::vector<std::string> groupBy;
  std::string having;
  struct Order {
    std::string expression;
    bool descending = false;
  };
  std::vector<Order> orderBy;
  std::vector<std::string> unionParts;  // union: each SELECT statement
  std::string sql;                      // data definition and pass-through: the statement
};

// The rows in the order and shape Access writes them (a 0 row, a 255 row, the kind, the
// options, parameters, tables, columns, joins, criteria, grouping, group criteria,
// ordering), and the catalog flags of the query's kind.
SavedQuery buildQuery(const QueryDescription& query);

// The catalog's Flags for a query of that kind (DAO query types).
int64_t queryObjectFlags(QueryKind kind);

}  // namespace vantrel::mdbwriter
