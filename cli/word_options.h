#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::cli {

// An option whose values are words ("--format tsv|csv|json"): the help shows the words, any
// other value (a number included) is refused, and the chosen word arrives as its typed value.
template <typename Target, typename Value>
CLI::Option* addWordOption(CLI::App& verb, const std::string& name, Target& target,
                           std::vector<std::pair<std::string, Value>> words,
                           const std::string& description) {
  std::vector<std::string> names;
  std::string shown;
  for (const auto& [word, value] : words) {
    names.push_back(word);
    shown += (shown.empty() ? "" : "|") + word;
  }
  auto* option = verb.add_option_function<std::string>(
      name,
      [&target, words = std::move(words)](const std::string& given) {
        // The check below has let only the words through, in any case.
        const std::string lower = CLI::detail::to_lower(given);
        for (const auto& [word, value] : words) {
          if (word == lower) target = value;
        }
      },
      description);
  option->type_name(shown);
  option->check(CLI::IsMember(names, CLI::ignore_case).description(""));
  return option;
}

// Accepts a whole number of at least `least`; the help shows only the option's type name.
inline CLI::Validator wholeNumberAtLeast(long long least) {
  return CLI::Validator(
      [least](std::string& given) -> std::string {
        long long value = 0;
        if (!CLI::detail::lexical_cast(given, value) || value < least)
          return given + " is not a whole number of at least " + std::to_string(least);
        return "";
      },
      "");
}

}  // namespace vantrel::cli
