// Keeping the Bluetooth address: sentence and registry texts, and the save and restore steps
// against the virtual device over a real pseudo-terminal, with the registry in a temporary
// configuration folder.
#include "TempDir.h"
#include "VdevProcess.h"
#include "app/Tool.h"
#include "serial/Sentence.h"
#include "update/BtAddress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace divuzo {
namespace {

using test::VdevProcess;

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

class BtAddressDeviceTest : public ::testing::Test {
protected:
  void SetUp() override {
    keeper.timing.queryPolls = 10;  // a silent device costs 0.38 s instead of 3.8 s
    keeper.timing.ackPolls = 10;
    keeper.timing.ackPollMs = 20;
    keeper.sleepMs = [this](int ms) { sleeps.push_back(ms); };
  }
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
  static bool Received(const VdevProcess& device, const std::string& prefix) {
    for (const auto& s : device.ReceivedSentences())
      if (s.rfind(prefix, 0) == 0) return true;
    return false;
  }

  test::TempDir config;
  test::ScopedEnv configHome{"XDG_CONFIG_HOME", config.path().string()};
  test::TempDir work;
  BtAddressKeeper keeper;
  std::vector<int> sleeps;
};

TEST_F(BtAddressDeviceTest, AddressSurvivesAFlashThatWipedIt) {
  {
    VdevProcess before({"--bt-address", "01:23:45:67:89:AB"});
    ASSERT_FALSE(before.PortPath().empty());
    keeper.SetPrivatePort(before.PortPath(), 115200);
    keeper.SaveBtAddress();
    EXPECT_EQ(keeper.portUsable.load(), 1);
    EXPECT_EQ(keeper.Address(), (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
    EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
  }
  // A freshly flashed unit answers FF:FF:FF:FF:FF:FF: the stored address is taken instead and
  // written back into the device.
  VdevProcess after({"--bt-address", "FF:FF:FF:FF:FF:FF"});
  ASSERT_FALSE(after.PortPath().empty());
  BtAddressKeeper fresh;
  fresh.sleepMs = [this](int ms) { sleeps.push_back(ms); };
  fresh.SetPrivatePort(after.PortPath(), 115200);
  fresh.SaveBtAddress();
  EXPECT_EQ(fresh.Address(), (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
  EXPECT_EQ(Stored(), "AB:89:67:45:23:01");
  fresh.RestoreBtAddress();
  EXPECT_EQ(fresh.LastWrittenSentence(), Framed("PMTK392,012345,6789AB"));
  // The pause before the write, then the settle time after the acknowledgement.
  EXPECT_EQ(sleeps, (std::vector<int>{2000, 1000}));
  EXPECT_TRUE(Received(after, "$PMTK392,012345,6789AB*"));

  // The device now reports the restored address.
  VdevProcess again({"--bt-address", "01:23:45:67:89:AB"});
  BtAddressKeeper check;
  check.SetPrivatePort(again.PortPath(), 115200);
  check.SaveBtAddress();
  EXPECT_EQ(check.Address(), (BtAddress{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}));
}

TEST_F(BtAddressDeviceTest, SilentDeviceReusesTheStoredAddressOrNone) {
  VdevProcess device({"--silent"});
  ASSERT_FALSE(device.PortPath().empty());
  keeper.SetPrivatePort(device.PortPath(), 115200);

  Store("11:22:33:44:55:66");
  keeper.SaveBtAddress();
  EXPECT_EQ(keeper.Address(), (BtAddress{0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
  EXPECT_EQ(Stored(), "11:22:33:44:55:66");
  keeper.RestoreBtAddress();  // no acknowledgement: goes on after its wait
  EXPECT_EQ(keeper.LastWrittenSentence(), Framed("PMTK392,665544,332211"));
  EXPECT_EQ(sleeps, (std::vector<int>{2000}));

  // Nothing stored (or something that is no address): FF:FF:FF:FF:FF:FF, stored as such.
  Store("not an address");
  keeper.SaveBtAddress();
  EXPECT_EQ(Stored(), "FF:FF:FF:FF:FF:FF");
  EXPECT_EQ(BtAddressWriteSentence(keeper.Address()), Framed("PMTK392,FFFFFF,FFFFFF"));
}

TEST_F(BtAddressDeviceTest, DeviceWithFFAndNothingStoredKeepsFF) {
  VdevProcess device({"--bt-address", "FF:FF:FF:FF:FF:FF", "--split-replies"});
  ASSERT_FALSE(device.PortPath().empty());
  keeper.SetPrivatePort(device.PortPath(), 115200);
  keeper.SaveBtAddress();
  EXPECT_EQ(Stored(), "FF:FF:FF:FF:FF:FF");
}

TEST_F(BtAddressDeviceTest, ReplyArrivingInTwoPiecesIsTaken) {
  VdevProcess device({"--bt-address", "0A:0B:0C:0D:0E:0F", "--split-replies", "--noise"});
  ASSERT_FALSE(device.PortPath().empty());
  keeper.SetPrivatePort(device.PortPath(), 115200);
  keeper.SaveBtAddress();
  EXPECT_EQ(keeper.Address(), (BtAddress{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
}

TEST_F(BtAddressDeviceTest, PortThatCannotBeOpenedSkipsTheStepsAndLeavesTheRegistry) {
  keeper.SetPrivatePort((work / "no-such-port").string(), 115200);
  keeper.SaveBtAddress();
  EXPECT_EQ(keeper.portUsable.load(), 0);
  EXPECT_EQ(Stored(), "<none>");
  keeper.RestoreBtAddress();
  EXPECT_EQ(keeper.LastWrittenSentence(), "");
  EXPECT_TRUE(sleeps.empty());
}

} // namespace
} // namespace divuzo
