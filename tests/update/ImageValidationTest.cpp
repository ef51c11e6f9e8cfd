// Choosing an image: verdicts against the device, the payload file beside the image, and every
// refusal leaving nothing behind.
#include "FifoProbe.h"
#include "ScopedEnv.h"
#include "ImageFixtures.h"
#include "StringTable.h"
#include "update/ImageValidation.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace divuzo {
namespace {

namespace fs = std::filesystem;
using test::MakePayload;

class ImageValidationTest : public ::testing::Test {
protected:
  test::TempDir dir;
  fs::path Temp() const { return dir / "Raded_FW_Temp.bin"; }

  // Every file in the folder except the given ones (stray temporaries show up here).
  std::vector<std::string> Others(std::initializer_list<std::string> known) const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir.path())) {
      const std::string name = e.path().filename().string();
      if (std::find(known.begin(), known.end(), name) == known.end()) out.push_back(name);
    }
    return out;
  }

  ImageCheckResult Check(const fs::path& image, const std::string& model,
                         const std::string& digits, bool force = false) {
    return SelectImageFile({image.string(), model, digits, force});
  }

  void ExpectRefused(const ImageCheckResult& r) {
    EXPECT_EQ(r.messageTextId, 415);
    EXPECT_EQ(r.messageCaption, LoadText(300));
    EXPECT_EQ(r.execute, ExecuteChange::Unchanged);
    EXPECT_EQ(r.verdictTextId, 0);
    EXPECT_EQ(r.fieldCount, 0u);
    EXPECT_FALSE(r.extracted);
    EXPECT_FALSE(r.detail.empty());
  }
};

TEST_F(ImageValidationTest, TaggedImageVerdictsAgainstTheDeviceVersion) {
  const auto payload = MakePayload(5000);
  const fs::path image = dir / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", payload,
                                           {"V1.00", "V1.10", "V1.20", "V1.21", "V1.22", "V1.23"}));

  const struct { const char* digits; int verdict; } cases[] = {
      {"123", 437}, {"124", 438}, {"125", 439}, {"0", 437}};
  for (const auto& c : cases) {
    fs::remove(Temp());
    ImageCheckResult r = Check(image, "ZID310", c.digits);
    EXPECT_EQ(r.verdictTextId, c.verdict) << c.digits;
    EXPECT_EQ(r.execute, ExecuteChange::Enable) << c.digits;
    EXPECT_EQ(r.messageTextId, 0);
    EXPECT_TRUE(r.extracted);
    EXPECT_FALSE(r.headerless);
    EXPECT_EQ(r.tempImagePath, Temp().string());
    EXPECT_EQ(test::ReadFileBytes(Temp()), test::AsString(payload));
  }
  ImageCheckResult r = Check(image, "ZID310", "124");
  EXPECT_EQ(r.imageVersionNumber, 124);
  EXPECT_EQ(r.deviceVersionNumber, 124);
  ASSERT_EQ(r.fieldCount, 12u);
  EXPECT_EQ(r.fields[kFieldProduct], "ZID310");
  EXPECT_EQ(r.fields[kFieldVersion], "V1.24");
  EXPECT_EQ(r.fields[kFieldCompat1], "V1.00");
  EXPECT_EQ(r.fields[kFieldCompat1 + 5], "V1.23");
  EXPECT_EQ(r.fields[kFieldCompat1 + 9], "");
  EXPECT_EQ(Others({"ZID310_V124_PLM.bin", "Raded_FW_Temp.bin"}), std::vector<std::string>{});
}

TEST_F(ImageValidationTest, ProductTokensAreComparedAfterTheSpellingRules) {
  const fs::path image = dir / "T410_V123_PLM.bin";
  test::WriteImageFile(image, test::Tagged("TR410", "V1.23", MakePayload(100)));
  ImageCheckResult r = Check(image, "T-410", "123");
  EXPECT_EQ(r.product, "T-410");
  EXPECT_EQ(r.verdictTextId, 438);
  EXPECT_EQ(r.execute, ExecuteChange::Enable);

  r = Check(image, "ZID310", "123");
  EXPECT_EQ(r.verdictTextId, 435);
  EXPECT_EQ(r.execute, ExecuteChange::Disable);
  EXPECT_EQ(r.fieldCount, 12u);  // the fields are still shown
  EXPECT_EQ(r.fields[kFieldProduct], "T-410");

  test::WriteImageFile(image, test::Tagged("ZID-TONIC1", "V2.05", MakePayload(100)));
  r = Check(image, "ZID-Tonic1", "204");
  EXPECT_EQ(r.verdictTextId, 437);
}

