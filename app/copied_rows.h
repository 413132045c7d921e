#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vantrel {

// One line of rows copied from the preview for the clipboard: the fields separated by tabs,
// each escaped as the command line's TSV escapes it (so a tab or line break in a value keeps
// the columns in place), and a line feed at the end.
std::string copiedRowLine(std::span<const std::string_view> fields);

}  // namespace vantrel
