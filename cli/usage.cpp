#include "cli/usage.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "cli/commands.h"

namespace vantrel::cli {

namespace {

// Edits from one word to the other, a swap of two neighbours counting as one edit.
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j)
    d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t substitution = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, substitution});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

std::string inQuotes(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string withSuggestion(std::string text, std::string_view word,
                           std::span<const std::string> candidates) {
  if (const auto nearest = nearestWord(word, candidates))
    text += " (did you mean " + inQuotes(*nearest) + "?)";
  return text;
}

std::vector<std::string> optionNames(const CLI::App& verb) {
  std::vector<std::string> names;
  for (const CLI::Option* option : verb.get_options()) {
    for (const std::string& name : option->get_lnames())
      names.push_back("--" + name);
    for (const std::string& name : option->get_snames())
      names.push_back("-" + name);
  }
  return names;
}

// The verb whose arguments were left over, or the program itself.
const CLI::App& appWithExtras(const CLI::App& app) {
  for (const CLI::App* verb : app.get_subcommands()) {
    if (!verb->remaining().empty()) return *verb;
  }
  return app;
}

}  // namespace

std::optional<std::string> nearestWord(std::string_view word,
                                       std::span<const std::string> candidates) {
  std::optional<std::string> nearest;
  size_t best = std::max<size_t>(2, word.size() / 3);
  for (const std::string& candidate : candidates) {
    const size_t distance = editDistance(word, candidate);
    if (distance <= best && (!nearest || distance < best)) {
      nearest = candidate;
      best = distance;
    }
  }
  return nearest;
}

std::vector<std::string> verbNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* verb : app.get_subcommands({}))
    names.push_back(verb->get_name());
  return names;
}

std::string usageErrorText(const CLI::App& app, const CLI::ParseError& error) {
  if (dynamic_cast<const CLI::ExtrasError*>(&error) == nullptr) return error.what();
  const CLI::App& owner = appWithExtras(app);
  const std::vector<std::string> extras = owner.remaining();
  if (extras.empty()) return error.what();
  const std::string& first = extras.front();
  const bool isOption = first.size() > 1 && first[0] == '-';
  const std::string optionName = first.substr(0, first.find('='));
  if (&owner == &app) {
    if (isOption)
      return withSuggestion("unknown option " + inQuotes(optionName), optionName, optionNames(app));
    return withSuggestion("unknown verb " + inQuotes(first), first, verbNames(app));
  }
  const std::string verb = owner.get_name();
  if (isOption) {
    return withSuggestion("unknown option " + inQuotes(optionName) + " for " + verb, optionName,
                          optionNames(owner));
  }
  return "unexpected argument " + inQuotes(first) + " for " + verb;
}

void addHelpCommand(CLI::App& app, int& exitCode) {
  auto verbName = std::make_shared<std::string>();
  CLI::App* help = app.add_subcommand("help", "Print the help of the program, or of one verb");
  help->add_option("VERB", *verbName, "The verb to tell about");
  help->callback([&app, verbName, &exitCode] {
    if (verbName->empty()) {
      // The program's own help: app.help() would tell the verb being run, this one.
      std::cout << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
      exitCode = kExitOk;
      return;
    }
    for (const CLI::App* verb : app.get_subcommands({})) {
      if (verb->get_name() == *verbName) {
        std::cout << verb->help(app.get_name());
        exitCode = kExitOk;
        return;
      }
    }
    std::cerr << "vantrel-cli: "
              << withSuggestion("unknown verb " + inQuotes(*verbName), *verbName, verbNames(app))
              << " (see vantrel-cli --help)\n";
    exitCode = kExitUsage;
  });
}

}  // namespace vantrel::cli
