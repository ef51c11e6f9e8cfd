// The whole update as Execute runs it (the flash job), against the virtual device in the same
// process on a test clock: identification, image check, flashing through the boot-ROM
// library, Bluetooth address kept, texts, pauses and progress, cancel requests, and the
// temporary image gone afterwards, also when the line drops.
#include "ImageFixtures.h"
#include "PauseClock.h"
#include "ScopedEnv.h"
#include "ScratchRegistry.h"
#include "TempDir.h"

#include "app/Tool.h"
#include "engine/InProcessDevice.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"
#include "update/FirmwareDownload.h"
#include "update/FlashJob.h"
#include "update/ImageValidation.h"
#include "update/UpdateProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace divuzo {
namespace {

namespace fs = std::filesystem;
using test::MakePayload;
using vdev::DeviceOptions;

class Recorder : public ProgressSink {
public:
  void Report(const Progress& p) override {
    if (p.stageTextId) texts.push_back(p.stageTextId);
    if (p.warningTextId) warnings.push_back(p.warningTextId);
    if (p.value >= 0) progress.push_back(p.value);
    if (onReport) onReport(p);
  }
  bool Saw(int id) const { return std::find(texts.begin(), texts.end(), id) != texts.end(); }

  std::vector<int> texts;
  std::vector<int> warnings;
  std::vector<int> progress;
  std::function<void(const Progress&)> onReport;
};

int IndexOf(const std::vector<std::string>& list, const std::string& prefix) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  return -1;
}

DeviceOptions Device(const char* model, const std::string& dump,
                     std::optional<std::array<std::uint8_t, 6>> address = std::nullopt) {
  DeviceOptions o;
  o.model = model;
  o.btAddress = address;
  o.bootRom.flashDump = dump;
  return o;
}

class UpdateFlowTest : public ::testing::Test {
protected:
  void Attach(const DeviceOptions& options) {
    device = std::make_unique<vdev::InProcessDevice>(options, clock);
    device->Attach(session);
    session.progress = &recorder;
  }
  std::string Stored() {
    std::string text;
    Tool tool;
    return tool.ReadRegString(HKEY_CURRENT_USER, "T410BTMacAddress", text) ? text : "<none>";
  }
  // A tagged image in the images folder, checked against the session's device.
  ImageCheckResult ChooseImage(const std::string& name, const std::string& product, std::size_t size,
                               std::uint32_t seed, std::vector<std::uint8_t>* payloadOut = nullptr) {
    const auto payload = MakePayload(size, seed);
    if (payloadOut) *payloadOut = payload;
    const fs::path image = images / name;
    test::WriteImageFile(image, test::Tagged(product, "V1.24", payload));
    return SelectImageFile({image.string(), session.device.modelName, session.device.firmwareDigits,
                            session.device.forced});
  }
  // Execute: the job prepared and run (the pauses of the run itself recorded from here).
  Status Execute(FlashJob::Flavor flavor, const std::string& tempImage) {
    FlashJob job(session, flavor);
    job.confirmAddressRisk = confirm;
    job.Flashing().searchFolders = {DIVUZO_BINARY_DIR "/bin"};
    job.Prepare(tempImage);
    clock.ClearPauses();
    return job.Run();
  }

  test::TempDir config;
  test::ScopedEnv configHome{"XDG_CONFIG_HOME", config.path().string()};
  test::ScratchCurrentUser registry;  // Windows: the registry, in a key of the test's own
  test::TempDir images;
  test::TempDir out;
  test::PauseClock clock;
  std::unique_ptr<vdev::InProcessDevice> device;
  DeviceSession session;
  Recorder recorder;
  // What the user answers when the address cannot be kept (none: the update stops).
  std::function<bool(const AddressSave&, AddressRisk)> confirm;
};

