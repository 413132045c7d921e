#include "cli/password_entry.h"

#include "app/password_sources.h"
#include "cli/terminal.h"

namespace vantrel::cli {

void usePasswordSources() {
  giveStatedPassword(std::nullopt);
  if (!standardInputIsTerminal()) return;
  setSourcePasswordAsker([](const std::filesystem::path& file) -> std::optional<SecretText> {
    auto line =
        readSecretLine("Password for " + file.filename().string() + " (Enter alone skips it): ");
    if (!line || line->empty()) return std::nullopt;
    SecretText password(std::move(*line));
    return password;
  });
}

void addPasswordOption(CLI::App& verb) {
  verb.add_option_function<std::string>(
          "--password-file",
          [](const std::string& file) {
            if (const auto problem = giveStatedPassword(std::filesystem::path(file)))
              throw CLI::ValidationError("--password-file", *problem);
          },
          "The password of encrypted .accdb files: the first line of FILE")
      ->type_name("FILE");
}

}  // namespace vantrel::cli
