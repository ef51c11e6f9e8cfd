#pragma once
// Starts divuzo-vdev on a fresh pseudo-terminal for one test and stops it at scope end.
#include <string>
#include <vector>

namespace divuzo::test {

class VdevProcess {
public:
  // Runs divuzo-vdev with `args`; Path() is empty when it did not come up.
  explicit VdevProcess(const std::vector<std::string>& args);
  ~VdevProcess();
  VdevProcess(const VdevProcess&) = delete;
  VdevProcess& operator=(const VdevProcess&) = delete;

  const std::string& Path() const { return path_; }
  // Stops the device (SIGTERM) and waits for it; returns its exit status (-1 if killed).
  int Stop();

private:
  int pid_ = -1;
  std::string path_;
};

} // namespace divuzo::test