TEST_F(UpdateFlowTest, IdentifiedDeviceIsFlashedAndKeepsItsBluetoothAddress) {
  const std::string dump = (out / "flash.bin").string();
  Attach(Device("ZID310", dump, {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}}));
  ASSERT_TRUE(IdentifyDevice(session, device->Path(), -1).ok);
  EXPECT_EQ(session.device.modelName, "ZID310");

  std::vector<std::uint8_t> payload;
  const ImageCheckResult check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 96 * 1024, 5, &payload);
  ASSERT_EQ(check.verdictTextId, 437);
  ASSERT_EQ(check.execute, ExecuteChange::Enable);
  ASSERT_TRUE(fs::exists(check.tempImagePath));

  const Status status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  ASSERT_TRUE(status.Ok()) << status.detail;
  EXPECT_EQ(status.textId, kTextDone);

  EXPECT_EQ(test::ReadFileBytes(dump), test::AsString(payload));
  // The address read before the download is the one written back after it.
  const auto received = device->ReceivedSentences();
  const int query = IndexOf(received, "$PMTK492");
  const int write = IndexOf(received, "$PMTK392,012345,6789AB*");
  EXPECT_GE(query, 0);
  EXPECT_GT(write, query);
  EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
  // 2000 ms after the save, 2000 ms after the download, the restore's own 2000 ms before its
  // write and 1000 ms after the acknowledgement, and 2000 ms after the restore.
  EXPECT_EQ(clock.Pauses(), (std::vector<long>{2000, 2000, 2000, 1000, 2000}));

  EXPECT_TRUE(recorder.Saw(408));
  EXPECT_TRUE(recorder.Saw(410));
  EXPECT_EQ(recorder.texts.back(), 411);
  EXPECT_TRUE(recorder.warnings.empty());
  ASSERT_FALSE(recorder.progress.empty());
  EXPECT_EQ(recorder.progress.back(), kProgressDone);
  EXPECT_EQ(UpdatePercentText(recorder.progress.back()), "100%");
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, ForcedUpdateSkipsTheAddressAndShows446) {
  const std::string dump = (out / "flash.bin").string();
  Attach(Device("ZID310", dump, {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}}));
  session.Force();
  std::vector<std::uint8_t> payload;
  const ImageCheckResult check = ChooseImage("RM450_V100_PLM.bin", "RunMate450", 20 * 1024, 6, &payload);
  ASSERT_EQ(check.verdictTextId, 116);

  const Status status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  ASSERT_TRUE(status.Ok()) << status.detail;
  EXPECT_EQ(status.textId, 446);

  EXPECT_EQ(test::ReadFileBytes(dump), test::AsString(payload));
  const auto received = device->ReceivedSentences();
  EXPECT_EQ(IndexOf(received, "$PMTK492"), -1);
  EXPECT_EQ(IndexOf(received, "$PMTK392"), -1);
  EXPECT_EQ(Stored(), "<none>");
  EXPECT_EQ(clock.Pauses(), (std::vector<long>{2000, 2000, 2000}));
  EXPECT_EQ(recorder.texts.back(), 446);
  EXPECT_EQ(recorder.warnings, (std::vector<int>{453}));
  EXPECT_EQ(recorder.progress.back(), kProgressDone);
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, LineDroppedMidFlashShows447AndDeletesTheImage) {
  const std::string dump = (out / "flash.bin").string();
  DeviceOptions o = Device("ZID310", dump, {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}});
  o.bootRom.hangupAtPercent = 40;
  Attach(o);
  session.device.kind = DeviceKind::ZID310;
  session.device.modelName = "ZID310";
  session.device.firmwareDigits = "123";
  const ImageCheckResult check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 64 * 1024, 7);
  ASSERT_EQ(check.execute, ExecuteChange::Enable);

  const Status status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  EXPECT_EQ(status.code, StatusCode::Failed);
  EXPECT_EQ(status.textId, kTextFailed);
  EXPECT_TRUE(recorder.Saw(409)) << "the line should drop during the image transfer";
  EXPECT_FALSE(recorder.Saw(kTextUpdating));  // not "updating the unit" after a failure
  EXPECT_EQ(recorder.texts.back(), 447);
  EXPECT_EQ(status.reasonTextId, kTextPortGone);
  EXPECT_EQ(std::count(recorder.progress.begin(), recorder.progress.end(), kProgressDone), 0);
  EXPECT_FALSE(fs::exists(check.tempImagePath));
  EXPECT_FALSE(fs::exists(dump));
  // The address was saved before the download and is still stored for the next attempt.
  EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
}

