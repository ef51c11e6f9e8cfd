// The whole update as Execute runs it, against the virtual device over a real pseudo-terminal:
// identification, image check, flashing through the boot-ROM library, Bluetooth address kept,
// texts and progress, and the temporary image gone afterwards, also when the line drops.
#include "ImageFixtures.h"
#include "TempDir.h"
#include "VdevProcess.h"
#include "app/Tool.h"
#include "app/UtilityManager.h"
#include "update/BtAddress.h"
#include "update/FirmwareDownload.h"
#include "update/FlashDownload.h"
#include "update/ImageValidation.h"
#include "update/UpdateFlow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

// Identification lives in the serial layer; its header's text ids overlap the flashing's, so
// it is reached through this one declaration-only helper from a file of its own.
#include "UpdateFlowIdentify.h"

namespace divuzo {
namespace {

namespace fs = std::filesystem;
using test::MakePayload;
using test::VdevProcess;

class Recorder : public UpdateObserver {
public:
  void ShowStageText(int id) override { texts.push_back(id); }
  void ShowWarningText(int id) override { warnings.push_back(id); }
  void SetUpdateProgress(int value) override { progress.push_back(value); }
  void UpdateEnded(bool success) override {
    ++endings;
    ended = success;
  }
  bool Saw(int id) const { return std::find(texts.begin(), texts.end(), id) != texts.end(); }

  std::vector<int> texts;
  std::vector<int> warnings;
  std::vector<int> progress;
  int endings = 0;
  bool ended = false;
};

int IndexOf(const std::vector<std::string>& list, const std::string& prefix) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  return -1;
}

class UpdateFlowTest : public ::testing::Test {
protected:
  void TearDown() override { theUtilityManager.Reset(); }

  std::string Stored() {
    std::string text;
    Tool tool;
    return tool.ReadRegString(HKEY_CURRENT_USER, "T410BTMacAddress", text) ? text : "<none>";
  }

  // A flashing context set up the way Execute does it, with short line time-outs.
  void Prepare(FlashDownload& flash, Recorder& recorder, const std::string& port, int kind,
               const std::string& tempImage) {
    RouteFlashObserver(flash, recorder);
    flash.portPath = port;
    flash.connectTimeoutMs = 3000;
    flash.ackTimeoutMs = 400;
    flash.noBootRomPauseMs = 10;
    flash.PrepareFlashing(kind, tempImage);
  }

  // A job over the prepared `flash` whose pauses are recorded, not slept.
  UpdateJob Job(FlashDownload& flash, int kind, const std::string& tempImage,
                BtAddressKeeper* keeper = nullptr) {
    UpdateJob job;
    job.deviceKind = kind;
    job.tempImagePath = tempImage;
    job.btAddress = keeper;
    job.sleepMs = [this](int ms) { pauses.push_back(ms); };
    AttachFlashDownload(job, flash);
    return job;
  }

  // The address steps' pauses are recorded, not slept; their waits for replies keep their
  // limits (they end as soon as the device answers).
  void RecordAddressPauses(BtAddressKeeper& keeper) {
    keeper.sleepMs = [this](int ms) { addressSleeps.push_back(ms); };
  }

  // The firmware download page as at start-up with `port` as the stored link, its address
  // pauses recorded.
  void OpenDownloadPage(FirmwareDownload& page, const std::string& port) {
    theUtilityManager.SetLinkSettings(port, 115200, 0);
    page.Initialise();
    RecordAddressPauses(page.btAddress);
  }

