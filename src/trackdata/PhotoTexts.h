#pragma once
// Texts of the photo geotagging: string-table entries when the table holds them, otherwise this
// program's own wording from the string table (both in the chosen language). Ids are those of
// the photo page and the photo setting dialog.
#include <string>

namespace divuzo {

inline constexpr const char* kNotExifFormat = "Not EXIF format.";
inline constexpr const char* kNoExifDirectory = "No found photo taken date time.";

enum PhotoTextId {
  kPhotoTextConverting = 360,
  kPhotoTextConverted = 361,
  kPhotoTextReadPrefix = 366,
  kPhotoTextMatchedPrefix = 367,
  kPhotoTextUnmatchedPrefix = 368,
  kPhotoTextSummaryRead = 369,
  kPhotoTextSummaryMatch = 370,
  kPhotoTextNoTrackFile = 380,
  kPhotoTextNoPhotoFolder = 381,
  kPhotoTextNoDate = 387,
  kPhotoTextBadDate = 388,
  kPhotoTextFailedPrefix = 389,
  kPhotoTextThresholdHeading = 393,
  kPhotoTextThresholdOutside = 394,
  kPhotoTextThresholdGap = 395,
  kPhotoTextMakerRefused = 414,
  // This program's own texts, in the string table.
  kPhotoTextPointOutOfRange = 960,
  kPhotoTextTrackUnreadable = 961,
  kPhotoTextNoSuchPhotoFolder = 962,
  kPhotoTextKmlTargetRefused = 963,
  kPhotoTextGpsFolderUnsafe = 964,
};

// The text for `id`: the string table's entry when it is not empty, else this program's wording,
// both in the chosen language.
std::string PhotoText(PhotoTextId id);

// The summary lines of the photo list: photos read and failed, photos matched and unmatched.
std::string PhotoReadSummary(int read, int failed);
std::string PhotoMatchSummary(int matched, int unmatched);

} // namespace divuzo
