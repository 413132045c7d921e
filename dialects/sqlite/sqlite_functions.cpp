#include "dialects/sqlite/sqlite_functions.h"

#include <functional>
#include <map>
#include <optional>

#include "dialects/common/function_call.h"
#include "dialects/sqlite/sqlite_literals.h"

namespace vantrel {

namespace {

using Call = FunctionArguments;

std::string strftimeInt(std::string_view format, const std::string& date) {
  return "CAST(strftime('" + std::string(format) + "', " + date + ") AS INTEGER)";
}

std::string quarter(const std::string& date) {
  return "((" + strftimeInt("%m", date) + " + 2) / 3)";
}

// DatePart of one interval (the week starting on Sunday, week 1 the one with 1 January).
std::string datePart(const Call& call, const std::string& interval, const std::string& date) {
  if (interval == "q") return quarter(date);
  if (interval == "w") return "(" + strftimeInt("%w", date) + " + 1)";
  if (interval == "ww") {
    return "((" + strftimeInt("%j", date) + " - 1 + " +
           strftimeInt("%w", "date(" + date + ", 'start of year')") + ") / 7 + 1)";
  }
  static const std::map<std::string, std::string, std::less<>> kFields{
      {"yyyy", "%Y"}, {"m", "%m"}, {"y", "%j"}, {"d", "%d"}, {"h", "%H"}, {"n", "%M"}, {"s", "%S"}};
  const auto field = kFields.find(interval);
  if (field == kFields.end()) call.refuse("with the interval \"" + interval + "\"");
  return strftimeInt(field->second, date);
}

// DateAdd. Months and years keep the day of the month, or take the month's last day when it
// has fewer (31 January and a month is 28 or 29 February), as Jet does; a date without a
// time stays one.
std::string dateAdd(const Call& call, const std::string& interval, const std::string& count,
                    const std::string& date) {
  static const std::map<std::string, std::pair<std::string, std::string>, std::less<>> kUnits{
      {"yyyy", {"12", "months"}}, {"q", {"3", "months"}}, {"m", {"1", "months"}},
      {"y", {"1", "days"}},       {"d", {"1", "days"}},   {"w", {"1", "days"}},
      {"ww", {"7", "days"}},      {"h", {"1", "hours"}},  {"n", {"1", "minutes"}},
      {"s", {"1", "seconds"}}};
  const auto unit = kUnits.find(interval);
  if (unit == kUnits.end()) call.refuse("with the interval \"" + interval + "\"");
  const auto& [factor, word] = unit->second;
  const std::string amount = factor == "1" ? count : factor + " * " + count;
  if (word != "days" && word != "months") {
    return "datetime(" + date + ", printf('%+d " + word + "', " + amount + "))";
  }
  std::string day = "date(" + date + ", printf('%+d days', " + amount + "))";
  if (word == "months") {
    const std::string months = "printf('%+d months', " + amount + ")";
    const std::string sameDay = "date(" + date + ", 'start of month', " + months +
                                ", printf('%+d days', " + strftimeInt("%d", date) + " - 1))";
    const std::string lastDay =
        "date(" + date + ", 'start of month', printf('%+d months', " + amount + " + 1), '-1 day')";
    day = "min(" + sameDay + ", " + lastDay + ")";
  }
  return "(CASE WHEN length(" + date + ") <= 10 THEN " + day + " ELSE " + day + " || ' ' || time(" +
         date + ") END)";
}

std::string dateDiff(const Call& call, const std::string& interval, const std::string& from,
                     const std::string& to) {
  const auto days = [](const std::string& date) { return "julianday(date(" + date + "))"; };
  const auto truncatedSeconds = [](const std::string& format, const std::string& date) {
    return "strftime('%s', strftime('" + format + "', " + date + "))";
  };
  if (interval == "d" || interval == "y") {
    return "CAST(" + days(to) + " - " + days(from) + " AS INTEGER)";
  }
  if (interval == "w") return "CAST((" + days(to) + " - " + days(from) + ") / 7 AS INTEGER)";
  if (interval == "ww") {
    // Sundays passed: the days from the Sunday before each date.
    const auto sunday = [&](const std::string& date) {
      return "(" + days(date) + " - " + strftimeInt("%w", date) + ")";
    };
    return "CAST((" + sunday(to) + " - " + sunday(from) + ") / 7 AS INTEGER)";
  }
  if (interval == "yyyy")
    return "(" + strftimeInt("%Y", to) + " - " + strftimeInt("%Y", from) + ")";
  if (interval == "m" || interval == "q") {
    const auto months = [&](const std::string& date) {
      return "(" + strftimeInt("%Y", date) + " * 12 + " + strftimeInt("%m", date) + " - 1)";
    };
    if (interval == "m") return "(" + months(to) + " - " + months(from) + ")";
    return "(" + months(to) + " / 3 - " + months(from) + " / 3)";
  }
  if (interval == "h" || interval == "n" || interval == "s") {
    const std::string format = interval == "h"   ? "%Y-%m-%d %H:00:00"
                               : interval == "n" ? "%Y-%m-%d %H:%M:00"
                                                 : "%Y-%m-%d %H:%M:%S";
    const std::string unit = interval == "h" ? "3600" : interval == "n" ? "60" : "1";
    return "((" + truncatedSeconds(format, to) + " - " + truncatedSeconds(format, from) + ") / " +
           unit + ")";
  }
  call.refuse("with the interval \"" + interval + "\"");
}

// A Format pattern for dates as SQLite text: runs of strftime fields, and the fields that
// strftime cannot write (no leading zero, two-digit year) as expressions between them.
std::optional<std::string> formatDate(std::string_view pattern, const std::string& date) {
  const std::string name = lowerAscii(pattern);
  if (name == "short date") pattern = "m/d/yyyy";
  if (name == "short time") pattern = "hh:nn";
  if (name == "yyyy-mm-dd hh:nn:ss" || name == "general date") pattern = "yyyy-mm-dd hh:nn:ss";
  std::vector<std::string> parts;
  std::string format;
  const auto flush = [&] {
    if (format.find('%') != std::string::npos) {
      parts.push_back("strftime('" + format + "', " + date + ")");
    } else if (!format.empty()) {
      parts.push_back(sqliteString(format));  // separators alone
    }
    format.clear();
  };
  bool afterHour = false;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    size_t run = 1;
    while (i + run < pattern.size() &&
           std::tolower(static_cast<unsigned char>(pattern[i + run])) == c) {
      ++run;
    }
    std::string field;
    std::string noZero;
    if (c == 'y' && (run == 4 || run == 2)) {
      if (run == 4) field = "%Y";
      if (run == 2) noZero = "substr(strftime('%Y', " + date + "), 3)";
    } else if (c == 'm' && run <= 2) {
      const std::string code = afterHour ? "%M" : "%m";
      if (run == 2) field = code;
      if (run == 1) noZero = strftimeInt(code, date);
    } else if ((c == 'd' || c == 'h' || c == 'n' || c == 's') && run <= 2) {
      const std::string code = c == 'd' ? "%d" : c == 'h' ? "%H" : c == 'n' ? "%M" : "%S";
      if (run == 2) field = code;
      if (run == 1) noZero = strftimeInt(code, date);
      afterHour = c == 'h';
    } else if (c == 'q' && run == 1) {
      noZero = quarter(date);
    } else if (c == '-' || c == '/' || c == ':' || c == ' ' || c == '.' || c == ',') {
      field = std::string(run, c);
    } else {
      return std::nullopt;
    }
    if (!noZero.empty()) {
      flush();
      parts.push_back(noZero);
    }
    format += field;
    i += run;
  }
  flush();
  if (parts.empty()) return std::nullopt;
  std::string sql;
  for (const std::string& part : parts)
    sql += (sql.empty() ? "" : " || ") + part;
  return parts.size() == 1 ? sql : "(" + sql + ")";
}

// A Format pattern for numbers: "0", "0.00" and the like, "Fixed", "Standard" and "Percent".
std::optional<std::string> formatNumber(std::string_view pattern, const std::string& value) {
  const std::string name = lowerAscii(pattern);
  if (name == "fixed" || name == "standard") return "printf('%.2f', " + value + ")";
  if (name == "percent") return "printf('%.2f%%', " + value + " * 100)";
  if (name.empty() || name[0] != '0') return std::nullopt;
  const size_t point = name.find('.');
  const std::string decimals = point == std::string::npos ? "" : name.substr(point + 1);
  if (name.substr(0, point).find_first_not_of('0') != std::string::npos ||
      decimals.find_first_not_of('0') != std::string::npos) {
    return std::nullopt;
  }
  return "printf('%." + std::to_string(decimals.size()) + "f', " + value + ")";
}

using Handler = FunctionHandler;

std::string castToText(const std::string& value) {
  return "CAST(" + value + " AS TEXT)";
}

FunctionCall text(std::string sql) {
  return {std::move(sql), false};
}
FunctionCall date(std::string sql) {
  return {std::move(sql), true};
}

Handler renamed(std::string sqliteName, size_t least, size_t most) {
  return [sqliteName = std::move(sqliteName), least, most](const Call& call) {
    call.expect(least, most);
    std::string sql = sqliteName + "(";
    for (size_t i = 0; i < call.count(); ++i)
      sql += (i == 0 ? "" : ", ") + call[i];
    return text(sql + ")");
  };
}

Handler dateField(std::string format) {
  return [format = std::move(format)](const Call& call) {
    call.expect(1, 1);
    return text(strftimeInt(format, call[0]));
  };
}

Handler cast(std::string type, bool rounded) {
  return [type = std::move(type), rounded](const Call& call) {
    call.expect(1, 1);
    return text("CAST(" + (rounded ? "round(" + call[0] + ")" : call[0]) + " AS " + type + ")");
  };
}

const FunctionHandlers& handlers() {
  static const FunctionHandlers kHandlers = [] {
    FunctionHandlers all =
        sharedFunctionHandlers({dateAdd, datePart, dateDiff, castToText, formatNumber, formatDate});
    all.insert({
        // First and Last give the value of one record of the group; count(*) makes the query
        // one that groups, as these two do in Jet.
        {"FIRST",
         [](const Call& c) {
           c.expect(1, 1);
           if (!c.context().aggregateFilter.empty()) c.refuse("in a crosstab's value");
           return text("(CASE WHEN count(*) > 0 THEN " + c[0] + " END)");
         }},
        {"NZ",
         [](const Call& c) {
           c.expect(1, 2);
           return text("coalesce(" + c[0] + ", " + (c.count() == 2 ? c[1] : "''") + ")");
         }},
        {"LEFT",
         [](const Call& c) {
           c.expect(2, 2);
           return text("substr(" + c[0] + ", 1, " + c[1] + ")");
         }},
        {"RIGHT",
         [](const Call& c) {
           c.expect(2, 2);
           return text("substr(" + c[0] + ", max(length(" + c[0] + ") - " + c[1] + " + 1, 1))");
         }},
        {"MID", renamed("substr", 2, 3)},
        {"LEN", renamed("length", 1, 1)},
        {"UCASE", renamed("upper", 1, 1)},
        {"LCASE", renamed("lower", 1, 1)},
        {"TRIM", renamed("trim", 1, 1)},
        {"LTRIM", renamed("ltrim", 1, 1)},
        {"RTRIM", renamed("rtrim", 1, 1)},
        {"ABS", renamed("abs", 1, 1)},
        {"ROUND", renamed("round", 1, 2)},
        {"INSTR",
         [](const Call& c) {
           c.expect(2, 3);
           // Jet finds text without regard to case.
           if (c.count() == 2) return text("instr(lower(" + c[0] + "), lower(" + c[1] + "))");
           const std::string found =
               "instr(lower(substr(" + c[1] + ", " + c[0] + ")), lower(" + c[2] + "))";
           return text("(CASE WHEN " + found + " > 0 THEN " + found + " + " + c[0] +
                       " - 1 ELSE 0 END)");
         }},
        {"VAL", cast("NUMERIC", false)},
        {"CSTR", cast("TEXT", false)},
        {"CINT", cast("INTEGER", true)},
        {"CLNG", cast("INTEGER", true)},
        {"CDBL", cast("REAL", false)},
        {"CSNG", cast("REAL", false)},
        {"FIX", cast("INTEGER", false)},
        {"STR",
         [](const Call& c) {
           c.expect(1, 1);
           return text("(CASE WHEN " + c[0] + " >= 0 THEN ' ' || " + c[0] + " ELSE CAST(" + c[0] +
                       " AS TEXT) END)");
         }},
        {"CCUR",
         [](const Call& c) {
           c.expect(1, 1);
           return text("round(CAST(" + c[0] + " AS REAL), 4)");
         }},
        {"INT",
         [](const Call& c) {
           c.expect(1, 1);
           // The greatest whole number not above the value.
           return text("(CAST(" + c[0] + " AS INTEGER) - (" + c[0] + " < CAST(" + c[0] +
                       " AS INTEGER)))");
         }},
        {"DATE", withoutArguments("datetime('now', 'localtime', 'start of day')", true)},
        {"NOW", withoutArguments("datetime('now', 'localtime')", true)},
        {"TIME", withoutArguments("'1899-12-30 ' || time('now', 'localtime')", true)},
        {"YEAR", dateField("%Y")},
        {"MONTH", dateField("%m")},
        {"DAY", dateField("%d")},
        {"HOUR", dateField("%H")},
        {"MINUTE", dateField("%M")},
        {"SECOND", dateField("%S")},
        {"WEEKDAY",
         [](const Call& c) {
           c.expect(1, 2);
           c.expectSundayFirst(1);
           return text("(" + strftimeInt("%w", c[0]) + " + 1)");
         }},
        {"DATESERIAL",
         [](const Call& c) {
           c.expect(3, 3);
           return date("datetime(printf('%04d-01-01', " + c[0] + "), printf('%+d months', " + c[1] +
                       " - 1), printf('%+d days', " + c[2] + " - 1))");
         }},
    });
    all.emplace("LAST", all.at("FIRST"));
    return all;
  }();
  return kHandlers;
}

}  // namespace

FunctionCall translateSqliteFunction(std::string_view name, const std::vector<JetTokens>& arguments,
                                     const ExpressionContext& context) {
  return callFunction(handlers(), name, arguments, context);
}

}  // namespace vantrel
