#include "app/progress_tracker.h"

namespace vantrel {

ProgressTracker::ProgressTracker(RunState& run, int fileCount) : run_(run) {
  progress_.fileCount = fileCount;
  run_.setRowObserver(this);
}

ProgressTracker::~ProgressTracker() {
  run_.setRowObserver(nullptr);
}

void ProgressTracker::startFile(int fileNumber, const std::string& sourcePath) {
  db_ = nullptr;
  progress_.fileNumber = fileNumber;
  progress_.sourcePath = sourcePath;
  progress_.table.clear();
  progress_.pagesRead = 0;
  progress_.pageCount = 0;
  progress_.rowsRead = 0;
  report();
}

void ProgressTracker::startTable(const SourceDatabase& db, const std::string& table) {
  db_ = &db;
  progress_.table = table;
  progress_.pageCount = db.pageCount();
  progress_.pagesRead = db.pagesRead();
  report();
}

void ProgressTracker::endFile() {
  db_ = nullptr;
}

void ProgressTracker::rowReached() {
  ++progress_.rowsRead;
  // Reports only when the reader has come to a page it had not read before.
  if (db_ == nullptr || db_->pagesRead() == progress_.pagesRead) return;
  progress_.pagesRead = db_->pagesRead();
  report();
}

void ProgressTracker::report() {
  run_.hooks().reportProgress(progress_);
}

WalkEnd ProgressHandler::onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) {
  tracker_.startTable(db, name);
  return inner_.onTable(db, tdefPage, name);
}

}  // namespace vantrel