TEST_F(ImageValidationTest, ForcedUpdateAcceptsOnlyKrb1ImagesAndCallsEveryNewerOne116) {
  const fs::path image = dir / "RM450_V100_PLM.bin";
  test::WriteImageFile(image, test::Tagged("RunMate450", "V1.00", MakePayload(100)));
  ImageCheckResult r = Check(image, "KRB-1", "V0.00", true);
  EXPECT_EQ(r.verdictTextId, 116);
  EXPECT_EQ(r.execute, ExecuteChange::Enable);
  // Without ForceUpdate the same comparison says 437.
  EXPECT_EQ(Check(image, "KRB-1", "V0.00", false).verdictTextId, 437);
  // V0.00 is not newer than the forced device.
  test::WriteImageFile(image, test::Tagged("TR450", "V0.00", MakePayload(100)));
  EXPECT_EQ(Check(image, "KRB-1", "V0.00", true).verdictTextId, 438);

  test::WriteImageFile(image, test::Tagged("ZID310", "V1.00", MakePayload(100)));
  EXPECT_EQ(Check(image, "KRB-1", "V0.00", true).verdictTextId, 435);
}

TEST_F(ImageValidationTest, HeaderlessImageTakesItsFieldsFromTheName) {
  const auto payload = MakePayload(3000, 9);
  const fs::path image = dir / "T410_BT_V1.23_PLM.bin";
  test::WriteImageFile(image, test::Headerless(payload));
  ImageCheckResult r = Check(image, "T-410", "123");
  EXPECT_TRUE(r.headerless);
  EXPECT_EQ(r.verdictTextId, 438);
  EXPECT_EQ(r.execute, ExecuteChange::Enable);
  ASSERT_EQ(r.fieldCount, 4u);
  EXPECT_EQ(r.fields[kFieldProduct], "T-410");
  EXPECT_EQ(r.fields[kFieldVersion], "V1.23");
  EXPECT_EQ(r.fields[kFieldCompat1], "V01");
  EXPECT_EQ(r.fields[kFieldCompat1 + 1], "V02");
  EXPECT_EQ(test::ReadFileBytes(Temp()), test::AsString(payload));

  // Without 4, 1, 0 at the fixed place the product is empty and fits no device.
  const fs::path other = dir / "ZID310_BT_V1.23_PLM.bin";
  test::WriteImageFile(other, test::Headerless(payload));
  r = Check(other, "ZID310", "123");
  EXPECT_TRUE(r.headerless);
  EXPECT_EQ(r.verdictTextId, 435);
  EXPECT_EQ(r.execute, ExecuteChange::Disable);
  EXPECT_EQ(r.fields[kFieldProduct], "");
  EXPECT_EQ(Check(other, "", "").verdictTextId, 435);
}

TEST_F(ImageValidationTest, EmptyPayloadWithCrcZeroPasses) {
  const fs::path image = dir / "ZID310_V100_PLM.bin";
  std::string bytes("ZID310", 6);
  bytes.resize(10, '\0');
  bytes += "V1.00";
  bytes.resize(65, '\0');
  bytes.append(4, '\0');  // CRC-32 of no bytes
  test::WriteFileBytes(image, bytes);
  ImageCheckResult r = Check(image, "ZID310", "100");
  EXPECT_EQ(r.verdictTextId, 438);
  EXPECT_TRUE(fs::exists(Temp()));
  EXPECT_EQ(fs::file_size(Temp()), 0u);
}

TEST_F(ImageValidationTest, NameWithoutTagIsRefusedBeforeTheFileIsRead) {
  const fs::path image = dir / "ZID310_V124.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", MakePayload(100)));
  ImageCheckResult r = Check(image, "ZID310", "123");
  EXPECT_EQ(r.messageTextId, 444);
  EXPECT_EQ(r.messageCaption, "WARNING!!");
  EXPECT_EQ(r.execute, ExecuteChange::Disable);
  EXPECT_EQ(r.verdictTextId, 0);
  ASSERT_EQ(r.fieldCount, 12u);
  for (const auto& f : r.fields) EXPECT_EQ(f, "");
  EXPECT_FALSE(fs::exists(Temp()));
}

