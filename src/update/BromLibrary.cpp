// The library's handles and calls; the line work is BromHost's.
#include "update/Brom.h"

#include "platform/Link.h"
#include "platform/Trace.h"
#include "update/BromAgentFile.h"
#include "update/BromHost.h"
#include "update/BromScatterFile.h"

#include <map>
#include <memory>
#include <mutex>

namespace divuzo {

namespace {

constexpr std::size_t kImageFileLimit = 16 * 1024 * 1024;
constexpr std::size_t kScatterFileLimit = 64 * 1024;

struct AgentObject {
  std::uint32_t loadAddress = 0;
  std::shared_ptr<const AgentFile> agent;  // set while loaded
};

struct ImageObject {
  std::uint32_t packetUnits = 256;
  std::vector<FlashRegion> regions;
  std::shared_ptr<const std::vector<std::uint8_t>> image;  // image 0, set while loaded
  bool enabled = false;
};

struct Registry {
  std::mutex mutex;
  std::uint32_t nextHandle = 1;
  std::map<std::uint32_t, AgentObject> agents;
  std::map<std::uint32_t, ImageObject> images;

  std::uint32_t NewHandle() {
    std::uint32_t h = nextHandle++;
    if (h == 0) h = nextHandle++;
    return h;
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::uint32_t OrDefault(std::uint32_t value, std::uint32_t fallback) {
  return value == 0 || value == kBromDefault ? fallback : value;
}

} // namespace

const char* BromStatusText(BromStatus status, bool loadCall) {
  if (loadCall) {
    switch (status & 0xFF00u) {
      case 0: return "loaded";
      case brom_load::kFileMissing: return "file missing or unreadable";
      case brom_load::kBadFormat: return "file is not in the expected format";
      case brom_load::kBadChecksum: return "file checksum is wrong";
      case brom_load::kWrongChip: return "agent is made for another chip";
      case brom_load::kTooLarge: return "file is too large";
      case brom_load::kBadHandle: return "unknown handle";
      case brom_load::kBadIndex: return "no such image index";
      case brom_load::kEmpty: return "file is empty";
      default: return "load failed";
    }
  }
  namespace dl = brom_download;
  switch (status) {
    case dl::kOk: return "download complete";
    case dl::kNoBootRom: return "the device's boot ROM did not answer";
    case dl::kPortFailed: return "no open line to the device";
    case dl::kBadArguments: return "download called without a loaded, enabled agent and image";
    case dl::kNoScatter: return "no flash layout loaded";
    case dl::kImageTooLarge: return "the image does not fit the device's flash";
    case dl::kAgentRefused: return "the device refused the download agent (wrong chip)";
    case dl::kAgentFailed: return "the download agent could not be started";
    case dl::kPacketRefused: return "the device kept refusing a packet";
    case dl::kLineLost: return "the connection to the device was lost";
    case dl::kTimeout: return "the device stopped answering";
    case dl::kSpeedSwitchFailed: return "the device was lost after changing the line speed";
    case dl::kVerifyFailed: return "the flash read back differs from the image";
    case dl::kCancelled: return "the download was cancelled";
    case dl::kProtocolError: return "the device answered out of turn";
    default: return "download failed";
  }
}

BromStatus BromCreateAgentHandle(BromAgentHandle* handle) {
  if (handle == nullptr) return brom_load::kBadHandle;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  *handle = r.NewHandle();
  r.agents[*handle] = AgentObject{};
  return brom_load::kOk;
}

BromStatus BromCreateImageHandle(BromImageHandle* handle) {
  if (handle == nullptr) return brom_load::kBadHandle;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  *handle = r.NewHandle();
  r.images[*handle] = ImageObject{};
  return brom_load::kOk;
}

BromStatus BromSetAgentLoadAddress(BromAgentHandle handle, std::uint32_t address) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.agents.find(handle);
  if (it == r.agents.end()) return brom_load::kBadHandle;
  it->second.loadAddress = address;
  return brom_load::kOk;
}

BromStatus BromLoadAgent(BromAgentHandle handle, const char* path) {
  std::vector<std::uint8_t> bytes;
  BromStatus status = ReadWholeFile(path, kAgentHeaderSize + kAgentBodyLimit, bytes);
  auto agent = std::make_shared<AgentFile>();
  if (status == brom_load::kOk) status = DecodeAgentFile(bytes.data(), bytes.size(), *agent);
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.agents.find(handle);
  if (it == r.agents.end()) return brom_load::kBadHandle;
  if (status == brom_load::kOk && it->second.loadAddress != 0 &&
      agent->loadAddress != it->second.loadAddress)
    status = brom_load::kWrongChip;
  if (status != brom_load::kOk) {
    TraceF("brom: agent %s: %s", path ? path : "(none)", BromStatusText(status, true));
    return status;
  }
  it->second.agent = std::move(agent);
  return (it->second.agent->version & 0xFFFFu) << 16;
}

BromStatus BromLoadScatter(BromImageHandle handle, const char* path) {
  std::vector<std::uint8_t> bytes;
  BromStatus status = ReadWholeFile(path, kScatterFileLimit, bytes);
  std::vector<FlashRegion> regions;
  if (status == brom_load::kOk)
    status = ParseScatter(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                          regions);
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.images.find(handle);
  if (it == r.images.end()) return brom_load::kBadHandle;
  if (status != brom_load::kOk) {
    TraceF("brom: layout %s: %s", path ? path : "(none)", BromStatusText(status, true));
    return status;
  }
  it->second.regions = std::move(regions);
  return brom_load::kOk;
}

BromStatus BromSetPacketUnits(BromImageHandle handle, std::uint32_t units) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.images.find(handle);
  if (it == r.images.end()) return brom_load::kBadHandle;
  it->second.packetUnits = units == 0 || units > 256 ? 256 : units;
  return brom_load::kOk;
}

BromStatus BromLoadImage(BromImageHandle handle, std::uint32_t index, const char* path) {
  if (index != 0) return brom_load::kBadIndex;
  auto image = std::make_shared<std::vector<std::uint8_t>>();
  BromStatus status = ReadWholeFile(path, kImageFileLimit, *image);
  if (status == brom_load::kOk && image->empty()) status = brom_load::kEmpty;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.images.find(handle);
  if (it == r.images.end()) return brom_load::kBadHandle;
  if (status != brom_load::kOk) {
    TraceF("brom: image %s: %s", path ? path : "(none)", BromStatusText(status, true));
    return status;
  }
  it->second.image = std::move(image);
  return brom_load::kOk;
}

BromStatus BromEnableImage(BromImageHandle handle, std::uint32_t index, std::uint32_t enable) {
  if (index != 0) return brom_load::kBadIndex;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.images.find(handle);
  if (it == r.images.end()) return brom_load::kBadHandle;
  it->second.enabled = enable != 0;
  return brom_load::kOk;
}

BromStatus BromUnloadAgent(BromAgentHandle handle) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.agents.find(handle);
  if (it == r.agents.end()) return brom_load::kBadHandle;
  it->second.agent.reset();
  return brom_load::kOk;
}

