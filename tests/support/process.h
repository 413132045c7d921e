#pragma once

#include <string>
#include <vector>

namespace vantrel::test {

struct ProcessResult {
  int exitCode = -1;  // the exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Runs a program with its arguments (no shell), standard input closed, and waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv);

// The path of a program built by this project, e.g. "vantrel-cli".
std::string builtProgram(const std::string& name);

}  // namespace vantrel::test
