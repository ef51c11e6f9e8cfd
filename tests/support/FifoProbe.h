#pragma once
// Checking that a reader never waits on a FIFO that nobody writes to.
#include <filesystem>
#include <functional>

namespace divuzo::test {

// Whether a FIFO can sit in the file system under a name at all: not on Windows, where pipes
// live apart from files (its tests check a pipe under \\.\pipe\ instead).
#ifdef _WIN32
inline constexpr bool kFileSystemHasFifos = false;
#else
inline constexpr bool kFileSystemHasFifos = true;
#endif

// Makes a FIFO at `file`; false when the file system cannot hold one.
bool MakeFifo(const std::filesystem::path& file);

// Runs `call` on a thread and tells whether it returned within a few seconds while nobody
// writes to `fifo`. When it did not, a writer opens and closes the FIFO so that the call can end
// (a reader stalled in its open or its read then meets the end of the file), and the answer is
// false.
bool ReturnsWithoutWriter(const std::filesystem::path& fifo, const std::function<void()>& call);

} // namespace divuzo::test
