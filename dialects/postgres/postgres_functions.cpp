#include "dialects/postgres/postgres_functions.h"

#include <functional>
#include <map>

#include "dialects/common/function_call.h"
#include "dialects/common/jet_literals.h"

namespace vantrel {

namespace {

using Call = FunctionArguments;
using Handler = FunctionHandler;

FunctionCall text(std::string sql) {
  return {std::move(sql), false};
}
FunctionCall date(std::string sql) {
  return {std::move(sql), true};
}

// Jet's text functions take any value and read it as text.
std::string asText(const std::string& value) {
  return value + "::text";
}
// Jet's date functions read a text as a date too.
std::string asTimestamp(const std::string& value) {
  return value + "::timestamp";
}
std::string field(std::string_view name, const std::string& value) {
  return "CAST(extract(" + std::string(name) + " FROM " + asTimestamp(value) + ") AS integer)";
}

std::string quarter(const std::string& value) {
  return field("quarter", value);
}

// The week of the year, weeks starting on Sunday and week 1 the one with 1 January.
std::string weekOfYear(const std::string& value) {
  return "((" + field("doy", value) + " - 1 + " +
         field("dow", "date_trunc('year', " + asTimestamp(value) + ")") + ") / 7 + 1)";
}

std::string datePart(const Call& call, const std::string& interval, const std::string& value) {
  if (interval == "q") return quarter(value);
  if (interval == "w") return "(" + field("dow", value) + " + 1)";
  if (interval == "ww") return weekOfYear(value);
  static const std::map<std::string, std::string, std::less<>> kFields{
      {"yyyy", "year"}, {"m", "month"},  {"y", "doy"},   {"d", "day"},
      {"h", "hour"},    {"n", "minute"}, {"s", "second"}};
  const auto found = kFields.find(interval);
  if (found == kFields.end()) call.refuse("with the interval \"" + interval + "\"");
  return field(found->second, value);
}

// DateAdd: PostgreSQL's month arithmetic keeps the day of the month, or takes the month's last
// day when it has fewer (31 January and a month is 28 or 29 February), as Jet does.
std::string dateAdd(const Call& call, const std::string& interval, const std::string& count,
                    const std::string& value) {
  static const std::map<std::string, std::pair<std::string, std::string>, std::less<>> kUnits{
      {"yyyy", {"years", ""}}, {"q", {"months", "3 * "}}, {"m", {"months", ""}},
      {"y", {"days", ""}},     {"d", {"days", ""}},       {"w", {"days", ""}},
      {"ww", {"weeks", ""}},   {"h", {"hours", ""}},      {"n", {"mins", ""}},
      {"s", {"secs", ""}}};
  const auto unit = kUnits.find(interval);
  if (unit == kUnits.end()) call.refuse("with the interval \"" + interval + "\"");
  const auto& [name, factor] = unit->second;
  // Jet counts whole units: a fraction is dropped.
  const std::string amount = factor + "CAST(trunc(" + count + ") AS integer)";
  return "(" + asTimestamp(value) + " + make_interval(" + name + " => " + amount + "))";
}

std::string dateDiff(const Call& call, const std::string& interval, const std::string& from,
                     const std::string& to) {
  const auto day = [](const std::string& value) { return "(" + value + ")::date"; };
  if (interval == "d" || interval == "y") return "(" + day(to) + " - " + day(from) + ")";
  if (interval == "w") return "((" + day(to) + " - " + day(from) + ") / 7)";
  if (interval == "ww") {
    // Sundays passed: the days from the Sunday before each date.
    const auto sunday = [&](const std::string& value) {
      return "(" + day(value) + " - " + field("dow", value) + ")";
    };
    return "((" + sunday(to) + " - " + sunday(from) + ") / 7)";
  }
  if (interval == "yyyy") return "(" + field("year", to) + " - " + field("year", from) + ")";
  if (interval == "m" || interval == "q") {
    const auto months = [&](const std::string& value) {
      return "(" + field("year", value) + " * 12 + " + field("month", value) + " - 1)";
    };
    if (interval == "m") return "(" + months(to) + " - " + months(from) + ")";
    return "(" + months(to) + " / 3 - " + months(from) + " / 3)";
  }
  if (interval == "h" || interval == "n" || interval == "s") {
    const std::string unit = interval == "h" ? "hour" : interval == "n" ? "minute" : "second";
    const std::string seconds = interval == "h" ? "3600" : interval == "n" ? "60" : "1";
    const auto epoch = [&](const std::string& value) {
      return "CAST(extract(epoch FROM date_trunc('" + unit + "', " + asTimestamp(value) +
             ")) AS bigint)";
    };
    return "((" + epoch(to) + " - " + epoch(from) + ") / " + seconds + ")";
  }
  call.refuse("with the interval \"" + interval + "\"");
}

// A Format pattern for dates as a to_char pattern; none when it holds what Jet's Format
// writes otherwise (names of days and months, AM/PM, literal text).
std::optional<std::string> formatDate(std::string_view pattern, const std::string& value) {
  const std::string name = lowerAscii(pattern);
  if (name == "short date") pattern = "m/d/yyyy";
  if (name == "short time") pattern = "hh:nn";
  if (name == "yyyy-mm-dd hh:nn:ss" || name == "general date") pattern = "yyyy-mm-dd hh:nn:ss";
  std::string format;
  bool afterHour = false;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    size_t run = 1;
    while (i + run < pattern.size() &&
           std::tolower(static_cast<unsigned char>(pattern[i + run])) == c) {
      ++run;
    }
    const std::string noZero = run == 1 ? "FM" : "";
    if (c == 'y' && (run == 4 || run == 2)) {
      format += run == 4 ? "YYYY" : "YY";
    } else if (c == 'm' && run <= 2) {
      format += noZero + (afterHour ? "MI" : "MM");
    } else if ((c == 'd' || c == 'h' || c == 'n' || c == 's') && run <= 2) {
      format += noZero + (c == 'd' ? "DD" : c == 'h' ? "HH24" : c == 'n' ? "MI" : "SS");
      afterHour = c == 'h';
    } else if (c == 'q' && run == 1) {
      format += "Q";
    } else if (c == '-' || c == '/' || c == ':' || c == ' ' || c == '.' || c == ',') {
      format += std::string(run, c);
    } else {
      return std::nullopt;
    }
    i += run;
  }
  if (format.empty()) return std::nullopt;
  return "to_char(" + asTimestamp(value) + ", " + quotedString(format) + ")";
}

// A Format pattern for numbers: "0", "0.00" and the like, "Fixed", "Standard" and "Percent".
std::optional<std::string> formatNumber(std::string_view pattern, const std::string& value) {
  const std::string name = lowerAscii(pattern);
  const auto places = [&](size_t digits, const std::string& number) {
    return "round((" + number + ")::numeric, " + std::to_string(digits) + ")::text";
  };
  if (name == "fixed" || name == "standard") return places(2, value);
  if (name == "percent") return "(" + places(2, value + " * 100") + " || '%')";
  if (name.empty() || name[0] != '0') return std::nullopt;
  const size_t point = name.find('.');
  const std::string decimals = point == std::string::npos ? "" : name.substr(point + 1);
  if (name.substr(0, point).find_first_not_of('0') != std::string::npos ||
      decimals.find_first_not_of('0') != std::string::npos) {
    return std::nullopt;
  }
  return places(decimals.size(), value);
}

Handler renamed(std::string function, size_t least, size_t most, bool textArguments) {
  return [function = std::move(function), least, most, textArguments](const Call& call) {
    call.expect(least, most);
    std::string sql = function + "(";
    for (size_t i = 0; i < call.count(); ++i)
      sql += (i == 0 ? "" : ", ") + (textArguments && i == 0 ? asText(call[i]) : call[i]);
    return text(sql + ")");
  };
}

Handler dateField(std::string name) {
  return [name = std::move(name)](const Call& call) {
    call.expect(1, 1);
    return text(field(name, call[0]));
  };
}

Handler cast(std::string type) {
  return [type = std::move(type)](const Call& call) {
    call.expect(1, 1);
    return text("CAST(" + call[0] + " AS " + type + ")");
  };
}

// CInt and CLng: the nearest whole number, a half to the even one.
Handler wholeNumber(std::string type) {
  return [type = std::move(type)](const Call& call) {
    call.expect(1, 1);
    return text("CAST(" + postgresBankersRound(call[0], "0") + " AS " + type + ")");
  };
}

// First and Last: the value of the group's first or last row as the rows come.
std::string firstOrLast(const Call& call) {
  call.expect(1, 1);
  const std::string& filter = call.context().aggregateFilter;
  const std::string values =
      "array_agg(" + call[0] + ")" + (filter.empty() ? "" : " FILTER (WHERE " + filter + ")");
  const bool last = upperAscii(call.name()) == "LAST";
  return "(" + values + ")[" + (last ? "array_length(" + values + ", 1)" : "1") + "]";
}

const FunctionHandlers& handlers() {
  static const FunctionHandlers kHandlers = [] {
    FunctionHandlers all =
        sharedFunctionHandlers({dateAdd, datePart, dateDiff, asText, formatNumber, formatDate});
    all.insert({
        {"FIRST", [](const Call& c) { return text(firstOrLast(c)); }},
        {"LAST", [](const Call& c) { return text(firstOrLast(c)); }},
        {"NZ",
         [](const Call& c) {
           c.expect(1, 2);
           // Without a second argument a missing value is an empty text.
           if (c.count() == 1) return text("coalesce(" + asText(c[0]) + ", '')");
           return text("coalesce(" + c[0] + ", " + c[1] + ")");
         }},
        {"LEFT", renamed("left", 2, 2, true)},
        {"RIGHT", renamed("right", 2, 2, true)},
        {"MID", renamed("substr", 2, 3, true)},
        {"LEN", renamed("length", 1, 1, true)},
        {"UCASE", renamed("upper", 1, 1, true)},
        {"LCASE", renamed("lower", 1, 1, true)},
        {"TRIM", renamed("btrim", 1, 1, true)},
        {"LTRIM", renamed("ltrim", 1, 1, true)},
        {"RTRIM", renamed("rtrim", 1, 1, true)},
        {"ABS", renamed("abs", 1, 1, false)},
        {"SGN", renamed("sign", 1, 1, false)},
        {"SQR", renamed("sqrt", 1, 1, false)},
        {"ROUND",
         [](const Call& c) {
           c.expect(1, 2);
           return text(postgresBankersRound(c[0], c.count() == 2 ? c[1] : "0"));
         }},
        {"INSTR",
         [](const Call& c) {
           c.expect(2, 3);
           // Jet finds text without regard to case.
           if (c.count() == 2) {
             return text("strpos(lower(" + asText(c[0]) + "), lower(" + asText(c[1]) + "))");
           }
           const std::string found = "strpos(lower(substr(" + asText(c[1]) + ", " + c[0] +
                                     ")), lower(" + asText(c[2]) + "))";
           return text("(CASE WHEN " + found + " > 0 THEN " + found + " + " + c[0] +
                       " - 1 ELSE 0 END)");
         }},
        {"VAL",
         [](const Call& c) {
           c.expect(1, 1);
           // The number the text starts with (blanks before it skipped), 0 when it starts with
           // none.
           const std::string number =
               "substring(ltrim(" + asText(c[0]) +
               ") FROM '^[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)?')";
           return text("CAST(coalesce(" + number + ", CASE WHEN " + c[0] +
                       " IS NOT NULL THEN '0' END) AS double precision)");
         }},
        {"CSTR", cast("text")},
        {"CINT", wholeNumber("integer")},
        {"CLNG", wholeNumber("integer")},
        {"CDBL", cast("double precision")},
        {"CSNG", cast("real")},
        {"CDATE",
         [](const Call& c) {
           c.expect(1, 1);
           return date(asTimestamp(c[0]));
         }},
        {"FIX", renamed("trunc", 1, 1, false)},
        {"INT", renamed("floor", 1, 1, false)},
        {"STR",
         [](const Call& c) {
           c.expect(1, 1);
           return text("(CASE WHEN " + c[0] + " >= 0 THEN ' ' ELSE '' END || " + asText(c[0]) +
                       ")");
         }},
        {"CCUR",
         [](const Call& c) {
           c.expect(1, 1);
           return text("CAST(" + postgresBankersRound(c[0], "4") + " AS numeric(19,4))");
         }},
        {"DATE", withoutArguments("CAST(current_date AS timestamp)", true)},
        {"NOW", withoutArguments("localtimestamp(0)", true)},
        {"TIME", withoutArguments("(DATE '1899-12-30' + localtime(0))", true)},
        {"YEAR", dateField("year")},
        {"MONTH", dateField("month")},
        {"DAY", dateField("day")},
        {"HOUR", dateField("hour")},
        {"MINUTE", dateField("minute")},
        {"SECOND", dateField("second")},
        {"WEEKDAY",
         [](const Call& c) {
           c.expect(1, 2);
           c.expectSundayFirst(1);
           return text("(" + field("dow", c[0]) + " + 1)");
         }},
        {"DATESERIAL",
         [](const Call& c) {
           c.expect(3, 3);
           // Months and days beyond their range carry over, as in Jet.
           return date("(make_date(CAST(" + c[0] +
                       " AS integer), 1, 1) + make_interval(months => "
                       "CAST(" +
                       c[1] + " AS integer) - 1, days => CAST(" + c[2] + " AS integer) - 1))");
         }},
    });
    return all;
  }();
  return kHandlers;
}

}  // namespace

std::string postgresBankersRound(const std::string& value, const std::string& digits) {
  // PostgreSQL's round() takes a half away from zero; Jet takes it to the even neighbour.
  const std::string places = "CAST(" + digits + " AS integer)";
  const std::string power = "power(10::numeric, " + places + ")";
  const std::string scaled = "(CAST(" + value + " AS numeric) * " + power + ")";
  return "round((CASE WHEN abs(" + scaled + " - trunc(" + scaled + ")) = 0.5 THEN 2 * round(" +
         scaled + " / 2) ELSE round(" + scaled + ") END) / " + power + ", " + places + ")";
}

FunctionCall translatePostgresFunction(std::string_view name,
                                       const std::vector<JetTokens>& arguments,
                                       const ExpressionContext& context) {
  return callFunction(handlers(), name, arguments, context);
}

}  // namespace vantrel
