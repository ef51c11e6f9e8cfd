#include "update/ImageValidation.h"

#include "StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "platform/InputFile.h"
#include "platform/Trace.h"
#include "platform/Utf8Path.h"
#include "update/Crc32.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace divuzo {

namespace {

constexpr int kTextWrongFile = 415;
constexpr int kTextNoTag = 444;
constexpr int kTextProductMismatch = 435;
constexpr int kTextNewer = 437;
constexpr int kTextNewerForced = 116;
constexpr int kTextSame = 438;
constexpr int kTextOlder = 439;
constexpr int kCaptionText = 300;
constexpr const char* kNoTagCaption = "WARNING!!";

// Largest file either form can take: header, the largest payload, CRC.
constexpr std::size_t kMaxImageFile = kImageHeaderSize + kImageMaxPayload + kImageCrcSize;

// Where private payload folders are made, and how their names begin.
constexpr const char* kPrivateFolderPrefix = "divuzovuzov-payload-";

// The image file's bytes, or the reason it could not be read.
struct LoadedImage {
  std::vector<std::uint8_t> bytes;
  std::string error;  // empty when loaded
  int reasonTextId = 0;
};

LoadedImage LoadImage(const std::string& path) {
  LoadedImage img;
  if (path.size() > kImageMaxPath) {
    img.error = "path longer than 255 characters";
    img.reasonTextId = kTextImagePathTooLong;
    return img;
  }
  InputFile file(PathFromUtf8(path));
  if (!file.ReadAll(img.bytes, kMaxImageFile)) {
    const bool tooLarge = file.status() == InputFile::Status::TooLarge;
    img.error = tooLarge ? "payload larger than 819200 bytes" : file.error();
    img.reasonTextId = tooLarge ? kTextImageTooLarge : kTextImageUnreadableFile;
  }
  return img;
}

// Same file on disk (the payload file must never replace or remove the chosen image).
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), ec) && !ec;
}

std::uint32_t StoredCrc(const std::vector<std::uint8_t>& bytes) {
  const std::uint8_t* p = bytes.data() + bytes.size() - kImageCrcSize;
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

ExtractResult ExtractLoaded(const LoadedImage& img, ImageForm form, const std::string& imagePath,
                            const std::string& tempImagePath) {
  ExtractResult r;
  r.status = ExtractStatus::Refused;
  if (SameFile(imagePath, tempImagePath)) {
    r.detail = "the image is the temporary file itself";
    return r;  // never replace the chosen file
  }
  const std::size_t header = form == ImageForm::Tagged ? kImageHeaderSize : 0;
  if (!img.error.empty()) {
    r.detail = img.error;
    r.reasonTextId = img.reasonTextId;
  } else if (img.bytes.size() < header + kImageCrcSize) {
    r.detail = "file shorter than header and CRC";
    r.reasonTextId = kTextImageTooShort;
  } else if (img.bytes.size() - header - kImageCrcSize > kImageMaxPayload) {
    r.detail = "payload larger than 819200 bytes";
    r.reasonTextId = kTextImageTooLarge;
  } else {
    const std::size_t payload = img.bytes.size() - header - kImageCrcSize;
    const std::uint8_t* start = img.bytes.data() + header;
    if (Crc32(start, payload) != StoredCrc(img.bytes)) {
      r.status = ExtractStatus::CrcMismatch;
      r.detail = "CRC mismatch";
      r.reasonTextId = kTextImageCrcMismatch;
    } else if (WriteFileAtomically(PathFromUtf8(tempImagePath),
                                   std::string_view(reinterpret_cast<const char*>(start), payload),
                                   &r.detail)) {
      r.status = ExtractStatus::Ok;
      r.detail.clear();
    } else {
      r.status = ExtractStatus::WriteFailed;
      r.reasonTextId = kTextPayloadNotWritten;
    }
  }
  return r;
}

// Extracts in `form`, into the image's folder or, when that cannot be written, into a private
// temporary folder; `temp` is where the payload went.
ExtractResult ExtractAnywhere(const LoadedImage& img, ImageForm form, const std::string& imagePath,
                              std::string& temp) {
  ExtractResult r = ExtractLoaded(img, form, imagePath, temp);
  if (r.status != ExtractStatus::WriteFailed) return r;
  TraceF("payload beside the image: %s; trying a private folder\n", r.detail.c_str());
  std::string error;
  const std::string privateTemp = PrivateTempImagePath(&error);
  if (privateTemp.empty()) {
    r.detail += "; " + error;
    return r;
  }
  ExtractResult second = ExtractLoaded(img, form, imagePath, privateTemp);
  if (second.status == ExtractStatus::Ok) {
    temp = privateTemp;
    return second;
  }
  DeleteTempImage(privateTemp);
  r.detail += "; " + second.detail;
  return r;
}

// The one reason to give for a file that passed in neither form: a payload that could not be
// written (its checksum was right), else a form's refusal of the file as such (unreadable, too
// short, too large), else the checksum.
const ExtractResult& RealReason(const ExtractResult& tagged, const ExtractResult& plain) {
  for (ExtractStatus status : {ExtractStatus::WriteFailed, ExtractStatus::Refused}) {
    if (tagged.status == status) return tagged;
    if (plain.status == status) return plain;
  }
  return tagged;
}

// Product tokens compare over at most 10 characters.
bool SameProduct(const std::string& device, const std::string& token) {
  return !token.empty() && device.substr(0, kImageTokenSize) == token.substr(0, kImageTokenSize);
}

void Refuse(ImageCheckResult& result, const std::string& detail, int reasonTextId) {
  // A file that is fine but whose payload cannot be written anywhere is not a wrong file.
  const bool notWritten = reasonTextId == kTextPayloadNotWritten;
  result.messageTextId = notWritten ? kTextPayloadNotWritten : kTextWrongFile;
  result.reasonTextId = notWritten ? 0 : reasonTextId;
  result.messageCaption = LoadText(kCaptionText);
  result.detail = detail;
  TraceF("image refused: %s\n", detail.c_str());
}

} // namespace

