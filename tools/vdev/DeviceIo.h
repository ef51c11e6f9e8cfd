#pragma once
// The virtual device's side of the line.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace divuzo::vdev {

class DeviceIo {
public:
  virtual ~DeviceIo() = default;
  // Writes bytes to the host as they are (no fault options applied).
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
  void Write(std::string_view text) {
    Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }
  // The line speed the host set on the port (0 when unknown).
  virtual unsigned LineSpeed() const = 0;
  // When on, writes take the time the bytes would need on a real line at LineSpeed().
  virtual void SetPacing(bool on) = 0;
  // One line in the log file (time-stamped by the implementation).
  virtual void Log(std::string_view line) = 0;
};

} // namespace divuzo::vdev