TEST_F(UpdateFlowTest, PortThatCannotBeOpenedStopsBeforeFlashingUnlessTheUserGoesOn) {
  Attach(Device("ZID310", ""));
  session.device.kind = DeviceKind::ZID310;
  session.SetLinkSettings((out / "no-such-port").string(), 115200, 0);
  const fs::path image = images / "payload.bin";
  // Nothing can be read and nothing is stored: the address would be lost. No one to ask: stop.
  test::WriteFileBytes(image, std::string(4096, 'p'));
  Status status = Execute(FlashJob::Flavor::UpdatePage, image.string());
  EXPECT_EQ(status.code, StatusCode::Cancelled);
  EXPECT_EQ(status.reasonTextId, kTextAddressUnknown);
  EXPECT_EQ(Stored(), "<none>");
  EXPECT_FALSE(fs::exists(image));
  // Asked, and the user goes on: the download fails for the port, and says so.
  test::WriteFileBytes(image, std::string(4096, 'p'));
  std::vector<AddressRisk> asked;
  confirm = [&](const AddressSave& save, AddressRisk risk) {
    EXPECT_FALSE(save.lineOpened);
    asked.push_back(risk);
    return true;
  };
  status = Execute(FlashJob::Flavor::UpdatePage, image.string());
  EXPECT_EQ(asked, std::vector<AddressRisk>{AddressRisk::NoAddress});
  EXPECT_EQ(status.textId, kTextFailed);
  EXPECT_EQ(status.reasonTextId, kTextPortNotFound);
  EXPECT_FALSE(recorder.Saw(kTextUpdating));
  EXPECT_TRUE(device->ReceivedSentences().empty());
  EXPECT_FALSE(fs::exists(image));
}

TEST_F(UpdateFlowTest, AddressSaveOnABusyPortIsNeverWrittenBackAsZeros) {
  // Another program holds the port for a while after identification: longer than the save
  // step tries again (10 x 500 ms), shorter than the pause before the download.
  const std::string dump = (out / "flash.bin").string();
  DeviceOptions o = Device("ZID310", dump, {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}});
  o.faults.busyAfterGoodbyeMs = 5200;
  Attach(o);
  ASSERT_TRUE(IdentifyDevice(session, device->Path(), -1).ok);
  ImageCheckResult check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 8 * 1024, 3);

  // Nothing stored: the user is told before anything is written, and stops.
  std::vector<AddressSave> asked;
  bool goOn = false;
  confirm = [&](const AddressSave& save, AddressRisk risk) {
    EXPECT_EQ(risk, AddressRisk::NoAddress);
    asked.push_back(save);
    return goOn;
  };
  Status status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_FALSE(asked[0].lineOpened);
  // Tried again every 500 ms before giving up.
  EXPECT_EQ(clock.Pauses(), std::vector<long>(10, 500));
  EXPECT_EQ(status.code, StatusCode::Cancelled);
  EXPECT_FALSE(fs::exists(out / "flash.bin"));
  EXPECT_EQ(device->State().btAddress, (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));

  // The user goes on: the image is written, no made-up address is written back, and the
  // outcome says the address is gone.
  goOn = true;
  clock.SleepMs(500);  // the other program lets go; it takes the port again after the goodbye
  ASSERT_TRUE(IdentifyDevice(session, device->Path(), -1).ok);
  check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 8 * 1024, 3);
  status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  EXPECT_TRUE(status.Ok()) << status.detail;
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_TRUE(fs::exists(out / "flash.bin"));
  EXPECT_EQ(IndexOf(device->ReceivedSentences(), "$PMTK392"), -1);
  EXPECT_EQ(recorder.warnings, std::vector<int>{kTextAddressLost});
  EXPECT_EQ(Stored(), "<none>");

  // With a good address stored, that one is written back, and the store keeps it.
  Tool().WriteRegString(HKEY_CURRENT_USER, "T410BTMacAddress", "66:55:44:33:22:11");
  asked.clear();
  clock.SleepMs(500);
  ASSERT_TRUE(IdentifyDevice(session, device->Path(), -1).ok);
  check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 8 * 1024, 3);
  status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  EXPECT_TRUE(status.Ok()) << status.detail;
  EXPECT_TRUE(asked.empty());
  EXPECT_GE(IndexOf(device->ReceivedSentences(), "$PMTK392,112233,445566*"), 0);
  EXPECT_EQ(Stored(), "66:55:44:33:22:11");
}