TEST_F(ImageValidationTest, EmptyPathChangesNothing) {
  ImageCheckResult r = SelectImageFile({"", "ZID310", "123", false});
  EXPECT_EQ(r.messageTextId, 0);
  EXPECT_EQ(r.verdictTextId, 0);
  EXPECT_EQ(r.execute, ExecuteChange::Unchanged);
  EXPECT_EQ(r.fieldCount, 0u);
}

TEST_F(ImageValidationTest, RefusalsGiveTheirReasonAndLeaveTheEarlierPayloadAlone) {
  const std::string known = "Raded_FW_Temp.bin";
  // A good image first: its payload file belongs to that choice, and a refused file in the
  // same folder must not take it away (or the page would show a file ready that cannot be
  // flashed).
  const fs::path good = dir / "GOOD_PLM.bin";
  const auto goodPayload = MakePayload(64);
  test::WriteImageFile(good, test::Tagged("ZID310", "V1.24", goodPayload));

  auto refusedLeavesNothing = [&](const fs::path& image, const char* what, int reason) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(Check(good, "ZID310", "123").extracted);
    ASSERT_TRUE(fs::exists(Temp()));
    const ImageCheckResult r = Check(image, "ZID310", "123");
    ExpectRefused(r);
    EXPECT_EQ(r.reasonTextId, reason);
    EXPECT_EQ(test::ReadFileBytes(Temp()), test::AsString(goodPayload));
  };

  // CRC wrong in both forms.
  auto bytes = test::AsString(MakePayload(1000));
  test::WriteFileBytes(dir / "BAD_PLM.bin", bytes);
  refusedLeavesNothing(dir / "BAD_PLM.bin", "crc", kTextImageCrcMismatch);
  // Tagged image with one payload byte flipped.
  std::vector<std::uint8_t> packed;
  std::string error;
  ASSERT_TRUE(PackImage(test::Tagged("ZID310", "V1.24", MakePayload(500)), packed, error));
  packed[300] ^= 0x01;
  test::WriteFileBytes(dir / "FLIP_PLM.bin", test::AsString(packed));
  refusedLeavesNothing(dir / "FLIP_PLM.bin", "flipped byte", kTextImageCrcMismatch);
  // Missing file, a folder, a file too short for any form.
  refusedLeavesNothing(dir / "MISSING_PLM.bin", "missing", kTextImageUnreadableFile);
  fs::create_directory(dir / "DIR_PLM.bin");
  refusedLeavesNothing(dir / "DIR_PLM.bin", "folder", kTextImageUnreadableFile);
  test::WriteFileBytes(dir / "SHORT_PLM.bin", "abc");
  refusedLeavesNothing(dir / "SHORT_PLM.bin", "short", kTextImageTooShort);
  // A FIFO is refused unread, without waiting for a writer.
  if (test::kFileSystemHasFifos) {
    ASSERT_TRUE(test::MakeFifo(dir / "FIFO_PLM.bin"));
    EXPECT_TRUE(test::ReturnsWithoutWriter(dir / "FIFO_PLM.bin", [&] {
      refusedLeavesNothing(dir / "FIFO_PLM.bin", "fifo", kTextImageUnreadableFile);
    }));
  }
  // Payload over 819,200 bytes, in either form, even with a right CRC.
  test::WriteImageFile(dir / "BIGT_PLM.bin", test::Tagged("ZID310", "V1.24", MakePayload(819201)));
  refusedLeavesNothing(dir / "BIGT_PLM.bin", "big tagged", kTextImageTooLarge);
  test::WriteImageFile(dir / "BIGH_PLM.bin", test::Headerless(MakePayload(819201)));
  refusedLeavesNothing(dir / "BIGH_PLM.bin", "big headerless", kTextImageTooLarge);
  EXPECT_EQ(Others({known, "GOOD_PLM.bin", "BAD_PLM.bin", "FLIP_PLM.bin", "DIR_PLM.bin",
                    "SHORT_PLM.bin", "FIFO_PLM.bin", "BIGT_PLM.bin", "BIGH_PLM.bin"}),
            std::vector<std::string>{});

  // The largest payload is taken.
  test::WriteImageFile(dir / "MAX_PLM.bin", test::Tagged("ZID310", "V1.24", MakePayload(819200)));
  EXPECT_EQ(Check(dir / "MAX_PLM.bin", "ZID310", "123").verdictTextId, 437);
  EXPECT_EQ(fs::file_size(Temp()), 819200u);
}

