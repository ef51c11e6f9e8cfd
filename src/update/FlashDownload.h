#pragma once
// The flash download steps of an update: prepare (agent, flash layout and image loaded into
// library handles), run the download on the worker thread, release the handles.
//
//   FlashDownload flash;                       // AgentFamily::Update for the update page
//   flash.progress = &sink;
//   flash.PrepareFlashing(deviceKind, tempImagePath);      // user-interface thread
//   flash.link = line;                                       // opened by the flash job
//   bool ok = flash.RunFlashDownload(flash.imageHandle);     // worker thread, blocks
//   flash.ReleaseFlashing();                                 // worker thread
//   success == flash.Succeeded()   (agentReady && imageReady && downloadDone)
//
// Stage texts reported (ids for divuzo::LoadText): 405 when preparing, 406 agent transfer
// starts, 407 during it, 408 image transfer starts, 409 during it. The flash job reports 410,
// 411, 446 and 447 itself. Progress values: 0 at each start, then the percentage (low byte of
// the library's value) with the bytes of the phase done and in all. onImageStart runs when
// the image transfer begins (from then on the download must not be stopped).
#include "app/Progress.h"
#include "serial/DeviceKind.h"
#include "update/Brom.h"
#include "update/BromChip.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace divuzo {

// Stage text ids of the flashing and of its end.
inline constexpr int kTextPreparing = 405;
inline constexpr int kTextAgentStart = 406;
inline constexpr int kTextAgentProgress = 407;
inline constexpr int kTextImageStart = 408;
inline constexpr int kTextImageProgress = 409;
inline constexpr int kTextUpdating = 410;
inline constexpr int kTextDone = 411;
inline constexpr int kTextDoneKind4 = 446;
inline constexpr int kTextFailed = 447;

// Folder of the running program (/proc/self/exe without its file name).
std::string ProgramFolder();
// Folders searched for agent files and scat.txt, in order: the program's folder, then
// <program folder>/../share/divuzovuzov.
std::vector<std::string> DefaultFlashFileFolders();

class FlashDownload {
public:
  explicit FlashDownload(AgentFamily family = AgentFamily::Update) : family(family) {}
  ~FlashDownload();  // releases handles left over
  FlashDownload(const FlashDownload&) = delete;
  FlashDownload& operator=(const FlashDownload&) = delete;

  // Stage text 405, progress 0, handles created, agent found and loaded, layout loaded, image
  // loaded from `tempImage`. Sets agentReady and imageReady on success of those loads.
  void PrepareFlashing(DeviceKind deviceKind, const std::string& tempImage);
  // Searches the agent for the kind (first match in name order in the first folder that has
  // one) into agentPath, sets the load address, loads it. True when the load succeeded.
  // When no file matches, agentPath is cleared (a stale agent is never loaded).
  bool FindDownloadAgent();
  // scatterPath = the first folder's "scat.txt" that exists (else the first folder's); loads it.
  void LoadScatterFile();
  // Runs the download over `link`; true when the library reported success. Also sets
  // downloadDone. Status 1 (no boot ROM) costs noBootRomPauseMs first (on the link's clock).
  bool RunFlashDownload(BromImageHandle image);
  // Unloads what was loaded, destroys both handles.
  void ReleaseFlashing();

  bool Succeeded() const { return agentReady && imageReady && downloadDone; }

  // Configuration (set before PrepareFlashing / RunFlashDownload).
  AgentFamily family;
  ProgressSink* progress = nullptr;            // stage texts and progress (may be null)
  std::function<void()> onImageStart;          // the image transfer begins
  std::vector<std::string> searchFolders = DefaultFlashFileFolders();
  Link* link = nullptr;                        // the open line the download talks over
  const CancelToken* cancel = nullptr;         // honoured until the image begins
  std::uint8_t comNumber = 0;                  // carried in ComArgs for a Windows layer
  int noBootRomPauseMs = 1500;                 // pause after status 1
  std::uint32_t connectTimeoutMs = kBromDefault;  // ComArgs values; tests shorten them
  std::uint32_t ackTimeoutMs = kBromDefault;
  std::uint32_t baud = 0;                      // 0: library default (115200)
  std::uint32_t fastBaud = 0;                  // 0: library default (921600)
  bool fastLine = true;

  // State of one flashing run.
  DeviceKind deviceKind = DeviceKind::None;
  std::string programFolder;
  std::string agentPath;
  std::string scatterPath;
  std::string tempImagePath;
  BromAgentHandle agentHandle = 0;
  BromImageHandle imageHandle = 0;
  bool agentLoaded = false;
  bool imageLoaded = false;
  std::atomic<bool> agentReady{false};
  std::atomic<bool> imageReady{false};
  std::atomic<bool> downloadDone{false};
  BromStatus agentStatus = 0;
  BromStatus imageStatus = 0;
  BromStatus downloadStatus = 0;
  std::uint32_t resultWord = 0;
  BromResultBlock resultBlock{};
  int percent = 0;

private:
  void Report(int value, int textId, std::uint32_t done = 0, std::uint32_t total = 0);
  static int Report(void* user, int percent, int textId, std::uint32_t done = 0,
                    std::uint32_t total = 0);
  static int OnAgentStart(void* user);
  static int OnAgentProgress(std::uint32_t p, std::uint32_t, std::uint32_t, void* user);
  static int OnImageStart(void* user);
  static int OnImageProgress(std::uint32_t p, std::uint32_t, std::uint32_t, void* user);
};

} // namespace divuzo