TEST_F(UpdateFlowTest, StoreThatCannotKeepTheAddressIsToldBeforeFlashing) {
#ifdef _WIN32
  GTEST_SKIP() << "the store is the registry on Windows, not a file that can be broken";
#endif
  // The settings folder is a file: nothing can be stored.
  test::WriteFileBytes(config / "divuzovuzov", "in the way");
  Attach(Device("ZID310", (out / "flash.bin").string(), {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}}));
  ASSERT_TRUE(IdentifyDevice(session, device->Path(), -1).ok);
  bool goOn = false;
  std::vector<AddressSave> asked;
  confirm = [&](const AddressSave& save, AddressRisk risk) {
    EXPECT_EQ(risk, AddressRisk::NotStored);
    asked.push_back(save);
    return goOn;
  };
  ImageCheckResult check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 8 * 1024, 4);
  Status status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(asked[0].deviceAnswered);
  EXPECT_FALSE(asked[0].storeProblem.empty());
  EXPECT_EQ(status.code, StatusCode::Cancelled);
  EXPECT_EQ(status.reasonTextId, kTextAddressNotStored);
  EXPECT_FALSE(fs::exists(out / "flash.bin"));
  EXPECT_FALSE(recorder.Saw(kTextAgentStart));

  // Going on, the address read before the flash is still written back.
  goOn = true;
  check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 8 * 1024, 4);
  status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  EXPECT_TRUE(status.Ok()) << status.detail;
  EXPECT_GE(IndexOf(device->ReceivedSentences(), "$PMTK392,012345,6789AB*"), 0);
  EXPECT_EQ(device->State().btAddress, (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
}

TEST_F(UpdateFlowTest, RestoreOnABusyPortIsTriedAgainThenReported) {
  // Held for 4.2 s after the restart: the 2000 ms pause and the restore step's tries cover it.
  for (const long holdMs : {4200L, -1L}) {
    SCOPED_TRACE(holdMs);
    const std::string dump = (out / "flash.bin").string();
    DeviceOptions o = Device("ZID310", dump, {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}});
    o.bootRom.busyAfterRestartMs = holdMs;
    Attach(o);
    recorder = Recorder{};
    ASSERT_TRUE(IdentifyDevice(session, device->Path(), -1).ok);
    const ImageCheckResult check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 8 * 1024, 5);
    const Status status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
    EXPECT_TRUE(fs::exists(out / "flash.bin"));
    const std::vector<long> pauses = clock.Pauses();
    const long retries = std::count(pauses.begin(), pauses.end(), 500L);
    if (holdMs > 0) {
      // 2000 ms pass after the download before the restore step; the rest is tried again.
      EXPECT_TRUE(status.Ok()) << status.detail;
      EXPECT_EQ(retries, 5);
      EXPECT_GE(IndexOf(device->ReceivedSentences(), "$PMTK392,012345,6789AB*"), 0);
      EXPECT_TRUE(recorder.warnings.empty());
    } else {
      // Never free: the flash is done, but the unit is without its address, and that is said.
      EXPECT_EQ(retries, 10);
      EXPECT_EQ(status.code, StatusCode::Failed);
      EXPECT_EQ(status.textId, kTextAddressNotRestored);
      EXPECT_EQ(status.reasonTextId, kTextPortBusy);
      EXPECT_EQ(recorder.texts.back(), kTextDone);
      EXPECT_EQ(recorder.warnings, std::vector<int>{kTextAddressNotRestored});
      EXPECT_EQ(IndexOf(device->ReceivedSentences(), "$PMTK392"), -1);
      // The address stays stored, for the next update to write back.
      EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
    }
    fs::remove(out / "flash.bin");
  }
}

TEST_F(UpdateFlowTest, CancelStopsBeforeTheImageAndIsRefusedDuringIt) {
  const std::string dump = (out / "flash.bin").string();
  Attach(Device("ZID310", dump, {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}}));
  session.device.kind = DeviceKind::ZID310;
  session.device.modelName = "ZID310";
  session.device.firmwareDigits = "123";

  // Asked while the agent goes over: granted; the image is never written.
  std::vector<Status> answers;
  recorder.onReport = [&](const Progress& p) {
    if (p.stageTextId == kTextAgentStart) answers.push_back(session.RequestCancel());
  };
  ImageCheckResult check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 16 * 1024, 8);
  Status status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_TRUE(answers[0].Ok());
  EXPECT_EQ(status.code, StatusCode::Cancelled);
  EXPECT_EQ(status.textId, kTextCancelled);
  EXPECT_EQ(recorder.texts.back(), kTextCancelled);
  EXPECT_FALSE(recorder.Saw(kTextImageStart));
  EXPECT_FALSE(recorder.Saw(kTextUpdating));
  EXPECT_FALSE(fs::exists(dump));
  EXPECT_FALSE(fs::exists(check.tempImagePath));
  EXPECT_FALSE(session.cancel.Cancelled());  // a later job starts afresh

  // Asked once the image transfer began: turned down with the reason; the update completes.
  answers.clear();
  recorder.texts.clear();
  recorder.onReport = [&](const Progress& p) {
    if (p.stageTextId == kTextImageStart || p.stageTextId == kTextUpdating)
      answers.push_back(session.RequestCancel());
  };
  std::vector<std::uint8_t> payload;
  check = ChooseImage("ZID310_V124_PLM.bin", "ZID310", 16 * 1024, 9, &payload);
  status = Execute(FlashJob::Flavor::UpdatePage, check.tempImagePath);
  EXPECT_TRUE(status.Ok()) << status.detail;
  ASSERT_EQ(answers.size(), 2u);
  for (const Status& answer : answers) {
    EXPECT_EQ(answer.code, StatusCode::CancelRefused);
    EXPECT_EQ(answer.textId, kTextCancelRefusedWhileFlashing);
  }
  EXPECT_EQ(test::ReadFileBytes(dump), test::AsString(payload));
  EXPECT_TRUE(session.CancelAllowed());
}

