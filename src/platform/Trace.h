#pragma once
// Trace lines for bug reports: written to standard error when DIVUZO_TRACE is set.
#include <cstddef>
#include <string_view>

namespace divuzo {

bool TraceEnabled();
void Trace(std::string_view line);
// printf-style trace line. MinGW's printf family is the C99 one (%zu), which GCC calls gnu_printf.
#ifdef __MINGW32__
void TraceF(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
void TraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif
// Hex and text dump of bytes crossing the port boundary; `direction` is "<<" or ">>".
void TraceBytes(std::string_view direction, const void* data, std::size_t size);

} // namespace divuzo
