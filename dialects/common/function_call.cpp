#include "dialects/common/function_call.h"

#include "dialects/common/jet_expression.h"

namespace vantrel {

namespace {

// An expression longer than this is refused: a function that repeats its argument (Int,
// Right, InStr...) nested again and again would otherwise grow it threefold a level.
constexpr size_t kMaxExpressionBytes = size_t{1} << 20;

}  // namespace

std::string upperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

void FunctionArguments::expect(size_t least, size_t most) const {
  if (count() < least || count() > most) {
    throw TranslationRefused{"calls " + std::string(name_) + " with " + std::to_string(count()) +
                             " arguments"};
  }
}

const std::string& FunctionArguments::operator[](size_t i) const {
  if (!written_[i]) {
    const std::string sql = translateExpression(arguments_[i], context_);
    if (sql.size() > kMaxExpressionBytes) refuse("with an argument over 1 MiB of SQL");
    written_[i] = arguments_[i].size() == 1 ? sql : "(" + sql + ")";
  }
  return *written_[i];
}

std::optional<std::string> FunctionArguments::literal(size_t i) const {
  if (arguments_[i].size() != 1 || arguments_[i][0].kind != JetToken::Kind::Text) {
    return std::nullopt;
  }
  return lowerAscii(arguments_[i][0].text);
}

std::string FunctionArguments::interval() const {
  const auto text = literal(0);
  if (!text) refuse("with an interval that is not a text");
  return *text;
}

void FunctionArguments::expectDefaultWeeks(const std::string& interval) const {
  if (interval != "w" && interval != "ww") return;
  for (size_t i = 2; i < count(); ++i) {
    if ((*this)[i] != "1") refuse("with a week that starts otherwise");
  }
}

void FunctionArguments::expectSundayFirst(size_t at) const {
  if (count() > at && !(literal(at) == std::nullopt && (*this)[at] == "1")) {
    refuse("with a first day of the week");
  }
}

FunctionHandler withoutArguments(std::string sql, bool givesDate) {
  return [sql = std::move(sql), givesDate](const FunctionArguments& call) {
    call.expect(0, 0);
    return FunctionCall{sql, givesDate};
  };
}

std::string aggregateCall(const FunctionArguments& call, std::string_view function) {
  call.expect(1, 1);
  const std::string& filter = call.context().aggregateFilter;
  const std::string argument = call.isStar(0) ? (filter.empty() ? "*" : "1") : call[0];
  if (filter.empty()) return std::string(function) + "(" + argument + ")";
  return std::string(function) + "(CASE WHEN " + filter + " THEN " + argument + " END)";
}

}  // namespace vantrel

namespace vantrel {

FunctionHandlers sharedFunctionHandlers(const DateAndFormatWriters& writers) {
  const auto aggregate = [](std::string_view function) {
    return [function](const FunctionArguments& c) {
      return FunctionCall{aggregateCall(c, function), false};
    };
  };
  return {
      {"SUM", aggregate("sum")},
      {"AVG", aggregate("avg")},
      {"COUNT", aggregate("count")},
      {"MIN", aggregate("min")},
      {"MAX", aggregate("max")},
      {"IIF",
       [](const FunctionArguments& c) {
         c.expect(3, 3);
         return FunctionCall{"(CASE WHEN " + c[0] + " THEN " + c[1] + " ELSE " + c[2] + " END)"};
       }},
      {"ISNULL",
       [](const FunctionArguments& c) {
         c.expect(1, 1);
         return FunctionCall{"(" + c[0] + " IS NULL)"};
       }},
      {"DATEADD",
       [writers](const FunctionArguments& c) {
         c.expect(3, 3);
         return FunctionCall{writers.add(c, c.interval(), c[1], c[2]), true};
       }},
      {"DATEPART",
       [writers](const FunctionArguments& c) {
         c.expect(2, 4);
         const std::string interval = c.interval();
         c.expectDefaultWeeks(interval);
         return FunctionCall{writers.part(c, interval, c[1])};
       }},
      {"DATEDIFF",
       [writers](const FunctionArguments& c) {
         c.expect(3, 3);
         return FunctionCall{writers.diff(c, c.interval(), c[1], c[2])};
       }},
      {"FORMAT",
       [writers](const FunctionArguments& c) {
         c.expect(1, 2);
         if (c.count() == 1) return FunctionCall{writers.asText(c[0])};
         const auto pattern = c.literal(1);
         if (!pattern) c.refuse("with a pattern that is not a text");
         if (auto written = writers.formatNumber(*pattern, c[0])) return FunctionCall{*written};
         if (auto written = writers.formatDate(*pattern, c[0])) return FunctionCall{*written};
         c.refuse("with the pattern \"" + *pattern + "\"");
       }},
  };
}

FunctionCall callFunction(const FunctionHandlers& handlers, std::string_view name,
                          const std::vector<JetTokens>& arguments,
                          const ExpressionContext& context) {
  const auto handler = handlers.find(upperAscii(name));
  if (handler == handlers.end()) throw TranslationRefused{"uses the function " + std::string(name)};
  return handler->second(FunctionArguments(name, arguments, context));
}

}  // namespace vantrel
