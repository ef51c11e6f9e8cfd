#pragma once
// Extensions of the virtual device register themselves at static initialisation:
//
//   static divuzo::vdev::RegisterVdevExtension reg(std::make_unique<BootRomExtension>());
#include <CLI/CLI.hpp>

#include <memory>
#include <vector>

namespace divuzo::vdev {

class VirtualDevice;

class VdevExtension {
public:
  virtual ~VdevExtension() = default;
  // Adds command-line options (before parsing).
  virtual void AddOptions(CLI::App& app) = 0;
  // Called once after parsing, before the line is served: install raw handlers, adjust state.
  virtual void Attach(VirtualDevice& device) = 0;
};

std::vector<std::unique_ptr<VdevExtension>>& VdevExtensions();

struct RegisterVdevExtension {
  explicit RegisterVdevExtension(std::unique_ptr<VdevExtension> extension) {
    VdevExtensions().push_back(std::move(extension));
  }
};

} // namespace divuzo::vdev
