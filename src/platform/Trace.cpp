#include "platform/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace divuzo {

namespace {
std::mutex& TraceMutex() {
  static std::mutex m;
  return m;
}
} // namespace

bool TraceEnabled() {
  static const bool enabled = std::getenv("DIVUZO_TRACE") != nullptr;
  return enabled;
}

void Trace(std::string_view line) {
  if (!TraceEnabled()) return;
  std::lock_guard<std::mutex> lock(TraceMutex());
  std::fwrite(line.data(), 1, line.size(), stderr);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stderr);
}

void TraceF(const char* format, ...) {
  if (!TraceEnabled()) return;
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Trace(buffer);
}

void TraceBytes(std::string_view direction, const void* data, std::size_t size) {
  if (!TraceEnabled()) return;
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::string hex, text;
  for (std::size_t i = 0; i < size; ++i) {
    char h[4];
    std::snprintf(h, sizeof h, "%02X ", bytes[i]);
    hex += h;
    text += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? static_cast<char>(bytes[i]) : '.';
  }
  Trace(std::string(direction) + " " + hex + "| " + text);
}

} // namespace divuzo
