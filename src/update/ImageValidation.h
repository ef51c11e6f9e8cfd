#pragma once
// Choosing and checking a firmware image for the identified device.
//
// SelectImageFile runs every check after the file dialog: the tag in the file name, the CRC
// in the tagged and then the headerless form, the payload copied to "Raded_FW_Temp.bin" in the
// image's folder (or, when that folder cannot be written, in a private temporary folder), the
// product and version comparison with the device. It returns what the window (or the command
// line) shows; it touches no window itself. A file that is refused leaves an earlier payload
// file as it was: it still belongs to the earlier choice.
#include "update/ImageFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace divuzo {

// What the update page knows about the device and the chosen file.
struct ImageCheckRequest {
  std::string imagePath;            // full path of the chosen file (at most 255 characters)
  std::string deviceModelName;      // from identification, or "KRB-1" after ForceUpdate
  std::string deviceVersionDigits;  // from identification, or "V0.00" after ForceUpdate
  bool forceUpdate = false;
};

// What Execute should do after the check.
enum class ExecuteChange { Unchanged, Enable, Disable };

// Index of each of the twelve image fields in ImageCheckResult::fields, with its control id.
inline constexpr std::size_t kFieldProduct = 0;  // 1213
inline constexpr std::size_t kFieldVersion = 1;  // 1212
// Compatible version k (1..10) is at kFieldCompat1 + k - 1 (controls 1214..1223).
inline constexpr std::size_t kFieldCompat1 = 2;
inline constexpr std::size_t kImageFieldCount = 12;
// Control ids of the twelve image fields, in the order of ImageCheckResult::fields.
inline constexpr std::array<int, kImageFieldCount> kImageFieldControls = {
    1213, 1212, 1214, 1215, 1216, 1217, 1218, 1219, 1220, 1221, 1222, 1223};

// Why an image was refused, in the user's words (string-table texts).
inline constexpr int kTextImageCrcMismatch = 989;
inline constexpr int kTextImageUnreadableFile = 990;
inline constexpr int kTextImageTooShort = 991;
inline constexpr int kTextImageTooLarge = 992;
inline constexpr int kTextImagePathTooLong = 993;
inline constexpr int kTextPayloadNotWritten = 994;

struct ImageCheckResult {
  // Message box to show first (0: none): 444 with caption "WARNING!!" for a name without the
  // tag, 415 with caption LoadText(300) for a file that fails its checks or cannot be read,
  // 994 (caption 300) when the payload file cannot be written anywhere.
  int messageTextId = 0;
  std::string messageCaption;
  // Why the file was refused (one of the texts above; 0 when there is nothing more to say).
  int reasonTextId = 0;
  // Text id for the result line 1228 (0: leave it): 435, 437, 438, 439 or 116.
  int verdictTextId = 0;
  ExecuteChange execute = ExecuteChange::Unchanged;
  // The first `fieldCount` entries of `fields` are to be shown (12 for a tagged image or to
  // empty all after a missing tag, 4 for a headerless image, 0 to leave the fields alone).
  std::size_t fieldCount = 0;
  std::array<std::string, kImageFieldCount> fields;
  // The comparison's inputs, for display: product token after the spelling rules, image
  // version text, and the two version numbers compared.
  std::string product;
  std::string version;
  int imageVersionNumber = 0;
  int deviceVersionNumber = 0;
  bool headerless = false;
  // Paths: the image's folder and the temporary payload file (set when the payload was
  // written; empty otherwise). The payload file stays until the update deletes it; it lies in
  // a private temporary folder when the image's folder cannot be written.
  std::string imageFolder;
  std::string tempImagePath;
  // True when the CRC matched in one form and the payload file was written.
  bool extracted = false;
  // A short English reason for a refusal, for traces and the command line ("" otherwise).
  std::string detail;
};

// The checks that follow the file dialog (an empty path does nothing: result all defaults).
ImageCheckResult SelectImageFile(const ImageCheckRequest& request);

// Outcome of ExtractImage.
enum class ExtractStatus {
  Ok,           // CRC matched, payload file written
  CrcMismatch,  // CRC differs; nothing written
  Refused,      // cannot open, too short, payload too large, path too long; nothing written
  WriteFailed,  // CRC matched, but the payload file could not be written
};
struct ExtractResult {
  ExtractStatus status = ExtractStatus::Refused;
  std::string detail;  // reason when not Ok
  int reasonTextId = 0;
};

// Checks the CRC of `imagePath` in `form` and, when it matches, writes the payload whole to
// `tempImagePath` (written to a temporary name and renamed into place). A failure leaves
// `tempImagePath` as it was.
ExtractResult ExtractImage(const std::string& imagePath, ImageForm form,
                           const std::string& tempImagePath);

// ExtractImage into the payload file beside the image (in `imageFolder`), or into a private
// temporary folder when that folder cannot be written; `tempImagePath` receives where the
// payload went.
ExtractResult ExtractImageAnywhere(const std::string& imagePath, ImageForm form,
                                   const std::string& imageFolder, std::string& tempImagePath);

// The checks after the tag test: ExtractImage in both forms, header or name fields, the
// spelling rules, product and version verdicts. `imageFolder` is the folder of the image.
ImageCheckResult ValidateImage(const ImageCheckRequest& request, const std::string& imageFolder);

// Folder part of a path: everything before its last '/' (empty when there is none).
std::string FolderOf(const std::string& path);

// Path of the temporary payload file for an image in `imageFolder`.
std::string TempImagePathFor(const std::string& imageFolder);

// A payload file in a private temporary folder of its own (made here, mode 0700), for an image
// whose folder cannot be written; empty with *error set when none can be made.
std::string PrivateTempImagePath(std::string* error = nullptr);

// Removes the temporary payload file (and its private folder, when it has one); true when it
// is gone afterwards.
bool DeleteTempImage(const std::string& tempImagePath);

} // namespace divuzo