std::string FolderOf(const std::string& path) { return FolderOfPath(path); }

std::string TempImagePathFor(const std::string& imageFolder) { return JoinPath(imageFolder, kTempImageName); }

std::string PrivateTempImagePath(std::string* error) {
  const std::string folder = MakePrivateTempFolder(kPrivateFolderPrefix);
  if (folder.empty()) {
    if (error)
      *error =
          SystemErrorText("cannot make a private folder in", PathFromUtf8(TempFolderPath()), errno);
    return "";
  }
  return TempImagePathFor(folder);
}

bool DeleteTempImage(const std::string& tempImagePath) {
  if (tempImagePath.empty()) return true;
  const std::filesystem::path file = PathFromUtf8(tempImagePath);
  const bool gone = RemoveFile(file) || errno == ENOENT;
  // A private folder made for the payload goes with it.
  const std::filesystem::path folder = file.parent_path();
  if (gone && Utf8FromPath(folder.filename()).rfind(kPrivateFolderPrefix, 0) == 0 &&
      folder.parent_path() == PathFromUtf8(TempFolderPath()))
    RemoveEmptyFolder(folder);
  return gone;
}

ExtractResult ExtractImage(const std::string& imagePath, ImageForm form,
                           const std::string& tempImagePath) {
  return ExtractLoaded(LoadImage(imagePath), form, imagePath, tempImagePath);
}

ExtractResult ExtractImageAnywhere(const std::string& imagePath, ImageForm form,
                                   const std::string& imageFolder, std::string& tempImagePath) {
  tempImagePath = TempImagePathFor(imageFolder);
  return ExtractAnywhere(LoadImage(imagePath), form, imagePath, tempImagePath);
}

ImageCheckResult ValidateImage(const ImageCheckRequest& request, const std::string& imageFolder) {
  ImageCheckResult result;
  result.imageFolder = imageFolder;
  std::string temp = TempImagePathFor(imageFolder);
  const LoadedImage img = LoadImage(request.imagePath);

  ImageHeader header;
  const ExtractResult tagged = ExtractAnywhere(img, ImageForm::Tagged, request.imagePath, temp);
  if (tagged.status == ExtractStatus::Ok) {
    header = ReadImageHeader(img.bytes.data());
  } else {
    // A payload that could not be written had the right checksum: it is no headerless image.
    const ExtractResult plain =
        tagged.status == ExtractStatus::WriteFailed
            ? tagged
            : ExtractAnywhere(img, ImageForm::Headerless, request.imagePath, temp);
    if (plain.status != ExtractStatus::Ok) {
      const ExtractResult& reason = RealReason(tagged, plain);
      Refuse(result, reason.detail, reason.reasonTextId);
      return result;
    }
    result.headerless = true;
    // The T-410 family names its headerless images "...410....V1.23_PLM.bin".
    const std::string& p = request.imagePath;
    const std::size_t n = p.size();
    if (n >= 20 && p[n - 20] == '4' && p[n - 19] == '1' && p[n - 18] == '0') {
      header.product = "T-410";
      header.version = "V" + p.substr(n - 12, 4);
      header.compat[0] = "V01";
      header.compat[1] = "V02";
    }
  }
  result.extracted = true;
  result.tempImagePath = temp;

  result.product = NormaliseProductToken(header.product);
  result.version = header.version;
  if (!SameProduct(request.deviceModelName, result.product)) {
    result.verdictTextId = kTextProductMismatch;
    result.execute = ExecuteChange::Disable;
  } else {
    result.imageVersionNumber = ImageVersionNumber(header.version);
    result.deviceVersionNumber = DeviceVersionNumber(request.deviceVersionDigits);
    const int a = result.imageVersionNumber;
    const int b = result.deviceVersionNumber;
    if (a > b)
      result.verdictTextId = request.forceUpdate ? kTextNewerForced : kTextNewer;
    else if (a == b)
      result.verdictTextId = kTextSame;
    else
      result.verdictTextId = kTextOlder;
    result.execute = ExecuteChange::Enable;
  }

  result.fields[kFieldProduct] = result.product;
  result.fields[kFieldVersion] = header.version;
  for (std::size_t i = 0; i < kImageCompatCount; ++i) result.fields[kFieldCompat1 + i] = header.compat[i];
  result.fieldCount = result.headerless ? 4 : kImageFieldCount;
  return result;
}

ImageCheckResult SelectImageFile(const ImageCheckRequest& request) {
  ImageCheckResult result;
  if (request.imagePath.empty()) return result;
  if (!HasImageTag(request.imagePath)) {
    result.messageTextId = kTextNoTag;
    result.messageCaption = kNoTagCaption;
    result.execute = ExecuteChange::Disable;
    result.fieldCount = kImageFieldCount;  // all twelve emptied
    result.detail = "file name without the _PLM tag";
    return result;
  }
  if (request.imagePath.size() > kImageMaxPath) {
    Refuse(result, "path longer than 255 characters", kTextImagePathTooLong);
    return result;
  }
  return ValidateImage(request, FolderOf(request.imagePath));
}

} // namespace divuzo
