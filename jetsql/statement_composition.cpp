// The statement composition: joins the clause texts of a query into one statement after the
// last row has been read.

#include <algorithm>
#include <string>
#include <string_view>

#include "jetsql/join_text.h"
#include "jetsql/query_builder.h"
#include "jetsql/sql_text.h"

namespace vantrel {

namespace {

constexpr int kOptionAllColumns = 1;
constexpr int kOptionDistinct = 2;
constexpr int kOptionOwnerAccess = 4;
constexpr int kOptionDistinctRow = 8;
constexpr int kOptionTop = 16;
constexpr int kOptionPercent = 32;

bool hasOption(const QueryBuildState& s, int option) {
  return s.selectOptions && (*s.selectOptions & option) != 0;
}

// What a parameter list, an append target or a crosstab value puts in front of the select
// list. Parameters come first, before every query kind.
std::u16string composePrefix(QueryBuildState& s) {
  std::u16string prefixText;
  if (s.prefix == StatementPrefix::kAppend) {
    if (s.prefixClause.ends_with(u"(")) {
      // No target columns: the table alone, then a blank.
      s.prefixClause.pop_back();
      prefixText = s.prefixClause + u" ";
    } else {
      if (s.prefixClause.ends_with(u", ")) s.prefixClause.resize(s.prefixClause.size() - 2);
      prefixText = s.prefixClause + u") ";
    }
  } else if (s.crosstabCount >= 1 && s.prefixClause.size() >= 15) {
    prefixText = s.prefixClause + u"  ";
  }
  if (s.parameterDeclarations.empty()) return prefixText;
  std::u16string declarations = s.parameterDeclarations;
  declarations.resize(declarations.size() - 2);  // the ", " after the last one
  return u"PARAMETERS " + declarations + u";  " + prefixText;
}

// The union parts in row order, joined by UNION, or by UNION ALL when an options row says so.
std::u16string composeUnion(const QueryBuildState& s) {
  const bool unionAll = s.selectOptions && !hasOption(s, kOptionDistinct);
  const std::u16string_view separator = unionAll ? u" UNION ALL " : u" UNION ";
  std::u16string text;
  for (const std::u16string& part : s.unionParts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

// The words that the selection options put after SELECT.
std::u16string selectModifiers(const QueryBuildState& s) {
  std::u16string modifiers;
  if (hasOption(s, kOptionDistinct)) {
    modifiers += u"DISTINCT ";
  } else if (hasOption(s, kOptionDistinctRow)) {
    modifiers += u"DISTINCTROW ";
  }
  if (hasOption(s, kOptionTop) && !s.topValue.empty()) {
    modifiers += u"TOP " + s.topValue + u" ";
    if (hasOption(s, kOptionPercent)) modifiers += u"PERCENT ";
  }
  return modifiers;
}

// The select list without its trailing separator, with the selection options applied.
void finishSelectList(QueryBuildState& s, bool isUpdate) {
  const bool isUnion = !s.unionParts.empty();
  if (isUnion) s.selectList = composeUnion(s) + u"   ";
  if (!s.selectList.empty()) s.selectList.resize(s.selectList.size() - 2);
  if (isUnion || isUpdate) return;
  if (hasOption(s, kOptionAllColumns) && !s.isDelete) {
    s.selectList = s.selectList.empty() ? std::u16string(u"SELECT *") : s.selectList + u", *";
  }
  if (s.selectList.starts_with(u"SELECT ")) s.selectList.insert(7, selectModifiers(s));
}

}  // namespace

std::u16string QueryBuilder::composeWide() const {
  QueryBuildState s = state_;
  const bool isUpdate = s.head == StatementHead::kUpdate;
  const size_t joinCount = s.joinRows.size();
  std::u16string joinText;
  std::u16string joinChain;
  std::u16string outsideTables;
  if (joinCount >= 1) {
    joinText = buildJoinText(s.joinRows, s.tableNames);
    outsideTables = tablesOutsideJoins(s.tableNames, s.joinRows);
    if (joinCount == 1 && !isUpdate) joinChain = buildSingleJoinText(s.joinRows[0], s.tableNames);
  }

  // FROM text of several joins, and the table part of an update.
  if (joinCount > 1 || isUpdate) {
    if (!isUpdate) {
      s.fromClause = u" \r\nFROM ";
    } else if (!joinText.empty()) {
      s.fromClause = u"UPDATE ";
    }
    if (!joinText.empty()) {
      s.fromClause += outsideTables + joinText;
    } else {
      replaceAll(s.fromClause, u"\r\nFROM ", u"\r\nUPDATE ");
    }
  }

  const std::u16string prefixText = composePrefix(s);
  finishSelectList(s, isUpdate);
  if (s.isValuesAppend) {
    // The values follow the parenthesis directly: "SELECT 'x'" becomes "   VALUES ('x'".
    replaceFirst(s.selectList, u"SELECT ", u"   VALUES (");
    s.selectList += u") ";
  }
  if (s.isDelete) {
    replaceFirst(s.selectList, u"SELECT", u"DELETE");
    if (s.selectList.empty()) s.selectList = u"DELETE* ";
  }
  const std::u16string body = prefixText + s.selectList;

  std::u16string sql = body;
  if (!sql.empty() && s.intoClause.size() > 4) sql += s.intoClause;
  if (joinCount == 1 && !isUpdate) {
    if (sql.empty()) sql = u"SELECT *";
    sql += u" \r\nFROM " + outsideTables;
  } else {
    sql += s.fromClause;
  }
  if (s.isDataDefinition) sql = s.statementHead;
  if (joinChain.size() >= 11) sql += joinChain;
  if (isUpdate) sql += s.setClause;
  sql += s.whereClause;
  sql += s.groupByClause;
  sql += s.havingClause;
  sql += s.orderByClause;
  if (s.pivotClause.size() > 7) sql += s.pivotClause;
  // The statement starts with its first keyword (an update's FROM line leaves a blank and a
  // line break in front of it).
  if (!s.isDataDefinition) sql.erase(0, std::min(sql.size(), sql.find_first_not_of(u" \r\n")));
  if (!s.isDataDefinition && hasOption(s, kOptionOwnerAccess)) sql += u" WITH OWNERACCESS OPTION";
  // A stored statement that already ends with its ";" gets no second one.
  const size_t lastNonBlank = sql.find_last_not_of(u" \t\r\n");
  if (!(s.isDataDefinition && lastNonBlank != std::u16string::npos && sql[lastNonBlank] == u';')) {
    sql += u';';
  }
  return sql;
}

}  // namespace vantrel
