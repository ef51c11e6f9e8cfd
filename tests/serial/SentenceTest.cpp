// Framing, command lines, reply scanners and field cutters, checked against sentences worked
// out by hand (checksums computed independently of the code under test).
#include "serial/DeviceIdentity.h"
#include "serial/DeviceKind.h"
#include "serial/Sentence.h"
#include "update/BromChip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace divuzo {
namespace {

TEST(SentenceFraming, ChecksumDigitsAreUpperCaseWithLeadingZero) {
  EXPECT_EQ(ChecksumText(0x3F), "3F");
  EXPECT_EQ(ChecksumText(0x0A), "0A");
  EXPECT_EQ(ChecksumText(0x00), "00");
  EXPECT_EQ(ChecksumText(0xFF), "FF");
  // "PMTK182,14,38400" exclusive-ors to 0x03: the leading zero must be written.
  EXPECT_EQ(FrameSentence("PMTK182,14,38400"), "$PMTK182,14,38400*03\r\n");
  EXPECT_EQ(FrameSentence("PMTK492"), "$PMTK492*3D\r\n");
}

TEST(SentenceFraming, FixedQueriesAndTheirReplies) {
  EXPECT_EQ(PlmQueryLine(810), "$PPLM810*38\r\n");
  EXPECT_EQ(PlmQueryLine(829), "$PPLM829*32\r\n");
  EXPECT_EQ(PlmQueryLine(832), "$PPLM832*38\r\n");
  EXPECT_EQ(PlmQueryLine(837), "$PPLM837*3D\r\n");
  EXPECT_EQ(PlmQueryLine(811), "");
  EXPECT_EQ(PlmReplyPrefix(810), "$PPLM852");
  EXPECT_EQ(PlmReplyPrefix(829), "$PPLM861");
  EXPECT_EQ(PlmReplyPrefix(832), "$PPLM865");
  EXPECT_EQ(PlmReplyPrefix(837), "$PPLM900");
}

TEST(SentenceFraming, NumberedMakerCommand) {
  EXPECT_EQ(RadedCommandLine(1), "$RADED410,1*7E\r\n");
  EXPECT_EQ(RadedCommandLine(2), "$RADED410,2*7D\r\n");
  EXPECT_EQ(RadedCommandLine(3), "$RADED410,3*7C\r\n");
  EXPECT_EQ(RadedCommandLine(7), "$RADED410,7*78\r\n");
  EXPECT_EQ(RadedAckPrefix(3), "$RADED001,3");
}

TEST(SentenceFraming, LoggerCommandFieldRules) {
  EXPECT_EQ(LogCommandLine(7, 0x1F000, 0x400), "$PMTK182,7,1F000,400*51\r\n");
  EXPECT_EQ(LogCommandLine(1, 3, 50), "$PMTK182,1,3,50*12\r\n");
  EXPECT_EQ(LogCommandLine(6, 1, 0), "$PMTK182,6,1*3E\r\n");
  EXPECT_EQ(LogCommandLine(2, 3, 0), "$PMTK182,2,3*38\r\n");
  EXPECT_EQ(LogCommandLine(400, 0, 0), "$PMTK400*36\r\n");
  EXPECT_EQ(LogCommandLine(14, 38400, 0), "$PMTK182,14,38400*03\r\n");
  // Hexadecimal second field for the parameters 1 and 2, decimal otherwise.
  EXPECT_EQ(LogCommandLine(1, 2, 255).substr(0, 16), "$PMTK182,1,2,FF*");
  EXPECT_EQ(LogCommandLine(1, 4, 255).substr(0, 17), "$PMTK182,1,4,255*");
  // Zero fields kept where the command needs them.
  EXPECT_EQ(LogCommandLine(7, 0, 0).substr(0, 14), "$PMTK182,7,0,0");
  EXPECT_EQ(LogCommandLine(12, 0, 0).substr(0, 15), "$PMTK182,12,0,0");
  EXPECT_EQ(LogCommandLine(6, 2, 0).substr(0, 14), "$PMTK182,6,2,0");
  EXPECT_EQ(LogCommandLine(8, 0x10, 0).substr(0, 12), "$PMTK182,8,1");
  EXPECT_EQ(LogCommandLine(3, 0, 0).substr(0, 11), "$PMTK182,3*");
  EXPECT_EQ(LogReplyPrefix(2), "$PMTK182");
  EXPECT_EQ(LogReplyPrefix(7), "$PMTK182");
  EXPECT_EQ(LogReplyPrefix(1), "$PMTK001");
  EXPECT_EQ(LogReplyPrefix(400), "$PMTK001");
}

TEST(ReplyScanners, FindTheWantedSentenceWithinTheLimit) {
  char text[] = "xx$GPGGA,1*00\r\n$PPLM852,ZID310*77\r\n$RADED001,3,123*00\r\n";
  EXPECT_STREQ(FindPlmReply(text, 1), "$PPLM852,ZID310*77\r\n$RADED001,3,123*00\r\n");
  EXPECT_EQ(FindPlmReply(text, 0), FindPlmReply(text, 1));
  EXPECT_EQ(FindPlmReply(text, 2), nullptr);
  EXPECT_EQ(FindPlmReply(text, 5), nullptr);
  EXPECT_EQ(FindRadedAck(text), text + 35);
  EXPECT_EQ(FindLogReply(text), nullptr);
  // A prefix that does not end inside the limit is not seen.
  EXPECT_EQ(FindRadedAck(text, 40), nullptr);
  EXPECT_EQ(FindRadedAck(text, 44), text + 35);
  EXPECT_EQ(FindPlmReply(nullptr, 1), nullptr);
}

TEST(ReplyScanners, ReplyAfterEightyCharactersIsOutsideTheDefaultLimit) {
  std::string text(80, 'z');
  text += "$PPLM852,ZID310*77\r\n";
  EXPECT_EQ(FindPlmReply(text.data(), 1), nullptr);
  EXPECT_NE(FindPlmReply(text.data(), 1, text.size()), nullptr);
}

TEST(ReplyScanners, ReplyFieldCutsFixedWidthInPlace) {
  char reply[] = "$PPLM861,205*22\r\n";
  char* field = ReplyField(reply, 9, 3);
  EXPECT_STREQ(field, "205");
  EXPECT_EQ(reply[12], '\0');
  char shortReply[] = "$RADED001,3,1";
  EXPECT_STREQ(ReplyField(shortReply, 12, 3), "1");
  char tiny[] = "$RA";
  EXPECT_STREQ(ReplyField(tiny, 12, 3), "");
  EXPECT_EQ(ReplyField(nullptr, 9, 3), nullptr);
}

TEST(ReplyScanners, ParseHexRules) {
  EXPECT_EQ(ParseHex("1F000"), 0x1F000u);
  EXPECT_EQ(ParseHex("0x1f"), 0x1Fu);
  EXPECT_EQ(ParseHex("0XAb*12"), 0xABu);
  EXPECT_EQ(ParseHex(""), 0u);
  EXPECT_EQ(ParseHex("G12"), 0u);
  EXPECT_EQ(ParseHex("12G4"), 0x12u);
}

TEST(ReplyScanners, CompleteReplyNeedsCrLfAfterTheChecksum) {
  EXPECT_TRUE(IsCompleteReply("$PPLM852,ZID310*77\r\n", 256));
  EXPECT_TRUE(IsCompleteReply("$PPLM852,ZID310*zz\r\n", 256));  // digits not verified
  EXPECT_FALSE(IsCompleteReply("$PPLM852,ZID310*77", 256));
  EXPECT_FALSE(IsCompleteReply("$PPLM852,ZID310*7", 256));
  EXPECT_FALSE(IsCompleteReply("$PPLM852,ZID310", 256));
  EXPECT_FALSE(IsCompleteReply("$PPLM852,ZID310*77\n\r", 256));
  // The star must lie within the length.
  EXPECT_FALSE(IsCompleteReply("$PPLM852,ZID310*77\r\n", 10));
  EXPECT_FALSE(IsCompleteReply(nullptr, 256));
}

TEST(ReplyScanners, LoggerSettingValue) {
  EXPECT_EQ(LogSettingValue("$PMTK182,3,6,1234*2A\r\n", false), 1234);
  EXPECT_EQ(LogSettingValue("$PMTK182,3,2,1F*2A\r\n", true), 0x1F);
  // A two-digit parameter number: the comma after it is stepped over.
  EXPECT_EQ(LogSettingValue("$PMTK182,3,10,77*2A\r\n", false), 77);
  EXPECT_EQ(LogSettingValue("junk$PMTK182,3,6,5*2A\r\n", false), 5);
  EXPECT_EQ(LogSettingValue("$PMTK001,182,1,3*2A\r\n", false), 0);
  EXPECT_EQ(LogSettingValue(nullptr, false), 0);
}

TEST(DeviceKinds, ModelRepliesAndShownNames) {
  struct Case {
    const char* reply;
    int kind;
    const char* name;
  } cases[] = {
      {"$PPLM852,TR550*00\r\n", 4, "ZID300"},   {"$PPLM852,TR470*00\r\n", 4, "ZID300"},
      {"$PPLM852,T2200*00\r\n", 5, "T-2000C"},  {"$PPLM852,T2000C*00\r\n", 6, "T-2000C"},
      {"$PPLM852,TR410*00\r\n", 3, "T-410"},    {"$PPLM852,TR4109*00\r\n", 3, "T-410"},
      {"$PPLM852,ZID310*00\r\n", 7, "ZID310"},  {"$PPLM852,KTRTONIC*00\r\n", 8, "ZID-Tonic1"},
      {"$PPLM852,XYZ*00\r\n", 0, " "},          {"$PPLM852,T200*00\r\n", 0, " "},
      {"$PPLM861,ZID310*00\r\n", 0, " "},       {"ZID310", 0, " "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KindNumber(DeviceKindFromModelReply(c.reply)), c.kind) << c.reply;
    EXPECT_STREQ(DeviceKindName(KindFromNumber(c.kind)), c.name) << c.reply;
  }
  EXPECT_STREQ(DeviceKindName(DeviceKind::TR390), "TR-390");
  EXPECT_STREQ(DeviceKindName(DeviceKind::TR400), "TR-400");
  EXPECT_EQ(KindFromNumber(9), DeviceKind::None);
  EXPECT_EQ(KindFromNumber(-1), DeviceKind::None);
  EXPECT_EQ(DeviceKindFromModelReply(nullptr), DeviceKind::None);
}

TEST(DeviceKinds, WhatFollowsFromAKind) {
  // Kind by kind: the family answered, the boot option of the download, and whether an
  // update keeps the Bluetooth address (every kind but 4).
  struct Want {
    int kind;
    DeviceFamily family;
    std::uint32_t bootOption;
    bool keepsAddress;
  } table[] = {{0, DeviceFamily::None, 0, true},       {1, DeviceFamily::None, 0, true},
               {2, DeviceFamily::None, 0, true},       {3, DeviceFamily::Logger, 1, true},
               {4, DeviceFamily::FixedQuery, 1, false}, {5, DeviceFamily::FixedQuery, 6, true},
               {6, DeviceFamily::FixedQuery, 6, true},  {7, DeviceFamily::FixedQuery, 0, true},
               {8, DeviceFamily::FixedQuery, 0, true}};
  for (const Want& w : table) {
    const DeviceKindInfo& info = KindInfo(KindFromNumber(w.kind));
    EXPECT_EQ(KindNumber(info.kind), w.kind);
    EXPECT_EQ(info.family, w.family) << w.kind;
    EXPECT_EQ(BootOptionForKind(info.kind), w.bootOption) << w.kind;
    EXPECT_EQ(info.keepsBtAddress, w.keepsAddress) << w.kind;
  }
  // A forced update assumes kind 4 with the fixed identity.
  const IdentifiedDevice forced = ForcedIdentity();
  EXPECT_EQ(forced.kind, DeviceKind::ZID300);
  EXPECT_EQ(forced.modelName, "KRB-1");
  EXPECT_EQ(forced.firmwareDigits, "V0.00");
  EXPECT_EQ(forced.hardwareText, "V01");
  EXPECT_TRUE(forced.forced);
}

TEST(DeviceKinds, VersionTexts) {
  EXPECT_EQ(FirmwareVersionText("123"), "V1.23");
  EXPECT_EQ(FirmwareVersionText("205"), "V2.05");
  EXPECT_EQ(FirmwareVersionText("007"), "V0.07");
  EXPECT_EQ(FirmwareVersionText("1x3"), "V0.01");
  EXPECT_EQ(HardwareVersionText("C12", true), "V01");
  EXPECT_EQ(HardwareVersionText("C12", false), "VC1");
  EXPECT_EQ(HardwareVersionText("010", false), "V01");
  EXPECT_EQ(HardwareVersionText("2", false), "V");
  EXPECT_EQ(HardwareVersionText("", true), "V");
}

} // namespace
} // namespace divuzo
