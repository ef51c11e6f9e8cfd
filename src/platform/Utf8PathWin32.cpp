#include "platform/Utf8Path.h"

#include "platform/Win32Util.h"

namespace divuzo {

// Through the system's own UTF-8 conversion rather than path(std::u8string), which throws on
// bytes that are not UTF-8.
std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(WideFromUtf8(text));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  return Utf8FromWide(path.native());
}

}  // namespace divuzo
