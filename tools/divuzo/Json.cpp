#include "Json.h"

#include <cstdio>

namespace divuzo::cli {

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s`, 0 when it is not one.
std::size_t Utf8Length(std::string_view s) {
  const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    const char c = text.front();
    const std::size_t length = Utf8Length(text);
    if (length == 0) {
      out += "\uFFFD";
      text.remove_prefix(1);
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out.append(text.substr(0, length));
        }
    }
    text.remove_prefix(length);
  }
  return out + "\"";
}

JsonObject& JsonObject::Raw(std::string_view key, std::string_view json) {
  if (body_.size() > 1) body_ += ",";
  body_ += JsonString(key);
  body_ += ":";
  body_.append(json);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view text) {
  return Raw(key, JsonString(text));
}

JsonObject& JsonObject::Add(std::string_view key, std::int64_t number) {
  return Raw(key, std::to_string(number));
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  return Raw(key, value ? "true" : "false");
}

}  // namespace divuzo::cli
