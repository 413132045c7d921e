#pragma once

#include <filesystem>
#include <string>

#include "run/expected.h"

namespace vantrel {

// The SHA-256 of a file's bytes as 64 lower-case hex digits, read in pieces of bounded size;
// why not when the file cannot be read.
Expected<std::string, std::string> fileSha256(const std::filesystem::path& path);

}  // namespace vantrel
