// Keeping the Bluetooth address: sentence and registry texts, and the save and restore steps
// against the virtual device.
#include "ImageFixtures.h"
#include "PauseClock.h"
#include "ScopedEnv.h"
#include "ScratchRegistry.h"
#include "TempDir.h"
#include "app/Tool.h"
#include "engine/InProcessDevice.h"
#include "serial/Sentence.h"
#include "update/BtAddress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace divuzo {
namespace {

namespace fs = std::filesystem;

// Checksum computed here, not with the code under test: exclusive-or of the body.
std::string Framed(const std::string& body) {
  unsigned sum = 0;
  for (unsigned char c : body) sum ^= c;
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

TEST(BtAddressTest, ReplyRegistryTextAndWriteSentence) {
  auto reply = ParseBtAddressReply(Framed("PMTK592,0123456789AB"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(*reply, (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
  EXPECT_EQ(FormatBtAddressText(*reply), "AB:89:67:45:23:01");
  EXPECT_EQ(BtAddressWriteSentence(*reply), Framed("PMTK392,012345,6789AB"));

  BtAddress back{};
  ASSERT_TRUE(ParseBtAddressText("AB:89:67:45:23:01", back));
  EXPECT_EQ(back, *reply);
  ASSERT_TRUE(ParseBtAddressText("11:22:33:44:55:66", back));
  EXPECT_EQ(BtAddressWriteSentence(back), Framed("PMTK392,665544,332211"));
  // Bytes of 0x80 and above: exactly two digits each.
  const BtAddress high{0x80, 0xFE, 0x0A, 0xFF, 0x00, 0x9C};
  EXPECT_EQ(FormatBtAddressText(high), "9C:00:FF:0A:FE:80");
  EXPECT_EQ(BtAddressWriteSentence(high), Framed("PMTK392,80FE0A,FF009C"));
}

TEST(BtAddressTest, ReplyScanning) {
  // Lower case, behind other sentences, and with noise before it.
  auto r = ParseBtAddressReply("$GPGGA,1*00\r\nxx" + Framed("PMTK592,a1b2c3d4e5f6"));
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(*r, (BtAddress{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}));
  // Not complete until its '*' arrived.
  EXPECT_FALSE(ParseBtAddressReply("$PMTK592,0123456789AB").has_value());
  EXPECT_FALSE(ParseBtAddressReply("$PMTK59").has_value());
  EXPECT_FALSE(ParseBtAddressReply("").has_value());
  // One more comma is skipped; a pair stops at its first non-hex character.
  r = ParseBtAddressReply("$PMTK592,,0123456789AB*00");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ((*r)[0], 0x01);
  r = ParseBtAddressReply("$PMTK592,0G23456789AB*00");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ((*r)[0], 0x00);
  EXPECT_EQ((*r)[1], 0x23);
  // Malformed registry texts are not addresses.
  BtAddress a{};
  for (const char* bad : {"", "AB:89:67:45:23", "AB-89-67-45-23-01", "AB:89:67:45:23:0G",
                          "AB:89:67:45:23:011"})
    EXPECT_FALSE(ParseBtAddressText(bad, a)) << bad;
}

// The two steps against the virtual device in the same process, on a test clock that writes
// down every pause, with the registry in a temporary configuration folder.
class BtAddressDeviceTest : public ::testing::Test {
protected:
  std::string Stored() {
    std::string text;
    Tool tool;
    if (!tool.ReadRegString(HKEY_CURRENT_USER, "T410BTMacAddress", text)) return "<none>";
    return text;
  }
  void Store(const std::string& text) {
    Tool tool;
    ASSERT_TRUE(tool.WriteRegString(HKEY_CURRENT_USER, "T410BTMacAddress", text));
  }
  // Address writes the device received.
  static int Writes(vdev::InProcessDevice& device) {
    int n = 0;
    for (const auto& s : device.ReceivedSentences()) n += s.rfind("$PMTK392", 0) == 0;
    return n;
  }
  static bool Received(vdev::InProcessDevice& device, const std::string& prefix) {
    for (const auto& s : device.ReceivedSentences())
      if (s.rfind(prefix, 0) == 0) return true;
    return false;
  }
  // A device with these options and a line open to it.
  std::unique_ptr<Link> Line(std::unique_ptr<vdev::InProcessDevice>& device, const vdev::DeviceOptions& o) {
    device = std::make_unique<vdev::InProcessDevice>(o, clock);
    PortError error;
    auto link = device->Open(device->Path(), 115200, error);
    EXPECT_NE(link, nullptr) << error.message;
    return link;
  }
  static vdev::DeviceOptions Address(std::array<std::uint8_t, 6> address) {
    vdev::DeviceOptions o;
    o.btAddress = address;
    return o;
  }
  long Since(LinkClock::TimePoint from) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - from).count());
  }

  test::TempDir config;
  test::ScopedEnv configHome{"XDG_CONFIG_HOME", config.path().string()};
  test::ScratchCurrentUser registry;  // Windows: the registry, in a key of the test's own
  test::PauseClock clock;
  BtAddressKeeper keeper;
};

TEST_F(BtAddressDeviceTest, AddressSurvivesAFlashThatWipedIt) {
  std::unique_ptr<vdev::InProcessDevice> before;
  {
    auto line = Line(before, Address({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
    keeper.SaveBtAddress(*line);
    EXPECT_EQ(keeper.Address(), (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
    EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
  }
  // A freshly flashed unit answers FF:FF:FF:FF:FF:FF: the stored address is taken instead and
  // written back into the device.
  std::unique_ptr<vdev::InProcessDevice> after;
  auto line = Line(after, Address({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  BtAddressKeeper fresh;
  fresh.SaveBtAddress(*line);
  EXPECT_EQ(fresh.Address(), (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
  EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
  clock.ClearPauses();
  fresh.RestoreBtAddress(*line);
  EXPECT_EQ(fresh.LastWrittenSentence(), Framed("PMTK392,012345,6789AB"));
  // The pause before the write, then the settle time after the acknowledgement.
  EXPECT_EQ(clock.Pauses(), (std::vector<long>{2000, 1000}));
  EXPECT_TRUE(Received(*after, "$PMTK392,012345,6789AB*"));

  // The device now reports the restored address.
  BtAddressKeeper check;
  check.SaveBtAddress(*line);
  EXPECT_EQ(check.Address(), (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
}

TEST_F(BtAddressDeviceTest, SilentDeviceReusesTheStoredAddressOrNone) {
  vdev::DeviceOptions silent;
  silent.faults.silent = true;
  std::unique_ptr<vdev::InProcessDevice> device;
  auto line = Line(device, silent);

  Store("11:22:33:44:55:66");
  // The reply is awaited for 100 reads 38 ms apart.
  auto start = clock.Now();
  const AddressSave save = keeper.SaveBtAddress(*line);
  EXPECT_EQ(Since(start), 100 * 38);
  EXPECT_FALSE(save.deviceAnswered);
  EXPECT_EQ(save.source, AddressSource::Store);
  EXPECT_EQ(keeper.Address(), (BtAddress{0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
  EXPECT_EQ(Stored(), "11:22:33:44:55:66");
  // No acknowledgement: after the 2000 ms pause it waits 100 x 100 ms and goes on.
  clock.ClearPauses();
  start = clock.Now();
  keeper.RestoreBtAddress(*line);
  EXPECT_EQ(keeper.LastWrittenSentence(), Framed("PMTK392,665544,332211"));
  EXPECT_EQ(clock.Pauses(), (std::vector<long>{2000}));
  EXPECT_EQ(Since(start), 2000 + 100 * 100);

  // Nothing stored (or something that is no address): FF:FF:FF:FF:FF:FF is stored as "none",
  // and the restore step writes nothing: an address nobody read is never written back.
  for (const char* none : {"not an address", "FF:FF:FF:FF:FF:FF", "00:00:00:00:00:00"}) {
    SCOPED_TRACE(none);
    Store(none);
    const AddressSave save = keeper.SaveBtAddress(*line);
    EXPECT_EQ(save.source, AddressSource::None);
    EXPECT_EQ(RiskOf(save), AddressRisk::NoAddress);
    EXPECT_FALSE(keeper.HasAddress());
    EXPECT_EQ(Stored(), "FF:FF:FF:FF:FF:FF");
    const int writes = Writes(*device);
    EXPECT_FALSE(keeper.RestoreBtAddress(*line));
    EXPECT_EQ(Writes(*device), writes);
  }
}

TEST_F(BtAddressDeviceTest, NoAddressRepliesNeverReplaceAGoodStoredOne) {
  // A unit that lost its address answers all FF or all 00: the stored address is taken, and
  // the store keeps it.
  for (const BtAddress none : {BtAddress{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, BtAddress{}}) {
    std::unique_ptr<vdev::InProcessDevice> device;
    auto line = Line(device, Address(none));
    Store("AB:89:67:45:23:01");
    BtAddressKeeper fresh;
    const AddressSave save = fresh.SaveBtAddress(*line);
    EXPECT_TRUE(save.deviceAnswered);
    EXPECT_EQ(save.source, AddressSource::Store);
    EXPECT_EQ(RiskOf(save), AddressRisk::None);
    EXPECT_EQ(fresh.Address(), (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
    EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
    EXPECT_TRUE(fresh.RestoreBtAddress(*line));
    EXPECT_TRUE(Received(*device, "$PMTK392,012345,6789AB*"));
  }
  // Without a line (the port could not be opened) the stored address is the one to write back;
  // with nothing stored there is none.
  BtAddressKeeper blind;
  EXPECT_EQ(RiskOf(blind.SaveWithoutLine()), AddressRisk::None);
  EXPECT_TRUE(blind.HasAddress());
  ASSERT_TRUE(Tool().WriteRegString(HKEY_CURRENT_USER, "T410BTMacAddress", "FF:FF:FF:FF:FF:FF"));
  const AddressSave none = blind.SaveWithoutLine();
  EXPECT_FALSE(none.lineOpened);
  EXPECT_EQ(RiskOf(none), AddressRisk::NoAddress);
  EXPECT_FALSE(blind.HasAddress());
}

TEST_F(BtAddressDeviceTest, StoreThatCannotBeReadOrWrittenIsReported) {
#ifdef _WIN32
  GTEST_SKIP() << "the store is the registry on Windows, not a file that can be broken";
#endif
  const fs::path folder = config / "divuzovuzov";
  const auto damaged = [&] {
    fs::create_directories(folder);
    test::WriteFileBytes(folder / "registry.txt", "not the settings of this program\n");
  };
  const auto aFolder = [&] { fs::create_directories(folder / "registry.txt"); };
  const auto aFileInPlaceOfTheFolder = [&] { test::WriteFileBytes(folder, "x"); };
  const std::vector<std::pair<const char*, std::function<void()>>> faults = {
      {"damaged", damaged}, {"a folder", aFolder}, {"folder is a file", aFileInPlaceOfTheFolder}};
  for (const auto& [what, breakIt] : faults) {
    SCOPED_TRACE(what);
    fs::remove_all(folder);
    breakIt();
    std::unique_ptr<vdev::InProcessDevice> device;
    auto line = Line(device, Address({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
    BtAddressKeeper fresh;
    const AddressSave save = fresh.SaveBtAddress(*line);
    // Read from the device and kept for this update, but not in the store.
    EXPECT_EQ(save.source, AddressSource::Device);
    EXPECT_FALSE(save.inStore);
    EXPECT_FALSE(save.storeProblem.empty());
    EXPECT_EQ(RiskOf(save), AddressRisk::NotStored);
    EXPECT_TRUE(fresh.RestoreBtAddress(*line));
    // A silent unit and a store that cannot be read: no address at all.
    vdev::DeviceOptions silent;
    silent.faults.silent = true;
    line.reset();
    line = Line(device, silent);
    const AddressSave lost = fresh.SaveBtAddress(*line);
    EXPECT_EQ(RiskOf(lost), AddressRisk::NoAddress);
  }
  fs::remove_all(folder);
}

TEST_F(BtAddressDeviceTest, ReplyArrivingInTwoPiecesIsTaken) {
  vdev::DeviceOptions o = Address({0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F});
  o.faults.splitReplies = true;
  o.faults.noise = true;
  std::unique_ptr<vdev::InProcessDevice> device;
  auto line = Line(device, o);
  keeper.SaveBtAddress(*line);
  EXPECT_EQ(keeper.Address(), (BtAddress{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
}

TEST_F(BtAddressDeviceTest, CancelEndsTheWaitForTheReplyAndTheStoredAddressIsUsed) {
  vdev::DeviceOptions silent;
  silent.faults.silent = true;
  std::unique_ptr<vdev::InProcessDevice> device;
  auto line = Line(device, silent);
  Store("11:22:33:44:55:66");
  CancelToken cancel;
  cancel.Cancel();
  const auto start = clock.Now();
  keeper.SaveBtAddress(*line, &cancel);
  EXPECT_LT(Since(start), 100 * 38);
  EXPECT_EQ(keeper.Address(), (BtAddress{0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
}

} // namespace
} // namespace divuzo
