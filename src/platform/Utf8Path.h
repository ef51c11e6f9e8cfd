#pragma once
// File names as the core keeps them (UTF-8 text in std::string) to and from
// std::filesystem::path. On Linux a path is bytes and both are the identity. On Windows a path
// is UTF-16, and a path made straight from a narrow string is converted byte by byte through
// the C runtime's locale, which garbles every character outside ASCII; every place where text
// becomes a path, or a path becomes text, goes through here instead.
#include <filesystem>
#include <string>
#include <string_view>

namespace divuzo {

// The path named by UTF-8 `text`. Bytes that are not UTF-8 become U+FFFD on Windows (they cannot
// name a file there); nothing is thrown.
std::filesystem::path PathFromUtf8(std::string_view text);

// `path` as UTF-8 text. On Windows a lone surrogate (possible in a file name, not in UTF-8)
// becomes U+FFFD; nothing is thrown.
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace divuzo
