#pragma once
// The firmware download page's own file check (its flashing is FlashJob's firmware download
// flavour): tagged form only, CRC of the payload, payload written to "Raded_FW_Temp.bin"
// beside the image (or in a private temporary folder when the image's folder cannot be
// written); no tag test, no header fields, no product or version check.
#include "app/Status.h"

#include <string>

namespace divuzo {

struct FirmwareFileCheck {
  // Ok; or FileRefused with text 412 (no file chosen), 415 (wrong CRC, unreadable file; the
  // reason in reasonTextId) or 994 (the payload cannot be written anywhere).
  Status status;
  std::string imageFolder;
  std::string tempImagePath;  // payload file written (only when the status is Ok)
};

FirmwareFileCheck CheckFirmwareFile(const std::string& imagePath);

} // namespace divuzo