TEST_F(UpdateFlowTest, FirmwareDownloadPageRunsWithItsOwnAgentsAndPort) {
  const std::string dump = (out / "flash.bin").string();
  Attach(Device("TR410", dump, {{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}}));
  session.device.kind = DeviceKind::T410;
  EXPECT_EQ(CheckFirmwareFile("").status.textId, 412);
  // Only the tagged form counts here.
  const fs::path plain = images / "T410_BT_V1.23_PLM.bin";
  test::WriteImageFile(plain, test::Headerless(MakePayload(1000)));
  const FirmwareFileCheck refused = CheckFirmwareFile(plain.string());
  EXPECT_EQ(refused.status.code, StatusCode::FileRefused);
  EXPECT_EQ(refused.status.textId, 415);
  EXPECT_FALSE(fs::exists(images / "Raded_FW_Temp.bin"));

  const auto payload = MakePayload(30 * 1024, 8);
  const fs::path image = images / "any-name.bin";  // no tag test on this page
  test::WriteImageFile(image, test::Tagged("T410", "V1.30", payload));
  const FirmwareFileCheck check = CheckFirmwareFile(image.string());
  ASSERT_TRUE(check.status.Ok()) << check.status.detail;

  const Status status = Execute(FlashJob::Flavor::FirmwareDownloadPage, check.tempImagePath);
  EXPECT_TRUE(status.Ok()) << status.detail;
  EXPECT_EQ(test::ReadFileBytes(dump), test::AsString(payload));
  EXPECT_GE(IndexOf(device->ReceivedSentences(), "$PMTK392,0A0B0C,0D0E0F*"), 0);
  EXPECT_EQ(recorder.texts.back(), 411);
  // No third pause on this page; no "finished" progress value either.
  EXPECT_EQ(clock.Pauses(), (std::vector<long>{2000, 2000, 2000, 1000}));
  EXPECT_EQ(std::count(recorder.progress.begin(), recorder.progress.end(), kProgressDone), 0);
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, FirmwareDownloadPageHasNoAgentForKind7) {
  const std::string dump = (out / "flash.bin").string();
  Attach(Device("ZID310", dump, {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}}));
  session.device.kind = DeviceKind::ZID310;
  const fs::path image = images / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", MakePayload(4096)));
  const FirmwareFileCheck check = CheckFirmwareFile(image.string());
  ASSERT_TRUE(check.status.Ok());

  const Status status = Execute(FlashJob::Flavor::FirmwareDownloadPage, check.tempImagePath);
  EXPECT_EQ(status.code, StatusCode::Failed);
  EXPECT_EQ(recorder.texts.back(), 447);
  EXPECT_FALSE(fs::exists(dump));
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, FirmwareDownloadPageWithoutItsPortShows413AndDownloadsNothing) {
  Attach(Device("TR410", ""));
  session.device.kind = DeviceKind::T410;
  session.SetLinkSettings((out / "no-such-port").string(), 115200, 0);
  const fs::path image = images / "T410_V130_PLM.bin";
  test::WriteImageFile(image, test::Tagged("T410", "V1.30", MakePayload(1000)));
  const FirmwareFileCheck check = CheckFirmwareFile(image.string());
  ASSERT_TRUE(check.status.Ok());

  const Status status = Execute(FlashJob::Flavor::FirmwareDownloadPage, check.tempImagePath);
  EXPECT_EQ(status.code, StatusCode::PortUnusable);
  EXPECT_EQ(status.textId, kTextPortFailed);
  EXPECT_EQ(recorder.texts.back(), 413);
  EXPECT_FALSE(recorder.Saw(408));  // no image transfer started
  EXPECT_TRUE(clock.Pauses().empty());
  EXPECT_FALSE(fs::exists(check.tempImagePath));
  EXPECT_EQ(Stored(), "<none>");
}

} // namespace
} // namespace divuzo
