#include "app/workflow_log.h"

#include "app/configuration.h"
#include "app/log_texts.h"

namespace vantrel {

ActivityLog startActivityLog(const std::vector<std::string>& sourceFiles) {
  ActivityLog log = ActivityLog::atConfiguredLocation(loadConfiguration());
  logStartBanner(log, currentLogTime());
  logFileListReady(log);
  logSourceFiles(log, sourceFiles);
  return log;
}

}  // namespace vantrel
