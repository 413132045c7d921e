#pragma once

#include <sys/types.h>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vantrel::test {

struct ProcessResult {
  int exitCode = -1;  // the exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// A program started with its arguments (no shell), its standard input read from `input`,
// its output collected in files.
class BackgroundProcess {
 public:
  explicit BackgroundProcess(const std::vector<std::string>& argv, const std::string& input = "");
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  pid_t pid() const { return pid_; }
  // What the program has written to its standard output so far.
  std::string outSoFar() const;
  // What the program has written to its standard error so far.
  std::string errSoFar() const;
  // Waits for the program to end.
  ProcessResult wait();

 private:
  TempDir dir_;
  pid_t pid_ = -1;
};

// Runs a program with its arguments (no shell), standard input closed (or reading `input`),
// and waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input = "");

// The path of a program built by this project, e.g. "vantrel-cli".
std::string builtProgram(const std::string& name);

}  // namespace vantrel::test
