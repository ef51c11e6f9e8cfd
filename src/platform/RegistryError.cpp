// The calling thread's last registry error, shared by the store of every system.
#include "platform/RegistryStore.h"

namespace divuzo {

namespace {
thread_local std::uint32_t tLastError = ERROR_SUCCESS;
thread_local std::string tLastMessage;
} // namespace

std::uint32_t GetLastRegistryError() { return tLastError; }

const std::string& GetLastRegistryMessage() { return tLastMessage; }

void SetLastRegistryError(std::uint32_t code, std::string message) {
  tLastError = code;
  tLastMessage = std::move(message);
}

} // namespace divuzo