TEST_F(ImageValidationTest, PathLongerThan255CharactersIsRefused) {
  fs::path deep = dir.path();
  while (deep.string().size() < 240) deep /= std::string(40, 'd');
  fs::create_directories(deep);
  const fs::path image = deep / "ZID310_V124_PLM.bin";
  ASSERT_GT(image.string().size(), 255u);
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", MakePayload(64)));
  ExpectRefused(Check(image, "ZID310", "123"));
  EXPECT_FALSE(fs::exists(deep / "Raded_FW_Temp.bin"));
}

TEST_F(ImageValidationTest, PayloadGoesToAPrivateFolderWhenTheImagesFolderCannotTakeIt) {
  // A folder in the way of the payload file (as good as a read-only folder, also for root),
  // and for other users the folder itself read-only.
  fs::create_directory(Temp());
  test::WriteFileBytes(Temp() / "keep", "x");
  const auto payload = MakePayload(64);
  const fs::path image = dir / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", payload));
  fs::permissions(dir.path(),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const ImageCheckResult r = Check(image, "ZID310", "123");
  fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(r.messageTextId, 0) << r.detail;
  EXPECT_EQ(r.verdictTextId, 437);
  ASSERT_TRUE(r.extracted);
  const fs::path privateFolder = fs::path(r.tempImagePath).parent_path();
  EXPECT_NE(privateFolder, dir.path());
#ifndef _WIN32
  EXPECT_EQ(fs::status(privateFolder).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
  EXPECT_EQ(test::ReadFileBytes(r.tempImagePath), test::AsString(payload));
  EXPECT_EQ(test::ReadFileBytes(Temp() / "keep"), "x");
  // The payload goes, and its folder with it.
  EXPECT_TRUE(DeleteTempImage(r.tempImagePath));
  EXPECT_FALSE(fs::exists(privateFolder));

  // No private folder either: refused for the file that cannot be written, not for a checksum
  // that is right.
#ifdef _WIN32
  test::ScopedEnv noTemp("TMP", (dir / "no-such-folder").string());
#else
  test::ScopedEnv noTemp("TMPDIR", (dir / "no-such-folder").string());
#endif
  const ImageCheckResult refused = Check(image, "ZID310", "123");
  EXPECT_EQ(refused.messageTextId, kTextPayloadNotWritten);
  EXPECT_FALSE(refused.extracted);
  EXPECT_EQ(refused.detail.find("CRC"), std::string::npos) << refused.detail;
  EXPECT_EQ(Others({"ZID310_V124_PLM.bin", "Raded_FW_Temp.bin"}), std::vector<std::string>{});
}

TEST_F(ImageValidationTest, ExtractNeverRemovesTheChosenFileItself) {
  const fs::path image = Temp();
  test::WriteImageFile(image, test::Tagged("T410", "V1.00", MakePayload(64)));
  const std::string before = test::ReadFileBytes(image);
  ExtractResult r = ExtractImage(image.string(), ImageForm::Tagged, Temp().string());
  EXPECT_EQ(r.status, ExtractStatus::Refused);
  EXPECT_EQ(test::ReadFileBytes(image), before);
}

TEST_F(ImageValidationTest, RelativeNameWritesThePayloadBesideIt) {
  EXPECT_EQ(FolderOf("ZID310_V124_PLM.bin"), ".");
  EXPECT_EQ(FolderOf("/ZID310_V124_PLM.bin"), "/");
  EXPECT_EQ(FolderOf("/a/b/c.bin"), "/a/b");
  EXPECT_EQ(TempImagePathFor("/"), "/Raded_FW_Temp.bin");
#ifdef _WIN32
  EXPECT_EQ(TempImagePathFor("/a/b"), "/a/b\\Raded_FW_Temp.bin");  // joined with Windows' own separator
#else
  EXPECT_EQ(TempImagePathFor("/a/b"), "/a/b/Raded_FW_Temp.bin");
#endif
}

} // namespace
} // namespace divuzo
