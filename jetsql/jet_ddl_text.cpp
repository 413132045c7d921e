#include "jetsql/jet_ddl_text.h"

#include "jetsql/identifier_text.h"
#include "jetsql/jet_sql_error.h"

namespace vantrel {
namespace {

std::string typeText(const JetColumnType& type) {
  std::string text(jetTypeName(type.type));
  if (type.size) text += "(" + std::to_string(*type.size) + ")";
  return text;
}

std::string columnText(const JetColumnSpec& column) {
  std::string text = bracketedName(column.name) + " " + typeText(column.type);
  if (column.defaultValue) text += " DEFAULT " + jetDefaultText(*column.defaultValue);
  return text;
}

std::string nameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) {
    list += (list.empty() ? "" : ", ") + bracketedName(name);
  }
  return "(" + list + ")";
}

bool isPlainWord(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const bool plain =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain) return false;
  }
  return true;
}

void checkName(const std::string& name, const char* what) {
  if (name.empty()) throw JetSqlError(std::string("empty name where ") + what + " was expected");
  if (name.find('\0') != std::string::npos) {
    throw JetSqlError("a name may not contain a zero character");
  }
}

void checkColumn(const JetColumnSpec& column) {
  checkName(column.name, "a column name");
  if (column.type.size && *column.type.size < 0) {
    throw JetSqlError("the size of column " + bracketedName(column.name) + " is negative");
  }
}

void checkNames(const std::vector<std::string>& names) {
  for (const std::string& name : names)
    checkName(name, "a column name");
}

}  // namespace

std::string jetDefaultText(const JetDefault& value) {
  switch (value.kind) {
    case JetDefault::Kind::kNumber:
      return value.text;
    case JetDefault::Kind::kText: {
      std::string quoted = "\"";
      for (const char c : value.text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      return quoted + "\"";
    }
    case JetDefault::Kind::kDateTime:
      return "#" + value.text + "#";
    case JetDefault::Kind::kBoolean:
      return value.boolean ? "True" : "False";
    case JetDefault::Kind::kToday:
      return "Date()";
    case JetDefault::Kind::kNow:
      return "Now()";
  }
  return {};
}

std::string jetDdlText(const JetDdlStatement& statement) {
  if (const auto* create = std::get_if<CreateTableStatement>(&statement)) {
    std::string columns;
    for (const JetColumnSpec& column : create->columns) {
      columns += (columns.empty() ? "" : ", ") + columnText(column);
    }
    return "CREATE TABLE " + bracketedName(create->table) + "(" + columns + ");";
  }
  if (const auto* add = std::get_if<AddColumnStatement>(&statement)) {
    return "ALTER TABLE " + bracketedName(add->table) + " ADD " + columnText(add->column) + ";";
  }
  if (const auto* key = std::get_if<AddPrimaryKeyStatement>(&statement)) {
    const std::string constraint =
        key->constraintName ? "Constraint " + bracketedName(*key->constraintName) + " " : "";
    return "ALTER TABLE " + bracketedName(key->table) + " ADD " + constraint + "PRIMARY KEY " +
           nameList(key->columns) + ";";
  }
  const auto& index = std::get<CreateIndexStatement>(statement);
  std::string keys;
  for (size_t i = 0; i < index.columns.size(); ++i) {
    keys += (keys.empty() ? "" : ", ") + bracketedName(index.columns[i]);
    if (index.isDescending(i)) keys += " DESC";
  }
  return std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
         (isPlainWord(index.index) ? index.index : bracketedName(index.index)) + " ON " +
         bracketedName(index.table) + "(" + keys + ")";
}

void checkJetDdl(const JetDdlStatement& statement) {
  if (const auto* create = std::get_if<CreateTableStatement>(&statement)) {
    checkName(create->table, "a table name");
    if (create->columns.empty()) throw JetSqlError("a table needs a column");
    for (const JetColumnSpec& column : create->columns)
      checkColumn(column);
  } else if (const auto* add = std::get_if<AddColumnStatement>(&statement)) {
    checkName(add->table, "a table name");
    checkColumn(add->column);
  } else if (const auto* key = std::get_if<AddPrimaryKeyStatement>(&statement)) {
    checkName(key->table, "a table name");
    if (key->constraintName) checkName(*key->constraintName, "a constraint name");
    if (key->columns.empty()) throw JetSqlError("a primary key needs a column");
    checkNames(key->columns);
  } else {
    const auto& index = std::get<CreateIndexStatement>(statement);
    checkName(index.index, "an index name");
    checkName(index.table, "a table name");
    if (index.columns.empty()) throw JetSqlError("an index needs a column");
    checkNames(index.columns);
  }
}

}  // namespace vantrel
