#include "jetsql/query_builder.h"

#include <array>
#include <optional>
#include <string_view>

#include "jetsql/sql_text.h"
#include "jetsql/wide_text.h"

namespace vantrel {

namespace {

constexpr std::u16string_view kUpdateHead = u"UPDATE ";

// A flag of nine digits at most and no sign, as an int; any other is none.
std::optional<int> smallFlag(std::optional<int64_t> flag) {
  if (!flag || *flag < 0 || *flag > 999'999'999) return std::nullopt;
  return static_cast<int>(*flag);
}

// The flag that marks an appended column written with VALUES: bit 15 of a 16-bit number,
// which reads as 32768 or, when the number is taken as signed, -32768.
bool isValuesColumnFlag(std::optional<int64_t> flag) {
  return flag == 32768 || flag == -32768;
}

// The type written after a parameter's name, by its data type code; every one ends with the
// ", " that separates declarations. A code without a type of its own is declared as Value,
// the type that takes any value.
std::u16string_view parameterTypeText(std::optional<int64_t> flag) {
  static constexpr std::array<std::u16string_view, 16> kTypes{
      u" Value, ",    u" Bit, ",      u" Byte, ",       u" Short, ",
      u" Long, ",     u" currency, ", u" IEEESingle, ", u" IEEEDouble, ",
      u" DateTime, ", u" Binary, ",   u" Text, ",       u" LongBinary, ",
      u" Memo, ",     u" Value, ",    u" Value, ",      u" Guid, "};
  const std::optional<int> code = smallFlag(flag);
  if (!code || *code >= static_cast<int>(kTypes.size())) return kTypes[0];
  return kTypes[static_cast<size_t>(*code)];
}

// A name Jet reads without brackets: a letter or "_" first, then letters, digits and "_".
bool isPlainName(std::u16string_view name) {
  const auto isLetter = [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
  };
  if (name.empty() || !isLetter(name[0])) return false;
  for (const char16_t c : name) {
    if (!isLetter(c) && !(c >= u'0' && c <= u'9')) return false;
  }
  return true;
}

}  // namespace

void QueryBuilder::addRow(const QueryDefinitionRow& row) {
  const std::optional<int64_t> attribute = row.attribute;
  if (attribute == 1) {
    addKind(row);
  } else if (attribute == 3) {
    // Selection options; a later options row replaces an earlier one.
    if (const std::optional<int> options = smallFlag(row.flag)) {
      state_.selectOptions = *options;
      state_.topValue = row.name1;
    }
  } else if (attribute == 2) {
    if (!row.name1.empty()) addParameter(row);
  } else if (attribute == 5) {
    if (!row.name1.empty() || !row.name2.empty()) addInputTable(row);
  } else if (attribute == 6) {
    if (!row.expression.empty()) addOutputColumn(row);
  } else if (attribute == 7) {
    addJoin(row);
  } else {
    addClauseRow(row);
  }
}

void QueryBuilder::addKind(const QueryDefinitionRow& row) {
  const std::optional<int64_t> flag = row.flag;
  if (flag == 4) {
    state_.statementHead = kUpdateHead;
    state_.head = StatementHead::kUpdate;
  } else if (flag == 7 || flag == 8) {
    // Data definition and pass-through: the statement is stored whole; a pass-through
    // query also names the server it runs on. A stored statement that is the update head
    // and nothing else takes the output columns as assignments, as an update query does.
    state_.isDataDefinition = true;
    state_.statementHead = row.expression;
    state_.head = row.expression == kUpdateHead ? StatementHead::kUpdate : StatementHead::kStored;
    if (flag == 8) state_.connect = row.name1;
  } else if (flag == 5) {
    state_.isDelete = true;
  } else if (flag == 6) {
    state_.prefixClause = u"TRANSFORM ";
    state_.prefix = StatementPrefix::kCrosstab;
    ++state_.crosstabCount;
  } else if (flag == 3) {
    state_.prefixClause = u"INSERT INTO " + bracketed(row.name1) + u"(";
    state_.prefix = StatementPrefix::kAppend;
  } else if (flag == 2 && !row.name1.empty()) {
    state_.intoClause = u" INTO " + bracketed(row.name1);
  }
}

void QueryBuilder::addParameter(const QueryDefinitionRow& row) {
  // Jet reads a quoted name as a string, so a name that is more than letters, digits and
  // "_" goes into brackets; one stored with its brackets is written as it stands.
  const bool nameIsBracketed = row.name1.find(u'[') != std::u16string::npos;
  const bool plainName = isPlainName(row.name1);
  state_.parameterDeclarations += nameIsBracketed || plainName ? row.name1 : bracketed(row.name1);
  state_.parameterDeclarations += parameterTypeText(row.flag);
}

void QueryBuilder::addInputTable(const QueryDefinitionRow& row) {
  if (!row.expression.empty()) {
    // A part of a union query: its whole SELECT statement.
    state_.unionParts.push_back(row.expression);
    return;
  }
  if (row.name1.empty()) return;
  state_.tableNames.push_back({row.name1, row.name2});
  std::u16string table = bracketed(row.name1);
  if (!row.name2.empty()) table += u" AS " + bracketed(row.name2);
  if (state_.fromStarted) {
    state_.fromClause += u", " + table;
  } else {
    state_.fromClause = u" \r\nFROM " + table;
    state_.fromStarted = true;
  }
}

void QueryBuilder::addOutputColumn(const QueryDefinitionRow& row) {
  if (isValuesColumnFlag(row.flag)) state_.isValuesAppend = true;
  if (state_.head == StatementHead::kUpdate) {
    state_.setClause += state_.setCount == 0 ? u" SET " : u", ";
    state_.setClause += row.name2 + u" = " + row.expression;
    ++state_.setCount;
  } else if (row.flag == 1) {
    // Pivot column of a crosstab; a second one follows without a separator.
    state_.pivotClause += row.expression;
    ++state_.crosstabCount;
  } else if (row.flag == 0 && state_.prefix == StatementPrefix::kCrosstab &&
             state_.crosstabCount >= 1 && !row.name1.empty()) {
    // The value column of a crosstab: the first aliased one.
    state_.prefixClause += row.expression + u" AS " + row.name1;
    state_.prefix = StatementPrefix::kCrosstabValue;
  } else {
    std::u16string item = state_.statementHead + row.expression;
    if (!row.name1.empty()) item += u" AS " + bracketed(row.name1);
    state_.selectList += item + u", ";
    state_.statementHead.clear();
    if (!row.name2.empty() && state_.prefix == StatementPrefix::kAppend) {
      state_.prefixClause += bracketed(row.name2) + u", ";
    }
  }
}

void QueryBuilder::addJoin(const QueryDefinitionRow& row) {
  // Every join row counts, also one without a condition.
  state_.joinRows.push_back({row.expression, u"(" + row.expression + u")", row.flag,
                             bracketed(row.name1), bracketed(row.name2)});
}

void QueryBuilder::addClauseRow(const QueryDefinitionRow& row) {
  const std::optional<int64_t> attribute = row.attribute;
  if (row.expression.empty()) return;
  if (attribute == 8) {
    // Criteria: a later row replaces an earlier one.
    state_.whereClause = u" \r\nWHERE " + row.expression;
  } else if (attribute == 9 && row.flag != 1) {
    state_.groupByClause += state_.groupByCount == 0 ? u" \r\nGROUP BY " : u", ";
    state_.groupByClause += row.expression;
    ++state_.groupByCount;
  } else if (attribute == 10) {
    state_.havingClause = u" HAVING " + row.expression;
  } else if (attribute == 11) {
    state_.orderByClause += state_.orderByCount == 0 ? u" \r\nORDER BY " : u", ";
    state_.orderByClause += row.expression;
    if (!row.name1.empty()) state_.orderByClause += u" DESC";
    ++state_.orderByCount;
  }
}

std::string QueryBuilder::compose() const {
  return toUtf8(composeWide());
}

std::optional<std::string> QueryBuilder::connectString() const {
  if (!state_.connect) return std::nullopt;
  return toUtf8(*state_.connect);
}

}  // namespace vantrel
