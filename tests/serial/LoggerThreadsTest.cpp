// The logger download as the window and the command line run it: on a worker thread, its
// progress read on another thread, and a cancel from that other thread while the worker waits
// on the line. The tsan preset runs these under ThreadSanitizer (scripts/test-threads.sh).
#include "TempDir.h"

#include "engine/InProcessDevice.h"
#include "serial/DeviceSession.h"
#include "serial/LogDownload.h"
#include "serial/LoggerConnection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace divuzo {
namespace {

using namespace std::chrono_literals;

// Progress as a window receives it: handed over under a lock to the thread that shows it.
class ProgressQueue : public ProgressSink {
 public:
  void Report(const Progress& p) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (p.value >= 0) percent_ = p.value;
    ++reports_;
    changed_.notify_all();
  }
  // Waits until the percentage reached `percent`; false after `timeout`.
  bool WaitFor(int percent, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return percent_ >= percent; });
  }
  int Reports() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int percent_ = -1;
  int reports_ = 0;
};

TEST(LoggerThreads, DownloadCancelledFromAnotherThread) {
  for (const LoggerSpeed speed : {LoggerSpeed::Normal, LoggerSpeed::Fast}) {
    SCOPED_TRACE(speed == LoggerSpeed::Fast ? "fast" : "normal");
    // On the system clock the device really pauses in the second block, so the worker is
    // waiting on the line when the cancel comes.
    vdev::DeviceOptions o;
    o.model = "TR410";
    o.logger.usedEnd = 0x40000;
    o.logger.stallChunk = 40;
    o.logger.stallSeconds = 2;
    vdev::InProcessDevice device(o);
    DeviceSession session;
    device.Attach(session);
    session.timing.speedSwitchPauseMs = 20;
    session.timing.speedRestorePauseMs = 20;
    LoggerState logger;
    ASSERT_TRUE(ConnectLogger(session, logger, device.Path()).connected);

    test::TempDir out;
    LogDownloadRequest request;
    request.folder = out.path();
    request.speed = speed;
    ProgressQueue progress;
    session.progress = &progress;
    LogDownloadResult result;
    std::thread worker([&] { result = DownloadLogMemory(session, logger, request); });
    // Chunk 39 shows 24%: the first block is in, the second is waiting for chunk 40.
    const bool reached = progress.WaitFor(24, 10s);
    EXPECT_TRUE(reached);
    EXPECT_TRUE(session.RequestCancel().Ok());
    EXPECT_GT(progress.Reports(), 30);
    worker.join();

    EXPECT_EQ(result.status.code, StatusCode::Cancelled);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.highSpeedLink.load(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    if (speed == LoggerSpeed::Fast) {
      EXPECT_EQ(device.Logger()->Speed(), kLoggerNormalBaud);
    }
    EXPECT_EQ(device.ReceivedSentences().back(), "$RADED410,2*7D");
  }
}

}  // namespace
}  // namespace divuzo
