#include "TrackTestSupport.h"

#include <cstring>

namespace divuzo::test {

std::string PackRecord(const PlainPoint& point) {
  unsigned char bytes[16];
  std::uint32_t u;
  std::memcpy(&u, &point.time, 4);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(u >> (8 * i));
  std::memcpy(&u, &point.latitude, 4);
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(u >> (8 * i));
  std::memcpy(&u, &point.longitude, 4);
  for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<unsigned char>(u >> (8 * i));
  std::memcpy(&u, &point.height, 4);
  for (int i = 1; i < 4; ++i) bytes[11 + i] = static_cast<unsigned char>(u >> (8 * i));
  unsigned char sum = 0;
  for (int i = 0; i < 15; ++i) sum ^= bytes[i];
  bytes[15] = sum;
  return std::string(reinterpret_cast<const char*>(bytes), 16);
}

float StoredHeight(float height) {
  std::uint32_t u;
  std::memcpy(&u, &height, 4);
  u &= 0xFFFFFF00u;
  float result;
  std::memcpy(&result, &u, 4);
  return result;
}

std::string RunCapture(const std::string& command, int* status) {
  CommandOutput result = RunShell(command);
  if (status) *status = result.exitCode;
  return std::move(result.out);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> SplitCsv(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == ',' && !quoted) fields.emplace_back();
    else fields.back() += c;
  }
  return fields;
}

} // namespace divuzo::test
