#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "reader/source_passwords.h"
#include "run/expected.h"

namespace vantrel {

// The environment variable a password for encrypted sources may come from.
inline constexpr std::string_view kPasswordVariable = "VANTREL_PASSWORD";

// The first line of `file`, without its line end, as a password; the reason as text when the
// file cannot be read or its first line is empty or longer than any password.
Expected<SecretText, std::string> passwordFromFile(const std::filesystem::path& file);

// The password in the environment variable, when it is set and not empty.
std::optional<SecretText> passwordFromEnvironment();

// Gives the password for every encrypted source from the first of the sources that has one:
// `passwordFile` when given, else the environment. The reason as text when the file cannot be
// read; nothing is given then.
std::optional<std::string> giveStatedPassword(const std::optional<std::filesystem::path>& file);

}  // namespace vantrel
