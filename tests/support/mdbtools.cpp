#include "tests/support/mdbtools.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

extern char** environ;

namespace vantrel::test {

namespace {

// A pipe whose ends close with it.
struct Pipe {
  int ends[2] = {-1, -1};
  Pipe() {
    if (::pipe(ends) != 0) throw std::runtime_error("pipe");
  }
  ~Pipe() {
    for (int fd : ends) {
      if (fd >= 0) ::close(fd);
    }
  }
  void closeEnd(int i) {
    ::close(ends[i]);
    ends[i] = -1;
  }
};

}  // namespace

CommandResult runCommand(const std::vector<std::string>& arguments) {
  Pipe out;
  Pipe err;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out.ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err.ends[1], 2);
  std::vector<char*> argv;
  for (const std::string& a : arguments)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  out.closeEnd(1);
  err.closeEnd(1);
  CommandResult result;
  if (spawned != 0) return result;

  std::array<pollfd, 2> fds{pollfd{out.ends[0], POLLIN, 0}, pollfd{err.ends[0], POLLIN, 0}};
  std::array<std::string*, 2> sinks{&result.out, &result.err};
  int open = 2;
  std::array<char, 65536> buffer{};
  while (open > 0) {
    if (::poll(fds.data(), fds.size(), -1) < 0) break;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
      if (n > 0) {
        sinks[i]->append(buffer.data(), static_cast<size_t>(n));
      } else {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool mdbtoolsAvailable() {
  static const bool available = runCommand({"mdb-ver", "-M"}).exitCode == 0;
  return available;
}

std::vector<CsvRecord> parseCsv(std::string_view text) {
  std::vector<CsvRecord> records;
  CsvRecord record;
  size_t i = 0;
  while (i < text.size()) {
    std::optional<std::string> field;
    if (text[i] == '"') {
      std::string value;
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            value += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += text[i++];
      }
      field = std::move(value);
    } else {
      const size_t end = text.find_first_of(",\n", i);
      const size_t stop = end == std::string_view::npos ? text.size() : end;
      if (stop > i) field = std::string(text.substr(i, stop - i));
      i = stop;
    }
    record.push_back(std::move(field));
    if (i >= text.size() || text[i] == '\n') {
      records.push_back(std::move(record));
      record.clear();
    }
    ++i;  // past the comma or the line break
  }
  return records;
}

std::vector<CsvRecord> mdbExport(const std::filesystem::path& database, const std::string& table) {
  const CommandResult result =
      runCommand({"mdb-export", "-D", "%Y-%m-%d %H:%M:%S", "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex",
                  database.string(), table});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return parseCsv(result.out);
}

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    lines.emplace_back(text.substr(start, stop - start));
    start = stop + 1;
  }
  return lines;
}

}  // namespace vantrel::test
