#include "app/ui/PageWorker.h"

#include <QPushButton>

#include <condition_variable>

#include "app/ui/DialogTemplate.h"
#include "app/ui/PageBase.h"
#include "app/ui/PageHost.h"
#include "app/ui/StopMessage.h"
#include "serial/DeviceSession.h"

namespace divuzo {

// The worker's progress sink: hands each report to the page's thread.
class PageWorker::Forward : public ProgressSink {
public:
  explicit Forward(PageWorker* worker) : worker_(worker) {}
  void Report(const Progress& p) override {
    QPointer<PageWorker> self(worker_);
    QMetaObject::invokeMethod(
        worker_,
        [self, p] {
          if (self && self->page_ && self->onProgress_) self->onProgress_(p);
        },
        Qt::QueuedConnection);
  }

private:
  PageWorker* worker_;
};

// One question from the work: answered once, by the page or by Wait().
struct PageWorker::Question {
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  bool answer = false;

  bool Done() {
    std::lock_guard<std::mutex> lock(mutex);
    return done;
  }
  void Settle(bool yes) {
    std::lock_guard<std::mutex> lock(mutex);
    if (done) return;
    done = true;
    answer = yes;
    answered.notify_all();
  }
};

PageWorker::PageWorker(PageBase* page)
    : QObject(page), page_(page), forward_(std::make_unique<Forward>(this)) {}

PageWorker::~PageWorker() { Wait(); }

ProgressSink& PageWorker::Reports() { return *forward_; }

void PageWorker::Wait() {
  {
    std::lock_guard<std::mutex> lock(questionMutex_);
    if (question_) question_->Settle(false);
  }
  if (thread_.joinable()) thread_.join();
}

bool PageWorker::Ask(std::function<bool()> question) {
  auto pending = std::make_shared<Question>();
  {
    std::lock_guard<std::mutex> lock(questionMutex_);
    question_ = pending;
  }
  QPointer<PageWorker> self(this);
  QMetaObject::invokeMethod(
      this,
      [self, pending, question = std::move(question)] {
        if (pending->Done()) return;  // given up on already
        pending->Settle(self && self->page_ && question());
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(pending->mutex);
  pending->answered.wait(lock, [&] { return pending->done; });
  const bool answer = pending->answer;
  lock.unlock();
  std::lock_guard<std::mutex> forget(questionMutex_);
  if (question_ == pending) question_.reset();
  return answer;
}

bool PageWorker::Start(std::function<Status()> work, std::function<void(const Progress&)> onProgress,
                       std::function<void(const Status&)> onDone, Options options) {
  if (running_) return false;
  Wait();
  running_ = true;
  onProgress_ = std::move(onProgress);
  onDone_ = std::move(onDone);
  options_ = options;
  PageHost* host = page_ ? page_->Host() : nullptr;
  if (options_.deviceWork && host) {
    host->DeviceWorkStarted();
    host->Session().progress = forward_.get();
  }
  if (options_.cancelButton) {
    options_.cancelButton->setText(TextOf(302));
    disconnect(options_.cancelButton, nullptr, this, nullptr);
    connect(options_.cancelButton, &QPushButton::clicked, this, &PageWorker::OnCancelClicked);
    options_.cancelButton->setEnabled(true);
    options_.cancelButton->show();
  }
  QPointer<PageWorker> self(this);
  thread_ = std::thread([this, self, work = std::move(work)] {
    const Status status = work();
    QMetaObject::invokeMethod(
        this, [self, status] { if (self) self->Finish(status); }, Qt::QueuedConnection);
  });
  return true;
}

void PageWorker::Finish(const Status& status) {
  Wait();
  running_ = false;
  PageHost* host = page_ ? page_->Host() : nullptr;
  if (options_.deviceWork && host) {
    host->Session().progress = nullptr;
    host->DeviceWorkEnded();
  }
  if (options_.cancelButton) {
    disconnect(options_.cancelButton, nullptr, this, nullptr);
    options_.cancelButton->hide();
  }
  if (page_ && onDone_) onDone_(status);
}

void PageWorker::OnCancelClicked() {
  PageHost* host = page_ ? page_->Host() : nullptr;
  if (!running_ || !host) return;
  const Status answer = host->Session().RequestCancel();
  if (!answer.Ok()) ShowStopMessage(page_, TextOf(answer.textId));
}

} // namespace divuzo
