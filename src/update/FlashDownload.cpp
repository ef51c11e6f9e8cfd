#include "update/FlashDownload.h"

#include "platform/CancelToken.h"
#include "platform/Link.h"
#include "platform/System.h"
#include "platform/Trace.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace divuzo {

namespace fs = std::filesystem;

std::string ProgramFolder() {
  const fs::path exe = ProgramFilePath();
  if (exe.empty()) return ".";
  return Utf8FromPath(exe.parent_path());
}

std::vector<std::string> DefaultFlashFileFolders() {
  const fs::path program = PathFromUtf8(ProgramFolder());
  return {Utf8FromPath(program), Utf8FromPath(program.parent_path() / "share" / "divuzovuzov")};
}

namespace {

// Names in `folder` matching `pattern`, in name order (the directory's own order is arbitrary).
std::vector<std::string> Matches(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = Utf8FromPath(it->path().filename());
    if (MatchesFilePattern(pattern, name) && it->is_regular_file(ec)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace

FlashDownload::~FlashDownload() { ReleaseFlashing(); }

void FlashDownload::Report(int value, int textId, std::uint32_t done, std::uint32_t total) {
  if (value >= 0) percent = value;
  if (!progress) return;
  Progress p;
  p.value = value;
  p.stageTextId = textId;
  p.done = done;
  p.total = total;
  progress->Report(p);
}

void FlashDownload::PrepareFlashing(DeviceKind kind, const std::string& tempImage) {
  Report(-1, kTextPreparing);
  ReleaseFlashing();
  deviceKind = kind;
  tempImagePath = tempImage;
  agentLoaded = imageLoaded = false;
  agentReady = imageReady = downloadDone = false;
  resultWord = 0;
  Report(0, 0);
  BromCreateAgentHandle(&agentHandle);
  BromCreateImageHandle(&imageHandle);
  FindDownloadAgent();
  LoadScatterFile();
  BromSetPacketUnits(imageHandle, 256);
  imageStatus = BromLoadImage(imageHandle, 0, tempImagePath.c_str());
  BromEnableImage(imageHandle, 0, 1);
  if (BromLoadSucceeded(imageStatus)) {
    imageLoaded = true;
    imageReady = true;
  }
}

bool FlashDownload::FindDownloadAgent() {
  programFolder = ProgramFolder();
  const char* pattern = AgentFilePattern(deviceKind, family);
  agentPath.clear();
  if (pattern != nullptr) {
    for (const std::string& folder : searchFolders) {
      const auto names = Matches(folder, pattern);
      if (!names.empty()) {
        agentPath = Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(names.front()));
        break;
      }
    }
  }
  TraceF("flash: device kind %d, agent %s", KindNumber(deviceKind),
         agentPath.empty() ? "(none found)" : agentPath.c_str());
  if (const std::uint32_t address = AgentParameterForKind(deviceKind, family); address != 0)
    BromSetAgentLoadAddress(agentHandle, address);
  agentStatus = BromLoadAgent(agentHandle, agentPath.c_str());
  if (BromLoadSucceeded(agentStatus)) {
    agentLoaded = true;
    agentReady = true;
  }
  return agentLoaded;
}

void FlashDownload::LoadScatterFile() {
  // Not found anywhere: name it in the first folder, where the load then reports it missing.
  scatterPath = Utf8FromPath(
      PathFromUtf8(searchFolders.empty() ? ProgramFolder() : searchFolders.front()) / "scat.txt");
  for (const std::string& folder : searchFolders) {
    std::error_code ec;
    const fs::path candidate = PathFromUtf8(folder) / "scat.txt";
    if (fs::is_regular_file(candidate, ec)) {
      scatterPath = Utf8FromPath(candidate);
      break;
    }
  }
  BromLoadScatter(imageHandle, scatterPath.c_str());
}

// Every library callback moves the progress and shows its stage text; the percentage sits in
// the low byte of the progress argument.
int FlashDownload::Report(void* user, int percent, int textId, std::uint32_t done,
                          std::uint32_t total) {
  static_cast<FlashDownload*>(user)->Report(percent, textId, done, total);
  return 0;
}

// Until the image begins a cancel request stops the download (the library's rule: a callback
// that returns non-zero cancels); the image phase always runs to its end.
int FlashDownload::OnAgentStart(void* user) {
  Report(user, 0, kTextAgentStart);
  const auto* self = static_cast<FlashDownload*>(user);
  return self->cancel && self->cancel->Cancelled() ? 1 : 0;
}

int FlashDownload::OnAgentProgress(std::uint32_t p, std::uint32_t done, std::uint32_t total,
                                   void* user) {
  Report(user, static_cast<int>(p & 0xFF), kTextAgentProgress, done, total);
  const auto* self = static_cast<FlashDownload*>(user);
  return self->cancel && self->cancel->Cancelled() ? 1 : 0;
}

int FlashDownload::OnImageStart(void* user) {
  auto* self = static_cast<FlashDownload*>(user);
  if (self->onImageStart) self->onImageStart();
  return Report(user, 0, kTextImageStart);
}

int FlashDownload::OnImageProgress(std::uint32_t p, std::uint32_t done, std::uint32_t total,
                                   void* user) {
  return Report(user, static_cast<int>(p & 0xFF), kTextImageProgress, done, total);
}

bool FlashDownload::RunFlashDownload(BromImageHandle image) {
  ComArgs com{};
  AgentArgs agent{};
  ImageArgs img{};
  resultWord = 0;
  resultBlock = BromResultBlock{};

  com.comNumber = comNumber;
  com.bootOption = BootOptionForKind(deviceKind);
  com.connectTimeoutMs = connectTimeoutMs;
  com.ackTimeoutMs = ackTimeoutMs;
  com.link = link;
  com.cancel = cancel;
  com.baud = baud;
  com.fastBaud = fastBaud;

  agent.agent = agentHandle;
  agent.onAgentStart = &FlashDownload::OnAgentStart;
  agent.agentStartUser = this;
  agent.onAgentProgress = &FlashDownload::OnAgentProgress;
  agent.agentProgressUser = this;
  agent.packetRetries = kBromDefault;
  agent.startAgent = 1;
  agent.self = &agent;
  agent.restartWhenDone = 1;
  agent.progressStep = 1;

  img.image = image;
  img.onImageStart = &FlashDownload::OnImageStart;
  img.imageStartUser = this;
  img.onImageProgress = &FlashDownload::OnImageProgress;
  img.imageProgressUser = this;
  img.verifyAfterWrite = 1;
  img.fastLine = fastLine ? 1 : 0;
  img.flashLimit = 0x100000;

  downloadStatus = BromDownload(&com, &agent, &img, &resultWord, &resultBlock);
  if (downloadStatus == brom_download::kNoBootRom && link) link->Clock().SleepMs(noBootRomPauseMs);
  downloadDone = BromDownloadSucceeded(downloadStatus);
  return downloadDone;
}

void FlashDownload::ReleaseFlashing() {
  if (agentLoaded) BromUnloadAgent(agentHandle);
  if (imageLoaded) BromUnloadImage(imageHandle, 0);
  agentLoaded = imageLoaded = false;
  if (agentHandle != 0) BromDestroyAgentHandle(&agentHandle);
  if (imageHandle != 0) BromDestroyImageHandle(&imageHandle);
}

} // namespace divuzo