  test::TempDir config;
  test::ScopedEnv configHome{"XDG_CONFIG_HOME", config.path().string()};
  test::TempDir images;
  test::TempDir out;
  std::vector<int> pauses;
  std::vector<int> addressSleeps;
};

TEST_F(UpdateFlowTest, IdentifiedDeviceIsFlashedAndKeepsItsBluetoothAddress) {
  const std::string dump = (out / "flash.bin").string();
  VdevProcess vdev({"--model", "ZID310", "--firmware", "123", "--bt-address", "01:23:45:67:89:AB",
                    "--flash-dump", dump});
  ASSERT_TRUE(vdev.Started());

  const IdentifiedDevice device = IdentifyForTest(vdev.PortPath());
  ASSERT_TRUE(device.ok);
  EXPECT_EQ(device.modelName, "ZID310");

  const auto payload = MakePayload(96 * 1024, 5);
  const fs::path image = images / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", payload));
  const ImageCheckResult check =
      SelectImageFile({image.string(), device.modelName, device.firmwareDigits, false});
  ASSERT_EQ(check.verdictTextId, 437);
  ASSERT_EQ(check.execute, ExecuteChange::Enable);
  ASSERT_TRUE(fs::exists(check.tempImagePath));

  BtAddressKeeper keeper;
  RecordAddressPauses(keeper);
  keeper.SetPrivatePort(vdev.PortPath(), 115200);
  Recorder recorder;
  FlashDownload flash;
  Prepare(flash, recorder, vdev.PortPath(), device.kind, check.tempImagePath);
  UpdateJob job = Job(flash, device.kind, check.tempImagePath, &keeper);
  ASSERT_TRUE(RunUpdateWorker(job, recorder));

  EXPECT_EQ(test::ReadFileBytes(dump), test::AsString(payload));
  // The address read before the download is the one written back after it.
  const auto received = vdev.ReceivedSentences();
  const int query = IndexOf(received, "$PMTK492");
  const int write = IndexOf(received, "$PMTK392,012345,6789AB*");
  EXPECT_GE(query, 0);
  EXPECT_GT(write, query);
  EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
  EXPECT_EQ(pauses, (std::vector<int>{2000, 2000, 2000}));
  EXPECT_EQ(addressSleeps.front(), 2000);  // before the address write

  EXPECT_TRUE(recorder.Saw(408));
  EXPECT_TRUE(recorder.Saw(410));
  EXPECT_EQ(recorder.texts.back(), 411);
  EXPECT_TRUE(recorder.warnings.empty());
  ASSERT_FALSE(recorder.progress.empty());
  EXPECT_EQ(recorder.progress.back(), 1000);
  EXPECT_EQ(UpdatePercentText(recorder.progress.back()), "100%");
  EXPECT_EQ(recorder.endings, 1);
  EXPECT_TRUE(recorder.ended);
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, ForcedUpdateSkipsTheAddressAndShows446) {
  const std::string dump = (out / "flash.bin").string();
  VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB", "--flash-dump", dump});
  ASSERT_TRUE(vdev.Started());

  const auto payload = MakePayload(20 * 1024, 6);
  const fs::path image = images / "RM450_V100_PLM.bin";
  test::WriteImageFile(image, test::Tagged("RunMate450", "V1.00", payload));
  const ImageCheckResult check = SelectImageFile({image.string(), "KRB-1", "V0.00", true});
  ASSERT_EQ(check.verdictTextId, 116);

  BtAddressKeeper keeper;
  RecordAddressPauses(keeper);
  keeper.SetPrivatePort(vdev.PortPath(), 115200);
  Recorder recorder;
  FlashDownload flash;
  Prepare(flash, recorder, vdev.PortPath(), 4, check.tempImagePath);
  UpdateJob job = Job(flash, 4, check.tempImagePath, &keeper);
  ASSERT_TRUE(RunUpdateWorker(job, recorder));

  EXPECT_EQ(test::ReadFileBytes(dump), test::AsString(payload));
  const auto received = vdev.ReceivedSentences();
  EXPECT_EQ(IndexOf(received, "$PMTK492"), -1);
  EXPECT_EQ(IndexOf(received, "$PMTK392"), -1);
  EXPECT_EQ(Stored(), "<none>");
  EXPECT_EQ(recorder.texts.back(), 446);
  EXPECT_EQ(recorder.warnings, (std::vector<int>{453}));
  EXPECT_EQ(recorder.progress.back(), 1000);
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, LineDroppedMidFlashShows447AndDeletesTheImage) {
  const std::string dump = (out / "flash.bin").string();
  VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB", "--hangup-at", "40",
                    "--flash-dump", dump});
  ASSERT_TRUE(vdev.Started());

  const fs::path image = images / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", MakePayload(64 * 1024, 7)));
  const ImageCheckResult check = SelectImageFile({image.string(), "ZID310", "123", false});
  ASSERT_EQ(check.execute, ExecuteChange::Enable);

  BtAddressKeeper keeper;
  RecordAddressPauses(keeper);
  keeper.SetPrivatePort(vdev.PortPath(), 115200);
  Recorder recorder;
  FlashDownload flash;
  Prepare(flash, recorder, vdev.PortPath(), 7, check.tempImagePath);
  UpdateJob job = Job(flash, 7, check.tempImagePath, &keeper);
  EXPECT_FALSE(RunUpdateWorker(job, recorder));

  EXPECT_TRUE(recorder.Saw(409)) << "the line should drop during the image transfer";
  EXPECT_EQ(recorder.texts.back(), 447);
  EXPECT_TRUE(std::find(recorder.progress.begin(), recorder.progress.end(), 1000) ==
              recorder.progress.end());
  EXPECT_EQ(recorder.endings, 1);
  EXPECT_FALSE(recorder.ended);
  EXPECT_FALSE(fs::exists(check.tempImagePath));
  EXPECT_FALSE(fs::exists(dump));
  // The address was saved before the download and is still stored for the next attempt.
  EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
}

