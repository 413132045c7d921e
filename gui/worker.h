#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <thread>

namespace vantrel::gui {

// Runs one piece of work on its own thread and says so on the user-interface thread when it
// has finished. The thread is joined before finished() is emitted, and at destruction.
class Worker : public QObject {
  Q_OBJECT

 public:
  explicit Worker(QObject* parent = nullptr) : QObject(parent) {}
  ~Worker() override;

  void start(std::function<void()> work);
  bool running() const { return thread_.joinable(); }

 signals:
  void finished();

 private:
  std::thread thread_;
};

// Runs `ask` on the thread of `context` (the user-interface thread) and waits for its answer.
// Only for worker threads.
template <class Ask>
auto askOnUiThread(QObject* context, Ask ask) {
  decltype(ask()) answer{};
  QMetaObject::invokeMethod(
      context, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace vantrel::gui
