#include "update/FirmwareDownload.h"

#include "update/ImageValidation.h"

namespace divuzo {

namespace {
constexpr int kTextNoFile = 412;
constexpr int kTextWrongFile = 415;
} // namespace

FirmwareFileCheck CheckFirmwareFile(const std::string& imagePath) {
  FirmwareFileCheck check;
  if (imagePath.empty()) {
    check.status = Status::Failure(StatusCode::FileRefused, kTextNoFile, "no file chosen");
    return check;
  }
  check.imageFolder = FolderOf(imagePath);
  const std::string temp = TempImagePathFor(check.imageFolder);
  const ExtractResult r = ExtractImage(imagePath, ImageForm::Tagged, temp);
  if (r.status != ExtractStatus::Ok) {
    check.status = Status::Failure(StatusCode::FileRefused, kTextWrongFile,
                                   r.detail.empty() ? "the checksum does not match" : r.detail);
    return check;
  }
  check.tempImagePath = temp;
  return check;
}

} // namespace divuzo
