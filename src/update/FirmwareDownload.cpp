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
  std::string temp;
  const ExtractResult r =
      ExtractImageAnywhere(imagePath, ImageForm::Tagged, check.imageFolder, temp);
  if (r.status != ExtractStatus::Ok) {
    const bool notWritten = r.status == ExtractStatus::WriteFailed;
    check.status = Status::Failure(StatusCode::FileRefused,
                                   notWritten ? kTextPayloadNotWritten : kTextWrongFile,
                                   r.detail.empty() ? "the checksum does not match" : r.detail,
                                   notWritten ? 0 : r.reasonTextId);
    return check;
  }
  check.tempImagePath = temp;
  return check;
}

} // namespace divuzo
