#pragma once

#include <chrono>
#include <filesystem>
#include <functional>

#include "app/activity_log.h"
#include "gui/user_prompts.h"

namespace vantrel::gui {

// What every window of one program run shares: how it talks to the user, the activity log,
// the folders it uses, and how the program ends.
struct Session {
  UserPrompts& prompts;
  ActivityLog log;
  std::filesystem::path applicationFolder;
  // A private folder (mode 0700) for the temporary report files.
  std::filesystem::path reportFolder;
  // Ends the program once the windows are closed and no worker runs.
  std::function<void()> quit;
  // How long the saving dialog stays with full bars after a single file is saved.
  std::chrono::milliseconds savingPause{2000};
};

}  // namespace vantrel::gui