TEST_F(UpdateFlowTest, FirmwareDownloadPageRunsWithItsOwnAgentsAndPort) {
  const std::string dump = (out / "flash.bin").string();
  VdevProcess vdev({"--model", "TR410", "--bt-address", "0A:0B:0C:0D:0E:0F", "--flash-dump", dump});
  ASSERT_TRUE(vdev.Started());
  FirmwareDownload page;
  OpenDownloadPage(page, vdev.PortPath());
  EXPECT_EQ(page.CheckFile("").messageTextId, 412);
  // Only the tagged form counts here.
  const fs::path plain = images / "T410_BT_V1.23_PLM.bin";
  test::WriteImageFile(plain, test::Headerless(MakePayload(1000)));
  EXPECT_EQ(page.CheckFile(plain.string()).messageTextId, 415);
  EXPECT_FALSE(fs::exists(images / "Raded_FW_Temp.bin"));

  const auto payload = MakePayload(30 * 1024, 8);
  const fs::path image = images / "any-name.bin";  // no tag test on this page
  test::WriteImageFile(image, test::Tagged("T410", "V1.30", payload));
  const FirmwareFileCheck check = page.CheckFile(image.string());
  ASSERT_EQ(check.messageTextId, 0) << check.detail;

  ASSERT_TRUE(page.TryBeginDownload());
  EXPECT_TRUE(page.IsBusy());
  EXPECT_FALSE(page.TryBeginDownload());  // one download at a time
  Recorder recorder;
  FlashDownload flash(AgentFamily::AllInOne);
  Prepare(flash, recorder, vdev.PortPath(), 3, check.tempImagePath);
  ASSERT_TRUE(flash.agentReady) << "no MTK_AllInOne agent for kind 3";
  UpdateJob job = Job(flash, 3, check.tempImagePath);
  EXPECT_EQ(page.RunWorker(job, recorder), FirmwareDownloadOutcome::Completed);

  EXPECT_EQ(test::ReadFileBytes(dump), test::AsString(payload));
  EXPECT_GE(IndexOf(vdev.ReceivedSentences(), "$PMTK392,0A0B0C,0D0E0F*"), 0);
  EXPECT_EQ(recorder.texts.back(), 411);
  EXPECT_FALSE(page.IsBusy());
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, FirmwareDownloadPageHasNoAgentForKind7) {
  const std::string dump = (out / "flash.bin").string();
  VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:02:03:04:05:06", "--flash-dump", dump});
  ASSERT_TRUE(vdev.Started());
  FirmwareDownload page;
  OpenDownloadPage(page, vdev.PortPath());
  const fs::path image = images / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", MakePayload(4096)));
  const FirmwareFileCheck check = page.CheckFile(image.string());
  ASSERT_EQ(check.messageTextId, 0);
  ASSERT_TRUE(page.TryBeginDownload());

  Recorder recorder;
  FlashDownload flash(AgentFamily::AllInOne);
  Prepare(flash, recorder, vdev.PortPath(), 7, check.tempImagePath);
  EXPECT_FALSE(flash.agentReady);
  UpdateJob job = Job(flash, 7, check.tempImagePath);
  EXPECT_EQ(page.RunWorker(job, recorder), FirmwareDownloadOutcome::Failed);
  EXPECT_EQ(recorder.texts.back(), 447);
  EXPECT_FALSE(fs::exists(dump));
  EXPECT_FALSE(page.IsBusy());
  EXPECT_FALSE(fs::exists(check.tempImagePath));
}

TEST_F(UpdateFlowTest, FirmwareDownloadPageWithoutItsPortShows413AndDownloadsNothing) {
  theUtilityManager.SetLinkSettings((out / "no-such-port").string(), 115200, 0);
  FirmwareDownload page;
  page.Initialise();
  const fs::path image = images / "T410_V130_PLM.bin";
  test::WriteImageFile(image, test::Tagged("T410", "V1.30", MakePayload(1000)));
  const FirmwareFileCheck check = page.CheckFile(image.string());
  ASSERT_EQ(check.messageTextId, 0);
  ASSERT_TRUE(page.TryBeginDownload());

  Recorder recorder;
  FlashDownload flash(AgentFamily::AllInOne);
  Prepare(flash, recorder, (out / "no-such-port").string(), 3, check.tempImagePath);
  UpdateJob job = Job(flash, 3, check.tempImagePath);
  EXPECT_EQ(page.RunWorker(job, recorder), FirmwareDownloadOutcome::PortUnusable);
  EXPECT_EQ(recorder.texts.back(), 413);
  EXPECT_FALSE(recorder.Saw(408));  // no image transfer started
  EXPECT_TRUE(pauses.empty());
  EXPECT_FALSE(page.IsBusy());
  EXPECT_EQ(page.btAddress.portUsable.load(), 1);
  EXPECT_FALSE(fs::exists(check.tempImagePath));
  EXPECT_EQ(Stored(), "<none>");
  // Ready for another try.
  EXPECT_TRUE(page.TryBeginDownload());
}

} // namespace
} // namespace divuzo
