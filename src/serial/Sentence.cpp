#include "serial/Sentence.h"

#include "platform/HexDigit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace divuzo {

std::uint8_t SentenceChecksum(std::string_view body) {
  std::uint8_t sum = 0;
  for (char c : body) sum ^= static_cast<std::uint8_t>(c);
  return sum;
}

std::string ChecksumText(std::uint8_t sum) {
  auto digit = [](unsigned v) { return static_cast<char>(v < 10 ? '0' + v : 'A' + (v - 10)); };
  return {digit(sum >> 4), digit(sum & 0x0F)};
}

std::string FrameSentence(std::string_view body) {
  std::string line;
  line.reserve(body.size() + 6);
  line += '$';
  line += body;
  line += '*';
  line += ChecksumText(SentenceChecksum(body));
  line += "\r\n";
  return line;
}

namespace {

struct PlmQuery {
  int code;
  const char* body;
  const char* reply;
  int kind;
};

constexpr PlmQuery kPlmQueries[] = {
    {810, "PPLM810", "$PPLM852", 1},
    {829, "PPLM829", "$PPLM861", 2},
    {832, "PPLM832", "$PPLM865", 3},
    {837, "PPLM837", "$PPLM900", 4},
};

const PlmQuery* FindQuery(int code) {
  for (const auto& q : kPlmQueries)
    if (q.code == code) return &q;
  return nullptr;
}

std::string Format(const char* format, long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

} // namespace

std::string PlmQueryLine(int code) {
  const PlmQuery* q = FindQuery(code);
  return q ? FrameSentence(q->body) : std::string();
}

std::string PlmReplyPrefix(int code) {
  const PlmQuery* q = FindQuery(code);
  return q ? q->reply : "";
}

int PlmReplyKind(int code) {
  const PlmQuery* q = FindQuery(code);
  return q ? q->kind : 0;
}

std::string RadedCommandLine(int number) { return FrameSentence("RADED410," + std::to_string(number)); }

std::string RadedAckPrefix(int number) { return "$RADED001," + std::to_string(number); }

std::string LogCommandLine(int type, long a, long b) {
  std::string body = type == 400 ? std::string("PMTK400") : "PMTK182," + std::to_string(type);
  bool aHex = false;
  bool bHex = false;
  if (type == 1 && (a == 1 || a == 2)) bHex = true;
  if (type == 3 && (a == 2 || (a >= 8 && a <= 11))) bHex = true;
  if (type == 6 && a == 2) bHex = true;
  if (type == 7 || type == 8 || type == 12) aHex = bHex = true;
  const bool alwaysBoth = type == 7 || type == 12;
  if (a != 0 || alwaysBoth) body += Format(aHex ? ",%lX" : ",%ld", a);
  if (b != 0 || alwaysBoth || (type == 6 && a == 2)) body += Format(bHex ? ",%lX" : ",%ld", b);
  return FrameSentence(body);
}

std::string LogReplyPrefix(int type) { return type == 2 || type == 7 ? "$PMTK182" : "$PMTK001"; }

const char* FindPrefix(const char* text, std::string_view prefix, std::size_t limit) {
  if (!text || prefix.empty() || prefix.size() > limit) return nullptr;
  const std::size_t length = strnlen(text, limit);
  for (std::size_t i = 0; i + prefix.size() <= length; ++i) {
    if (text[i] == '$' && std::string_view(text + i, prefix.size()) == prefix) return text + i;
  }
  return nullptr;
}

char* FindPrefix(char* text, std::string_view prefix, std::size_t limit) {
  return const_cast<char*>(FindPrefix(static_cast<const char*>(text), prefix, limit));
}

char* FindLogReply(char* text, std::size_t limit) { return FindPrefix(text, "$PMTK182", limit); }

char* FindRadedAck(char* text, std::size_t limit) { return FindPrefix(text, "$RADED001", limit); }

char* FindPlmReply(char* text, int kind, std::size_t limit) {
  static constexpr const char* kPrefixes[] = {"$PPLM", "$PPLM852", "$PPLM861", "$PPLM865", "$PPLM900"};
  if (kind < 0 || kind > 4) return nullptr;
  return FindPrefix(text, kPrefixes[kind], limit);
}

char* ReplyField(char* reply, std::size_t skip, std::size_t length) {
  if (!reply) return nullptr;
  const std::size_t available = std::strlen(reply);
  if (skip >= available) return reply + available;
  char* field = reply + skip;
  if (available - skip > length) field[length] = '\0';
  return field;
}

unsigned long ParseHex(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  unsigned long value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) break;
    value = (value << 4) | static_cast<unsigned>(digit);
  }
  return value;
}

bool IsCompleteReply(const char* reply, std::size_t length) {
  if (!reply) return false;
  const std::size_t n = strnlen(reply, length);
  const void* star = std::memchr(reply, '*', n);
  if (!star) return false;
  const char* s = static_cast<const char*>(star);
  // The star, two checksum characters, CR, LF: all must be there (the text is NUL-terminated,
  // so reading stops at its end).
  if (s[1] == '\0' || s[2] == '\0') return false;
  return s[3] == '\r' && s[4] == '\n';
}

long LogSettingValue(const char* reply, bool hexadecimal) {
  if (!reply) return 0;
  const char* found = std::strstr(reply, "$PMTK182");
  if (!found) return 0;
  if (strnlen(found, 13) < 13) return 0;
  std::string field(found + 13, strnlen(found + 13, 10));
  if (!field.empty() && field[0] == ',') field.erase(0, 1);
  const auto star = field.find('*');
  if (star != std::string::npos) field.resize(star);
  return hexadecimal ? static_cast<long>(ParseHex(field)) : std::atol(field.c_str());
}

} // namespace divuzo
