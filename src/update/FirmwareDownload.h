#pragma once
// The firmware download page's own file check (its flashing is FlashJob's firmware download
// flavour): tagged form only, CRC of the payload, payload written to "Raded_FW_Temp.bin"
// beside the image; no tag test, no header fields, no product or version check.
#include "app/Status.h"

#include <string>

namespace divuzo {

struct FirmwareFileCheck {
  // Ok; or FileRefused with text 412 (no file chosen) or 415 (wrong CRC, unreadable file).
  Status status;
  std::string imageFolder;
  std::string tempImagePath;  // payload file written (only when the status is Ok)
};

FirmwareFileCheck CheckFirmwareFile(const std::string& imagePath);

} // namespace divuzo