BromStatus BromUnloadImage(BromImageHandle handle, std::uint32_t index) {
  if (index != 0) return brom_load::kBadIndex;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.images.find(handle);
  if (it == r.images.end()) return brom_load::kBadHandle;
  it->second.image.reset();
  it->second.enabled = false;
  return brom_load::kOk;
}

BromStatus BromDestroyAgentHandle(BromAgentHandle* handle) {
  if (handle == nullptr) return brom_load::kBadHandle;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const bool known = r.agents.erase(*handle) > 0;
  *handle = 0;
  return known ? brom_load::kOk : brom_load::kBadHandle;
}

BromStatus BromDestroyImageHandle(BromImageHandle* handle) {
  if (handle == nullptr) return brom_load::kBadHandle;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const bool known = r.images.erase(*handle) > 0;
  *handle = 0;
  return known ? brom_load::kOk : brom_load::kBadHandle;
}

BromStatus BromDownload(const ComArgs* com, const AgentArgs* agentArgs, const ImageArgs* imageArgs,
                        std::uint32_t* resultWord, BromResultBlock* result) {
  namespace dl = brom_download;
  if (resultWord) *resultWord = 0;
  if (result) *result = BromResultBlock{};
  if (com == nullptr || agentArgs == nullptr || imageArgs == nullptr || agentArgs->self != agentArgs ||
      agentArgs->startAgent != 1)
    return dl::kBadArguments;

  // Take what the handles hold; the handles may be unloaded while we run.
  std::shared_ptr<const AgentFile> agent;
  std::shared_ptr<const std::vector<std::uint8_t>> image;
  std::vector<FlashRegion> regions;
  std::size_t packetSize = 0;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const auto a = r.agents.find(agentArgs->agent);
    const auto i = r.images.find(imageArgs->image);
    if (a == r.agents.end() || i == r.images.end() || !a->second.agent || !i->second.image ||
        !i->second.enabled)
      return dl::kBadArguments;
    agent = a->second.agent;
    image = i->second.image;
    regions = i->second.regions;
    packetSize = std::size_t(i->second.packetUnits) * 16;
  }
  if (regions.empty()) return dl::kNoScatter;
  const FlashRegion& target = regions.front();
  if (image->size() > target.length ||
      (imageArgs->flashLimit != 0 && image->size() > imageArgs->flashLimit) ||
      (image->size() + packetSize - 1) / packetSize > 0x10000)
    return dl::kImageTooLarge;

  BromHostTiming timing;
  timing.connectTimeoutMs = OrDefault(com->connectTimeoutMs, timing.connectTimeoutMs);
  timing.ackTimeoutMs = OrDefault(com->ackTimeoutMs, timing.ackTimeoutMs);
  timing.retries = OrDefault(agentArgs->packetRetries, timing.retries);
  const unsigned baud = OrDefault(com->baud, 115200);
  const unsigned fastBaud = OrDefault(com->fastBaud, 921600);

  if (com->link == nullptr || !com->link->IsOpen()) {
    Trace("brom: no open line to the device");
    return dl::kPortFailed;
  }
  BromHost host(timing, *com->link, com->cancel);
  auto finish = [&](BromStatus status) {
    if (resultWord) *resultWord = host.bytesWritten;
    if (result) {
      result->chipId = host.chipId;
      result->bootRomVersion = host.bootRomVersion;
      result->agentVersion = host.agentVersion;
      result->bytesWritten = host.bytesWritten;
      result->retries = host.retries;
      result->imageBaud = host.Baud();
    }
    TraceF("brom: download ends: %s (%u)", BromStatusText(status, false), status);
    return status;
  };

  // The handshake and the agent go at the start rate, whatever the line was opened with.
  if (com->link->Baud() != baud && !com->link->Configure(baud)) return finish(dl::kPortFailed);
  BromStatus status = host.Handshake(com->bootOption);
  if (status != dl::kOk) return finish(status);

  BromPhase agentPhase{agentArgs->onAgentStart, agentArgs->agentStartUser,
                       agentArgs->onAgentProgress, agentArgs->agentProgressUser,
                       agentArgs->progressStep};
  status = host.SendAgent(*agent, agentPhase);
  if (status != dl::kOk) return finish(status);

  if (imageArgs->fastLine == 1 && fastBaud != baud) {
    status = host.SwitchSpeed(fastBaud);
    if (status != dl::kOk) return finish(status);
  }

  BromPhase imagePhase{imageArgs->onImageStart, imageArgs->imageStartUser,
                       imageArgs->onImageProgress, imageArgs->imageProgressUser,
                       agentArgs->progressStep};
  status = host.WriteImage(target.start, *image, packetSize, imagePhase);
  if (status == dl::kOk && imageArgs->verifyAfterWrite == 1) status = host.Verify(target.start, *image);
  if (status != dl::kOk) return finish(status);
  if (agentArgs->restartWhenDone == 1 && host.Restart() != dl::kOk)
    Trace("brom: the device did not confirm its restart");
  return finish(dl::kOk);
}

} // namespace divuzo
