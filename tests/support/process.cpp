#include "tests/support/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <stdexcept>

#include "tests/support/corpus.h"

extern char** environ;

namespace vantrel::test {

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::string& input) {
  const auto inPath = dir_ / "in";
  std::ofstream(inPath, std::ios::binary) << input;
  const auto outPath = dir_ / "out";
  const auto errPath = dir_ / "err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<char*> args;
  for (const auto& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  wait();
}

std::string BackgroundProcess::outSoFar() const {
  return readTextFile(dir_ / "out");
}

std::string BackgroundProcess::errSoFar() const {
  return readTextFile(dir_ / "err");
}

ProcessResult BackgroundProcess::wait() {
  ProcessResult result;
  if (pid_ <= 0) return result;
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0) {
  }
  pid_ = -1;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = readTextFile(dir_ / "out");
  result.err = readTextFile(dir_ / "err");
  return result;
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input) {
  return BackgroundProcess(argv, input).wait();
}

std::string builtProgram(const std::string& name) {
  return std::string(VANTREL_BINARY_DIR) + "/cli/" + name;
}

}  // namespace vantrel::test
