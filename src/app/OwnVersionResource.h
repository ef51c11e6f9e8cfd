#pragma once
// The program's own version resource, made by the build (tools/verres) from the project version.
// It is stored in the ELF section ".divuzo.version" so that it can be found in the executable file too.
#include <cstddef>

namespace divuzo {

inline constexpr const char* kVersionSectionName = ".divuzo.version";

extern const unsigned char kOwnVersionResource[];
extern const std::size_t kOwnVersionResourceSize;

} // namespace divuzo
