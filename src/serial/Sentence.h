#pragma once
// Framing of the device's text sentences: "$" body "*" two upper-case hex digits CR LF,
// the checksum being the exclusive-or of the body. Builders for the three command families
// and the scanners and field cutters used on replies. Pure functions, no I/O.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace divuzo {

// Exclusive-or of the body (the bytes between "$" and "*", neither included).
std::uint8_t SentenceChecksum(std::string_view body);
// "3F" for 0x3F: two upper-case digits, high nibble first.
std::string ChecksumText(std::uint8_t sum);
// "$" + body + "*" + checksum + CR LF. `body` is given without "$".
std::string FrameSentence(std::string_view body);

// The maker's fixed queries (810, 829, 832, 837) with their checksum and CR LF; empty for
// other codes. The expected reply prefix is "$PPLM852", "$PPLM861", "$PPLM865", "$PPLM900".
std::string PlmQueryLine(int code);
std::string PlmReplyPrefix(int code);
// The scanner kind FindPlmReply uses for a query code (810 -> 1 ... 837 -> 4); 0 otherwise.
int PlmReplyKind(int code);

// The numbered maker command "$RADED410,n*CS\r\n" and its acknowledgement head "$RADED001,n".
std::string RadedCommandLine(int number);
std::string RadedAckPrefix(int number);

// The logger command line for (type, a, b) with the field rules of the logger command set:
// "$PMTK400" for type 400, else "$PMTK182,type" plus a and b in decimal or hexadecimal.
std::string LogCommandLine(int type, long a, long b);
// "$PMTK182" for types 2 and 7, "$PMTK001" otherwise.
std::string LogReplyPrefix(int type);

// Reply scanners over a NUL-terminated text: the position of the first "$" that starts the
// wanted prefix within the first `limit` characters, or nullptr. The prefix must fit inside
// the limit. FindPlmReply kinds: 0 any "$PPLM", 1 "$PPLM852", 2 "$PPLM861", 3 "$PPLM865",
// 4 "$PPLM900".
inline constexpr std::size_t kScanLimit = 80;
char* FindPrefix(char* text, std::string_view prefix, std::size_t limit = kScanLimit);
char* FindLogReply(char* text, std::size_t limit = kScanLimit);
char* FindRadedAck(char* text, std::size_t limit = kScanLimit);
char* FindPlmReply(char* text, int kind, std::size_t limit = kScanLimit);

// Steps over `skip` characters of a found reply, ends the text after the next `length`
// characters (writing a NUL there, unless the text ends sooner) and returns the position
// after the skip. nullptr in, nullptr out; a reply shorter than `skip` gives "".
char* ReplyField(char* reply, std::size_t skip, std::size_t length);

// Hexadecimal text to a number: optional "0x"/"0X", digits in either case, stops at the
// first other character; empty or non-hex text gives 0.
unsigned long ParseHex(std::string_view text);

// True when the first "*" within `length` characters is followed by two characters and
// then CR LF. The checksum digits are not verified.
bool IsCompleteReply(const char* reply, std::size_t length);

// The value field of a "$PMTK182" logger reply: after the 13 characters of sentence id and
// two one-character fields, one leading "," skipped, up to the "*"; decimal or hex.
// 0 when there is no such reply.
long LogSettingValue(const char* reply, bool hexadecimal);

} // namespace divuzo
