#pragma once
// The one way a page runs work on a worker thread (device work above all):
//
//   worker_ = new PageWorker(this);                    // a child of the page
//   worker_->Start([this] { return job.Run(); },        // worker thread; returns a Status
//                  [this](const Progress& p) { ... },   // GUI thread, while the page lives
//                  [this](const Status& s) { ... },     // GUI thread, once, at the end
//                  {.deviceWork = true, .cancelButton = cancel_});
//
// Reports (to Reports(), from the worker) reach the page on its own thread and never after it is
// gone. Device work is
// registered with the page's host (the window refuses to close while it runs), gets the
// session's progress sink for its reports, and shows `cancelButton` while it runs: a click asks
// the session to cancel, and a request the work turns down (the image phase of a flash) is
// answered with a stop message giving the reason.
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/Progress.h"
#include "app/Status.h"

class QPushButton;

namespace divuzo {

class PageBase;

class PageWorker : public QObject {
  Q_OBJECT
public:
  struct Options {
    bool deviceWork = false;               // talks to the device through the host's session
    QPushButton* cancelButton = nullptr;   // shown while device work runs (may be null)
  };

  explicit PageWorker(PageBase* page);
  ~PageWorker() override;  // waits for a worker still running

  // False (and nothing started) while a worker runs.
  bool Start(std::function<Status()> work, std::function<void(const Progress&)> onProgress,
             std::function<void(const Status&)> onDone, Options options);
  bool Start(std::function<Status()> work, std::function<void(const Progress&)> onProgress,
             std::function<void(const Status&)> onDone) {
    return Start(std::move(work), std::move(onProgress), std::move(onDone), Options{});
  }
  bool Running() const { return running_; }
  // Where the work reports from its thread (device work also gets it as the session's sink);
  // each report reaches `onProgress` on the page's thread.
  ProgressSink& Reports();
  // Blocks until a running worker has finished (its end is still reported later). A question
  // the work is waiting on is answered "no" first: nobody can answer it while this waits.
  void Wait();

  // From the work's thread: runs `question` on the page's thread (a message box, say) and
  // waits for its answer. False when the page is gone or stops waiting for the work first.
  bool Ask(std::function<bool()> question);

private:
  class Forward;
  struct Question;
  void Finish(const Status& status);
  void OnCancelClicked();

  QPointer<PageBase> page_;
  std::unique_ptr<Forward> forward_;
  std::function<void(const Progress&)> onProgress_;
  std::function<void(const Status&)> onDone_;
  Options options_;
  bool running_ = false;
  std::thread thread_;
  std::mutex questionMutex_;
  std::shared_ptr<Question> question_;  // the one the work waits on, if any
};

} // namespace divuzo
