// The flash download steps without a device: which agent each device kind gets, the search
// order, and what a missing file does to the flags.
#include "TempDir.h"

#include "update/BromAgentFile.h"
#include "update/FlashDownload.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::TempDir;
using test::WriteFileBytes;

std::string AgentBytes(GpsChip chip) {
  const auto v = EncodeAgentFile(MakeAgent(chip, 0x0100, 2000));
  return std::string(v.begin(), v.end());
}

// A program folder with both agent families and a layout.
struct Folder {
  Folder() {
    for (const char* prefix : {"DA_", "MTK_AllInOne_DA_"}) {
      WriteFileBytes(dir / (std::string(prefix) + "MT3318_V100.bin"), AgentBytes(GpsChip::MT3318));
      WriteFileBytes(dir / (std::string(prefix) + "MT3329_V100.bin"), AgentBytes(GpsChip::MT3329));
    }
    WriteFileBytes(dir / "scat.txt", "ROM 0 0x100000\n");
    WriteFileBytes(dir / "image.bin", std::string(5000, 'i'));
  }
  TempDir dir;
};

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

TEST(BromFlashSteps, EachDeviceKindGetsItsChipsAgent) {
  Folder folder;
  struct Want {
    int kind;
    const char* update;    // agent of the update page, "" for none
    const char* allInOne;  // agent of the firmware download page
  };
  const Want table[] = {
      {0, "", ""}, {1, "", ""}, {2, "", ""},
      {3, "DA_MT3318_V100.bin", "MTK_AllInOne_DA_MT3318_V100.bin"},
      {4, "DA_MT3318_V100.bin", "MTK_AllInOne_DA_MT3318_V100.bin"},
      {5, "DA_MT3329_V100.bin", "MTK_AllInOne_DA_MT3329_V100.bin"},
      {6, "DA_MT3329_V100.bin", "MTK_AllInOne_DA_MT3329_V100.bin"},
      {7, "DA_MT3318_V100.bin", ""},
      {8, "DA_MT3329_V100.bin", ""},
  };
  for (const Want& w : table) {
    for (AgentFamily family : {AgentFamily::Update, AgentFamily::AllInOne}) {
      const std::string want = family == AgentFamily::Update ? w.update : w.allInOne;
      FlashDownload flash(family);
      flash.searchFolders = {folder.dir.path().string()};
      std::vector<int> texts, progress;
      ProgressFunction recorder([&](const Progress& p) {
        if (p.stageTextId) texts.push_back(p.stageTextId);
        if (p.value >= 0) progress.push_back(p.value);
      });
      flash.progress = &recorder;
      flash.PrepareFlashing(KindFromNumber(w.kind), (folder.dir / "image.bin").string());
      EXPECT_EQ(FileName(flash.agentPath), want) << "kind " << w.kind;
      EXPECT_EQ(flash.agentReady.load(), !want.empty()) << "kind " << w.kind;
      EXPECT_TRUE(flash.imageReady);
      EXPECT_EQ(texts, std::vector<int>{405});
      EXPECT_EQ(progress, std::vector<int>{0});
      flash.ReleaseFlashing();
      EXPECT_EQ(flash.agentHandle, 0u);
      EXPECT_EQ(flash.imageHandle, 0u);
    }
  }
}

TEST(BromFlashSteps, SearchTakesTheFirstFolderWithAMatchAndTheFirstNameInIt) {
  Folder first, second;
  WriteFileBytes(first.dir / "DA_MT3318_A.bin", AgentBytes(GpsChip::MT3318));
  WriteFileBytes(first.dir / "DA_MT3318_B.bin", "not an agent");
  FlashDownload flash;
  flash.searchFolders = {(first.dir / "nothing-here").string(), first.dir.path().string(),
                         second.dir.path().string()};
  flash.PrepareFlashing(DeviceKind::T410, (second.dir / "image.bin").string());
  EXPECT_EQ(flash.agentPath, (first.dir / "DA_MT3318_A.bin").string());
  EXPECT_TRUE(flash.agentReady);
  EXPECT_EQ(flash.scatterPath, (first.dir / "scat.txt").string());

  // The agent with the lowest name is damaged: the update cannot go on.
  std::filesystem::remove(first.dir / "DA_MT3318_A.bin");
  flash.PrepareFlashing(DeviceKind::T410, (second.dir / "image.bin").string());
  EXPECT_EQ(flash.agentPath, (first.dir / "DA_MT3318_B.bin").string());
  EXPECT_FALSE(flash.agentReady);
  EXPECT_FALSE(flash.Succeeded());
}

TEST(BromFlashSteps, MissingFilesLeaveTheirStageNotReady) {
  Folder folder;
  {
    // An earlier run found an agent; a kind with none must not reuse that path.
    FlashDownload flash(AgentFamily::AllInOne);
    flash.searchFolders = {folder.dir.path().string()};
    flash.PrepareFlashing(DeviceKind::T410, (folder.dir / "image.bin").string());
    ASSERT_TRUE(flash.agentReady);
    flash.PrepareFlashing(DeviceKind::ZID310, (folder.dir / "image.bin").string());
    EXPECT_EQ(flash.agentPath, "");
    EXPECT_FALSE(flash.agentReady);
  }
  {
    FlashDownload flash;
    flash.searchFolders = {folder.dir.path().string()};
    flash.PrepareFlashing(DeviceKind::T2200, (folder.dir / "no-image.bin").string());
    EXPECT_TRUE(flash.agentReady);
    EXPECT_FALSE(flash.imageReady);
  }
  {
    // Without scat.txt everything loads, and the download itself fails.
    std::filesystem::remove(folder.dir / "scat.txt");
    FlashDownload flash;
    flash.searchFolders = {folder.dir.path().string()};
    flash.PrepareFlashing(DeviceKind::T2200, (folder.dir / "image.bin").string());
    EXPECT_TRUE(flash.agentReady);
    EXPECT_TRUE(flash.imageReady);
    EXPECT_FALSE(flash.RunFlashDownload(flash.imageHandle));
    EXPECT_EQ(flash.downloadStatus, brom_download::kNoScatter);
    EXPECT_FALSE(flash.Succeeded());
  }
}

TEST(BromFlashSteps, DefaultFoldersStartBesideTheProgram) {
  const auto folders = DefaultFlashFileFolders();
  ASSERT_EQ(folders.size(), 2u);
  // Compared as absolute paths, so that Wine's view of the build folder ("Z:\\work\\...") counts.
  auto absolute = [](const std::string& p) { return std::filesystem::absolute(p).lexically_normal(); };
  EXPECT_EQ(absolute(folders[0]), absolute(DIVUZO_BINARY_DIR "/bin"));
  EXPECT_EQ(absolute(folders[1]), absolute(DIVUZO_BINARY_DIR "/share/divuzovuzov"));
}

} // namespace
} // namespace divuzo
