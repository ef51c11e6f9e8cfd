#include "platform/Utf8Path.h"

namespace divuzo {

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::string(text));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  return path.native();
}

}  // namespace divuzo
