#include "gui/worker.h"

namespace vantrel::gui {

Worker::~Worker() {
  if (thread_.joinable()) thread_.join();
}

void Worker::start(std::function<void()> work) {
  if (thread_.joinable()) thread_.join();
  thread_ = std::thread([this, work = std::move(work)] {
    work();
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (thread_.joinable()) thread_.join();
          emit finished();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace vantrel::gui
