#include "tools/mkdb/spec_json.h"

#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>

#include "tests/support/mdb_writer/query_builder.h"

namespace vantrel::mkdb {

using mdbwriter::Bytes;
using mdbwriter::ColumnType;
using mdbwriter::JetVersion;
using nlohmann::json;

namespace {

[[noreturn]] void fail(const std::string& where, const std::string& why) {
  throw std::invalid_argument(where + ": " + why);
}

std::string text(const json& j, const char* key, const std::string& fallback = "") {
  if (!j.contains(key) || j.at(key).is_null()) return fallback;
  if (!j.at(key).is_string()) fail(key, "expected a string");
  return j.at(key).get<std::string>();
}

bool flag(const json& j, const char* key) {
  return j.contains(key) && j.at(key).is_boolean() && j.at(key).get<bool>();
}

int integer(const json& j, const char* key, int fallback) {
  if (!j.contains(key)) return fallback;
  if (!j.at(key).is_number_integer()) fail(key, "expected an integer");
  return j.at(key).get<int>();
}

// Objects marked "formats": [...] belong to those formats only.
bool includedIn(const json& j, JetVersion version) {
  if (!j.is_object() || !j.contains("formats")) return true;
  for (const json& name : j.at("formats")) {
    if (parseFormat(name.get<std::string>()) == version) return true;
  }
  return false;
}

ColumnType columnType(const std::string& name) {
  static const std::map<std::string, ColumnType> kTypes = {
      {"boolean", ColumnType::kBoolean},   {"byte", ColumnType::kByte},
      {"integer", ColumnType::kInteger},   {"long", ColumnType::kLong},
      {"currency", ColumnType::kCurrency}, {"single", ColumnType::kSingle},
      {"double", ColumnType::kDouble},     {"datetime", ColumnType::kDateTime},
      {"binary", ColumnType::kBinary},     {"text", ColumnType::kText},
      {"ole", ColumnType::kOle},           {"memo", ColumnType::kMemo},
      {"guid", ColumnType::kGuid},         {"numeric", ColumnType::kNumeric}};
  const auto found = kTypes.find(name);
  if (found == kTypes.end()) fail("type", "unknown column type \"" + name + "\"");
  return found->second;
}

mdbwriter::LongValueStorage longValueStorage(const std::string& name) {
  if (name.empty() || name == "automatic") return mdbwriter::LongValueStorage::kAutomatic;
  if (name == "in-row") return mdbwriter::LongValueStorage::kInRow;
  if (name == "single-page") return mdbwriter::LongValueStorage::kSinglePage;
  if (name == "chain") return mdbwriter::LongValueStorage::kChain;
  fail("longValues", "unknown storage \"" + name + "\"");
}

mdbwriter::UsageMapKind usageMapKind(const std::string& name) {
  if (name.empty() || name == "automatic") return mdbwriter::UsageMapKind::kAutomatic;
  if (name == "inline") return mdbwriter::UsageMapKind::kInline;
  if (name == "page-list") return mdbwriter::UsageMapKind::kPageList;
  fail("usageMap", "unknown usage map \"" + name + "\"");
}

// "12.345" as an integer scaled by 10^scale, exactly.
int64_t scaledDecimal(const std::string& value, int scale) {
  size_t i = 0;
  const bool negative = !value.empty() && value[0] == '-';
  if (negative || (!value.empty() && value[0] == '+')) ++i;
  int64_t result = 0;
  int fractionDigits = -1;
  bool digits = false;
  for (; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '.' && fractionDigits < 0) {
      fractionDigits = 0;
      continue;
    }
    if (c < '0' || c > '9') fail(value, "not a decimal number");
    if (fractionDigits >= 0 && ++fractionDigits > scale) {
      if (c != '0') fail(value, "more decimals than the column keeps");
      continue;
    }
    result = result * 10 + (c - '0');
    digits = true;
  }
  if (!digits) fail(value, "not a decimal number");
  for (int k = std::max(fractionDigits, 0); k < scale; ++k)
    result *= 10;
  return negative ? -result : result;
}

Bytes hexBytes(const std::string& hex) {
  if (hex.size() % 2 != 0) fail(hex, "hex text of odd length");
  Bytes out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// {"repeat": "ab", "count": 3} stands for "ababab" (text) or the bytes, repeated.
std::string repeated(const json& j) {
  std::string piece = j.at("repeat").get<std::string>();
  const int count = j.at("count").get<int>();
  if (count < 0) fail("count", "negative");
  std::string out;
  out.reserve(piece.size() * static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    out += piece;
  return out;
}

mdbwriter::DateTime dateTimeOf(const json& j) {
  if (j.is_number()) return {j.get<double>()};
  const std::string s = j.get<std::string>();
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
  const int n = std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &sec);
  if (n != 3 && n != 6) fail(s, "dates read YYYY-MM-DD or YYYY-MM-DD HH:MM:SS");
  return mdbwriter::dateTime(y, mo, d, h, mi, sec);
}

mdbwriter::Value valueOf(const json& j, const mdbwriter::ColumnSpec& column) {
  if (j.is_null()) return {};
  try {
    switch (column.type) {
      case ColumnType::kBoolean:
        return j.get<bool>();
      case ColumnType::kByte:
      case ColumnType::kInteger:
      case ColumnType::kLong:
        return j.get<int64_t>();
      case ColumnType::kCurrency:
        return mdbwriter::Currency{j.is_string() ? scaledDecimal(j.get<std::string>(), 4)
                                                 : std::llround(j.get<double>() * 10000)};
      case ColumnType::kSingle:
      case ColumnType::kDouble:
        return j.get<double>();
      case ColumnType::kDateTime:
        return dateTimeOf(j);
      case ColumnType::kBinary:
      case ColumnType::kOle:
        return j.is_object() ? hexBytes(repeated(j)) : hexBytes(j.get<std::string>());
      case ColumnType::kText:
      case ColumnType::kMemo:
        return j.is_object() ? repeated(j) : j.get<std::string>();
      case ColumnType::kGuid:
        return mdbwriter::parseGuid(j.get<std::string>());
      case ColumnType::kNumeric:
        return mdbwriter::Decimal{j.is_string() ? scaledDecimal(j.get<std::string>(), column.scale)
                                                : j.get<int64_t>()};
    }
  } catch (const json::exception& e) {
    fail("column \"" + column.name + "\"",
         std::string("value does not suit the type: ") + e.what());
  }
  return {};
}

// The i-th generated value of a column: plain, deterministic values of each type.
mdbwriter::Value generatedValue(const mdbwriter::ColumnSpec& column, int64_t i) {
  const std::string label = column.name + " " + std::to_string(i);
  const auto declared = static_cast<size_t>(column.size == 0 ? 255 : column.size);
  switch (column.type) {
    case ColumnType::kBoolean:
      return i % 2 == 1;
    case ColumnType::kByte:
      return i % 256;
    case ColumnType::kInteger:
      return i % 32768;
    case ColumnType::kLong:
      return i + 1;
    case ColumnType::kCurrency:
      return mdbwriter::Currency{i * 1250};
    case ColumnType::kSingle:
      return static_cast<double>(i) / 4;
    case ColumnType::kDouble:
      return static_cast<double>(i) / 8;
    case ColumnType::kDateTime:
      return mdbwriter::DateTime{36526.0 + static_cast<double>(i) / 24};
    case ColumnType::kBinary:
    case ColumnType::kOle:
      return Bytes{static_cast<uint8_t>(1 + i % 255), static_cast<uint8_t>(1 + i / 255 % 255),
                   0x5A};
    case ColumnType::kText:
      return label.substr(0, std::min(declared, label.size()));
    case ColumnType::kMemo:
      return label + ": " + std::string(static_cast<size_t>(i % 200), '*');
    case ColumnType::kGuid: {
      mdbwriter::Guid guid;
      for (size_t k = 0; k < 8; ++k)
        guid.bytes[15 - k] = static_cast<uint8_t>(i >> (8 * k));
      return guid;
    }
    case ColumnType::kNumeric:
      return mdbwriter::Decimal{i};
  }
  return {};
}

mdbwriter::TableSpec tableOf(const json& j, JetVersion version) {
  mdbwriter::TableSpec table{.name = text(j, "name")};
  const std::string where = "table \"" + table.name + "\"";
  std::vector<bool> kept;
  for (const json& c : j.at("columns")) {
    kept.push_back(includedIn(c, version));
    if (!kept.back()) continue;
    mdbwriter::ColumnSpec column{.name = text(c, "name"), .type = columnType(text(c, "type"))};
    column.size = integer(c, "size", 0);
    column.precision = integer(c, "precision", 18);
    column.scale = integer(c, "scale", 0);
    column.compressedText = flag(c, "compressed");
    column.longValues = longValueStorage(text(c, "longValues"));
    column.autoNumber = flag(c, "autoNumber");
    column.deleted = flag(c, "deleted");
    table.columns.push_back(column);
  }
  table.usageMap = usageMapKind(text(j, "usageMap"));
  if (j.contains("indexes")) {
    for (const json& ix : j.at("indexes")) {
      mdbwriter::IndexSpec index{.name = text(ix, "name")};
      for (const json& c : ix.at("columns")) {
        index.columns.push_back(
            c.is_string() ? mdbwriter::IndexColumn{c.get<std::string>()}
                          : mdbwriter::IndexColumn{text(c, "column"), flag(c, "descending")});
      }
      index.kind = flag(ix, "primaryKey")      ? mdbwriter::IndexKind::kPrimaryKey
                   : ix.contains("foreignKey") ? mdbwriter::IndexKind::kForeignKey
                                               : mdbwriter::IndexKind::kNormal;
      index.referencedTable = text(ix, "foreignKey");
      index.unique = flag(ix, "unique");
      index.ignoreNulls = flag(ix, "ignoreNulls");
      index.required = flag(ix, "required");
      table.indexes.push_back(index);
    }
  }
  std::vector<mdbwriter::Row> rows;
  if (j.contains("rows")) {
    for (const json& r : j.at("rows")) {
      mdbwriter::Row row;
      if (r.is_array()) {
        if (r.size() != kept.size()) fail(where, "a row's value count differs from its columns");
        for (size_t i = 0, c = 0; i < r.size(); ++i) {
          if (kept[i]) row.values.push_back(valueOf(r[i], table.columns[c++]));
        }
      } else {
        // An object names its values; missing ones are nulls.
        for (const auto& column : table.columns) {
          row.values.push_back(r.contains(column.name) ? valueOf(r.at(column.name), column)
                                                       : mdbwriter::Value{});
        }
        row.deleted = flag(r, "_deleted");
      }
      rows.push_back(std::move(row));
    }
  }
  if (j.contains("generate")) {
    // Rows made one at a time after the listed ones: "generate": {"rows": N}.
    const int64_t count = j.at("generate").at("rows").get<int64_t>();
    auto listed = mdbwriter::rowsOf(std::move(rows));
    auto next = std::make_shared<int64_t>(0);
    const std::vector<mdbwriter::ColumnSpec> columns = table.columns;
    table.rows = [listed, next, count, columns](mdbwriter::Row& row) {
      if (listed(row)) return true;
      if (*next >= count) return false;
      const int64_t i = (*next)++;
      row.values.clear();
      for (const auto& column : columns)
        row.values.push_back(generatedValue(column, i));
      return true;
    };
    return table;
  }
  table.rows = mdbwriter::rowsOf(std::move(rows));
  return table;
}

mdbwriter::QueryKind queryKind(const std::string& name) {
  static const std::map<std::string, mdbwriter::QueryKind> kKinds = {
      {"select", mdbwriter::QueryKind::kSelect},
      {"make-table", mdbwriter::QueryKind::kMakeTable},
      {"append", mdbwriter::QueryKind::kAppend},
      {"update", mdbwriter::QueryKind::kUpdate},
      {"delete", mdbwriter::QueryKind::kDelete},
      {"crosstab", mdbwriter::QueryKind::kCrosstab},
      {"data-definition", mdbwriter::QueryKind::kDataDefinition},
      {"pass-through", mdbwriter::QueryKind::kPassThrough},
      {"union", mdbwriter::QueryKind::kUnion}};
  const auto found = kKinds.find(name.empty() ? "select" : name);
  if (found == kKinds.end()) fail("kind", "unknown query kind \"" + name + "\"");
  return found->second;
}

int parameterType(const json& j) {
  if (j.is_number_integer()) return j.get<int>();
  const std::string name = j.get<std::string>();
  if (name == "currency") return mdbwriter::kParameterCurrency;
  if (name == "datetime") return mdbwriter::kParameterDateTime;
  if (name == "text") return mdbwriter::kParameterText;
  fail("parameter", "unknown type \"" + name + "\"");
}

std::vector<std::string> strings(const json& j, const char* key) {
  std::vector<std::string> out;
  if (j.contains(key)) {
    for (const json& s : j.at(key))
      out.push_back(s.get<std::string>());
  }
  return out;
}

std::optional<std::string> optionalText(const json& j, const char* key) {
  if (!j.contains(key) || j.at(key).is_null()) return std::nullopt;
  return j.at(key).get<std::string>();
}

mdbwriter::SavedQuery queryOf(const json& j) {
  if (j.contains("rows")) {
    // The query catalog's rows as they stand.
    mdbwriter::SavedQuery query{.name = text(j, "name")};
    query.objectFlags = j.value("objectFlags", int64_t{0});
    for (const json& r : j.at("rows")) {
      mdbwriter::QueryRow row{.attribute = r.at("attribute").get<int>()};
      if (r.contains("flag") && !r.at("flag").is_null()) row.flag = r.at("flag").get<int>();
      row.expression = optionalText(r, "expression");
      row.name1 = optionalText(r, "name1");
      row.name2 = optionalText(r, "name2");
      if (r.contains("order")) row.order = hexBytes(r.at("order").get<std::string>());
      query.rows.push_back(row);
    }
    return query;
  }
  mdbwriter::QueryDescription q{.name = text(j, "name"), .kind = queryKind(text(j, "kind"))};
  q.selectAll = flag(j, "selectAll");
  q.distinct = flag(j, "distinct");
  q.distinctRow = flag(j, "distinctRow");
  q.top = optionalText(j, "top");
  q.target = text(j, "target");
  if (j.contains("parameters")) {
    for (const json& p : j.at("parameters")) {
      q.parameters.push_back({text(p, "name"), parameterType(p.at("type"))});
    }
  }
  if (j.contains("tables")) {
    for (const json& t : j.at("tables")) {
      q.tables.push_back(
          t.is_string() ? mdbwriter::QueryDescription::Table{t.get<std::string>()}
                        : mdbwriter::QueryDescription::Table{text(t, "name"), text(t, "alias")});
    }
  }
  if (j.contains("columns")) {
    for (const json& c : j.at("columns")) {
      if (c.is_string()) {
        q.columns.push_back({c.get<std::string>()});
      } else {
        q.columns.push_back({text(c, "expression"), text(c, "alias"), text(c, "target"),
                             integer(c, "flag", mdbwriter::kValueColumn)});
      }
    }
  }
  if (j.contains("joins")) {
    for (const json& jn : j.at("joins")) {
      const std::string kind = text(jn, "kind", "inner");
      q.joins.push_back({text(jn, "left"), text(jn, "right"), text(jn, "expression"),
                         kind == "left"    ? mdbwriter::JoinKind::kLeft
                         : kind == "right" ? mdbwriter::JoinKind::kRight
                                           : mdbwriter::JoinKind::kInner});
    }
  }
  q.where = text(j, "where");
  q.groupBy = strings(j, "groupBy");
  q.having = text(j, "having");
  if (j.contains("orderBy")) {
    for (const json& o : j.at("orderBy")) {
      q.orderBy.push_back(o.is_string() ? mdbwriter::QueryDescription::Order{o.get<std::string>()}
                                        : mdbwriter::QueryDescription::Order{
                                              text(o, "expression"), flag(o, "descending")});
    }
  }
  q.unionParts = strings(j, "unionParts");
  q.sql = text(j, "sql");
  return mdbwriter::buildQuery(q);
}

}  // namespace

JetVersion parseFormat(const std::string& name) {
  if (name == "jet4") return JetVersion::kJet4;
  if (name == "jet3") return JetVersion::kJet3;
  fail("format", "\"" + name + "\" is neither jet3 nor jet4");
}

mdbwriter::DatabaseSpec specFromJson(const json& description, std::optional<JetVersion> version) {
  mdbwriter::DatabaseSpec spec;
  try {
    spec.version = version.value_or(parseFormat(text(description, "format", "jet4")));
    spec.codePage = integer(description, "codePage", 1252);
    if (description.contains("created")) spec.created = dateTimeOf(description.at("created"));
    for (const char* key : {"tables", "queries", "relations"}) {
      if (!description.contains(key)) continue;
      for (const json& item : description.at(key)) {
        if (!includedIn(item, spec.version)) continue;
        if (std::string(key) == "tables") {
          spec.tables.push_back(tableOf(item, spec.version));
        } else if (std::string(key) == "queries") {
          spec.queries.push_back(queryOf(item));
        } else {
          spec.relations.push_back({text(item, "name"), text(item, "table"),
                                    strings(item, "columns"), text(item, "referencedTable"),
                                    strings(item, "referencedColumns"),
                                    item.value("flags", int64_t{0})});
        }
      }
    }
  } catch (const json::exception& e) {
    throw std::invalid_argument(std::string("database description: ") + e.what());
  }
  return spec;
}

}  // namespace vantrel::mkdb
