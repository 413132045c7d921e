#include "tests/support/mdb_writer/query_builder.h"

namespace vantrel::mdbwriter {

namespace {

std::optional<std::string> unlessEmpty(const std::string& text) {
  return text.empty() ? std::nullopt : std::optional(text);
}

constexpr int kOptionSelectAll = 1;
constexpr int kOptionDistinct = 2;
constexpr int kOptionDistinctRow = 8;
constexpr int kOptionTop = 16;

}  // namespace

int64_t queryObjectFlags(QueryKind kind) {
  switch (kind) {
    case QueryKind::kSelect:
      return 0;
    case QueryKind::kCrosstab:
      return 16;
    case QueryKind::kDelete:
      return 32;
    case QueryKind::kUpdate:
      return 48;
    case QueryKind::kAppend:
      return 64;
    case QueryKind::kMakeTable:
      return 80;
    case QueryKind::kDataDefinition:
      return 96;
    case QueryKind::kPassThrough:
      return 112;
    case QueryKind::kUnion:
      return 128;
  }
  return 0;
}

SavedQuery buildQuery(const QueryDescription& q) {
  SavedQuery saved{.name = q.name, .objectFlags = queryObjectFlags(q.kind)};
  auto& rows = saved.rows;
  rows.push_back({.attribute = 0, .flag = 0});
  rows.push_back({.attribute = 255});
  QueryRow kind{.attribute = 1, .flag = static_cast<int>(q.kind)};
  if (q.kind == QueryKind::kMakeTable || q.kind == QueryKind::kAppend) {
    kind.name1 = unlessEmpty(q.target);
  }
  if (q.kind == QueryKind::kDataDefinition || q.kind == QueryKind::kPassThrough) {
    kind.expression = unlessEmpty(q.sql);
    if (q.kind == QueryKind::kPassThrough) kind.name1 = "ODBC;";
  }
  rows.push_back(kind);
  if (q.kind == QueryKind::kDataDefinition || q.kind == QueryKind::kPassThrough) return saved;

  const int options = (q.selectAll ? kOptionSelectAll : 0) | (q.distinct ? kOptionDistinct : 0) |
                      (q.distinctRow ? kOptionDistinctRow : 0) | (q.top ? kOptionTop : 0);
  rows.push_back({.attribute = 3, .flag = options, .name1 = q.top});
  for (const auto& p : q.parameters) {
    rows.push_back({.attribute = 2, .flag = p.type, .name1 = p.name});
  }
  for (const auto& t : q.tables) {
    rows.push_back({.attribute = 5, .name1 = t.name, .name2 = unlessEmpty(t.alias)});
  }
  for (size_t i = 0; i < q.unionParts.size(); ++i) {
    // Access names each part of a union so.
    rows.push_back({.attribute = 5,
                    .expression = q.unionParts[i],
                    .name2 = "X7YZ_____" + std::to_string(i + 1)});
  }
  for (const auto& c : q.columns) {
    rows.push_back({.attribute = 6,
                    .flag = c.flag,
                    .expression = c.expression,
                    .name1 = unlessEmpty(c.alias),
                    .name2 = unlessEmpty(c.target)});
  }
  for (const auto& j : q.joins) {
    rows.push_back({.attribute = 7,
                    .flag = static_cast<int>(j.kind),
                    .expression = j.expression,
                    .name1 = j.left,
                    .name2 = j.right});
  }
  if (!q.where.empty()) rows.push_back({.attribute = 8, .expression = q.where});
  for (const auto& g : q.groupBy)
    rows.push_back({.attribute = 9, .flag = 0, .expression = g});
  if (!q.having.empty()) rows.push_back({.attribute = 10, .expression = q.having});
  for (const auto& o : q.orderBy) {
    rows.push_back({.attribute = 11,
                    .expression = o.expression,
                    .name1 = o.descending ? std::optional<std::string>("D") : std::nullopt});
  }
  return saved;
}

}  // namespace vantrel::mdbwriter
