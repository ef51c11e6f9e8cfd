#include "VdevExtension.h"

namespace divuzo::vdev {

std::vector<std::unique_ptr<VdevExtension>>& VdevExtensions() {
  static std::vector<std::unique_ptr<VdevExtension>> extensions;
  return extensions;
}

} // namespace divuzo::vdev
