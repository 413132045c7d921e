#pragma once

// One call of a Jet function as a dialect's function table sees it: its arguments written on
// demand, the checks of their number, and the refusal that names the function.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialects/common/sql_dialect.h"

namespace vantrel {

std::string upperAscii(std::string_view text);
std::string lowerAscii(std::string_view text);

// The arguments of one call, each written once, on demand.
class FunctionArguments {
 public:
  FunctionArguments(std::string_view name, const std::vector<JetTokens>& arguments,
                    const ExpressionContext& context)
      : name_(name), arguments_(arguments), context_(context), written_(arguments.size()) {}

  size_t count() const { return arguments_.size(); }
  void expect(size_t least, size_t most) const;
  // The argument as an expression of the dialect, in parentheses when it is more than one
  // token.
  const std::string& operator[](size_t i) const;
  // The argument as a text literal's value, lower case; none when it is no text literal.
  std::optional<std::string> literal(size_t i) const;
  std::string_view name() const { return name_; }
  const ExpressionContext& context() const { return context_; }
  bool isStar(size_t i) const {
    return arguments_[i].size() == 1 && arguments_[i][0].isSymbol("*");
  }

  // The interval of DateAdd, DatePart and DateDiff: the first argument, a text literal, in
  // lower case.
  std::string interval() const;
  // DatePart's first day of the week and first week of the year matter to weeks only; the
  // defaults (Sunday, the week of 1 January) are the ones the dialects write.
  void expectDefaultWeeks(const std::string& interval) const;
  // Weekday's first day of the week, the argument at `at` when there is one: only Sunday.
  void expectSundayFirst(size_t at) const;

  [[noreturn]] void refuse(const std::string& what) const {
    throw TranslationRefused{"uses " + std::string(name_) + " " + what};
  }

 private:
  std::string_view name_;
  const std::vector<JetTokens>& arguments_;
  const ExpressionContext& context_;
  mutable std::vector<std::optional<std::string>> written_;
};

using FunctionHandler = std::function<FunctionCall(const FunctionArguments&)>;

// A function without arguments (Date(), Now()) that the dialect writes as `sql`.
FunctionHandler withoutArguments(std::string sql, bool givesDate);

// A Format pattern written for one value, or none when the dialect cannot write it.
using FormatWriter = std::optional<std::string> (*)(std::string_view pattern,
                                                    const std::string& value);

// How a dialect writes Jet's date arithmetic and formats: the interval given in lower case,
// the arguments already written. Each refuses through `call` what it cannot write.
struct DateAndFormatWriters {
  std::string (*add)(const FunctionArguments& call, const std::string& interval,
                     const std::string& count, const std::string& date);
  std::string (*part)(const FunctionArguments& call, const std::string& interval,
                      const std::string& date);
  std::string (*diff)(const FunctionArguments& call, const std::string& interval,
                      const std::string& from, const std::string& to);
  std::string (*asText)(const std::string& value);
  FormatWriter formatNumber;
  FormatWriter formatDate;
};

using FunctionHandlers = std::map<std::string, FunctionHandler, std::less<>>;

// The functions every dialect writes alike around its own words: the aggregates Sum, Avg,
// Count, Min and Max, IIf, IsNull, DateAdd, DatePart, DateDiff and Format.
FunctionHandlers sharedFunctionHandlers(const DateAndFormatWriters& writers);

// A call by `handlers` (upper-case names); refuses a function they lack.
FunctionCall callFunction(const FunctionHandlers& handlers, std::string_view name,
                          const std::vector<JetTokens>& arguments,
                          const ExpressionContext& context);

// An aggregate over its one argument, counting only the rows of the context's filter.
std::string aggregateCall(const FunctionArguments& call, std::string_view function);

}  // namespace vantrel
