#include "FifoProbe.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <future>

namespace divuzo::test {

#ifdef _WIN32
bool MakeFifo(const std::filesystem::path&) { return false; }
#else
bool MakeFifo(const std::filesystem::path& file) { return ::mkfifo(file.c_str(), 0600) == 0; }
#endif

bool ReturnsWithoutWriter([[maybe_unused]] const std::filesystem::path& fifo, const std::function<void()>& call) {
  auto done = std::async(std::launch::async, call);
  if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
    done.get();
    return true;
  }
#ifndef _WIN32
  // The reader holds the FIFO open (or waits in its open), so this open finds it at once.
  const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  if (writer >= 0) ::close(writer);
#endif
  done.get();
  return false;
}

} // namespace divuzo::test
