#pragma once

#include <string>
#include <vector>

#include "reader/page_source.h"

namespace vantrel {

// The lines that tell the user how a file was protected, for the analysis report and the
// saving list: that it had a database password (never the password), and that its pages were
// encoded or encrypted. None for a file with none of these.
std::vector<std::string> protectionNotes(bool hadDatabasePassword, const PageCoding& coding);

}  // namespace vantrel
