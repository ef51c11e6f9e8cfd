#pragma once
// Step 3 of the update page: prepares the flashing on the calling thread, then runs the core's
// update worker (address save, download, address restore, texts) on a thread of its own.
// Reports arrive on that thread; the page forwards them to its own.
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace divuzo {

class FlashDownload;

class UpdateWorker {
public:
  struct Reports {
    std::function<void(int textId)> stage;    // stage line 1233
    std::function<void(int textId)> warning;  // warning line 1237
    std::function<void(int value)> progress;  // SetUpdateProgress
    std::function<void(bool success)> ended;  // last report of a run
  };

  struct Run {
    int deviceKind = 0;
    std::string tempImagePath;
    std::string portPath;                     // the line the download opens
    std::function<void()> closeChannel;       // the page's serial channel
    int pauseMs = 2000;
  };

  UpdateWorker();
  ~UpdateWorker();  // waits for a running worker
  UpdateWorker(const UpdateWorker&) = delete;
  UpdateWorker& operator=(const UpdateWorker&) = delete;

  // Clears the three stage flags (agent, image, download).
  void ResetFlags();
  // Prepares the flashing here (stage 405, progress 0, agent, layout and image loaded), then
  // starts the worker. Reports go to `reports`.
  void Start(const Run& run, Reports reports);
  // Waits for the worker thread to finish (after its `ended` report).
  void Join();

  FlashDownload& Flashing() { return *flash_; }

private:
  class Observer;
  std::unique_ptr<FlashDownload> flash_;
  std::unique_ptr<Observer> observer_;
  std::thread thread_;
};

} // namespace divuzo
