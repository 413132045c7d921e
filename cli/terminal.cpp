#include "cli/terminal.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace vantrel::cli {

bool standardInputIsTerminal() {
  return ::isatty(STDIN_FILENO) == 1;
}
bool standardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

std::optional<std::string> readAnswerLine() {
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t got = ::read(STDIN_FILENO, &c, 1);
    if (got < 0 && errno == EINTR) return std::nullopt;  // Ctrl-C
    if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
    if (c == '\n') return line;
    if (c != '\r') line.push_back(c);
  }
}

std::optional<std::string> readSecretLine(std::string_view prompt) {
  termios shown{};
  if (!standardInputIsTerminal() || ::tcgetattr(STDIN_FILENO, &shown) != 0) return std::nullopt;
  termios hidden = shown;
  hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  hidden.c_lflag |= ECHONL;  // the line end still shows, so the next output starts a line
  std::cerr << prompt << std::flush;
  if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden) != 0) return std::nullopt;
  auto line = readAnswerLine();
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
  return line;
}

ProgressLine::ProgressLine() : enabled_(standardErrorIsTerminal()) {}

ProgressLine::~ProgressLine() {
  clear();
}

void ProgressLine::show(const RunProgress& progress) {
  if (enabled_) draw(progressText(progress));
}

void ProgressLine::show(std::span<const RunProgress> running) {
  if (!enabled_) return;
  winsize size{};
  // A line longer than the terminal would wrap, and "\r" would then redraw only its tail.
  const size_t width =
      ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col - 1u : 79u;
  draw(runningFilesText(running, width));
}

void ProgressLine::draw(std::string_view text) {
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
  lastDrawn_ = now;
  std::cerr << "\r\033[K" << text << std::flush;
  shown_ = true;
}

void ProgressLine::clear() {
  if (!shown_) return;
  std::cerr << "\r\033[K" << std::flush;
  shown_ = false;
}

std::string progressText(const RunProgress& progress) {
  std::string text =
      "[" + std::to_string(progress.fileNumber) + "/" + std::to_string(progress.fileCount) + "] ";
  text += progress.table.empty() ? progress.sourcePath : progress.table;
  if (progress.pageCount > 0) {
    text += ": " + std::to_string(progress.pagesRead) + "/" + std::to_string(progress.pageCount) +
            " pages";
  }
  return text;
}

std::string runningFilesText(std::span<const RunProgress> running, size_t width) {
  std::string text;
  for (const RunProgress& progress : running) {
    if (!text.empty()) text += "  ";
    text += progressText(progress);
  }
  if (width == 0) return text;
  size_t columns = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && ++columns > width) return text.substr(0, i);
  }
  return text;
}

std::string withLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace vantrel::cli
