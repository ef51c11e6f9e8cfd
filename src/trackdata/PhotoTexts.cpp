#include "trackdata/PhotoTexts.h"

#include "StringTable.h"

namespace divuzo {

namespace {

std::string Fill(std::string text, int first, int second) {
  auto put = [&text](const std::string& mark, int value) {
    const auto at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), std::to_string(value));
  };
  put("%1", first);
  put("%2", second);
  return text;
}

} // namespace

std::string PhotoText(PhotoTextId id) { return TextOrOwnWording(static_cast<int>(id)); }

std::string PhotoReadSummary(int read, int failed) {
  return Fill(PhotoText(kPhotoTextSummaryRead), read, failed);
}

std::string PhotoMatchSummary(int matched, int unmatched) {
  return Fill(PhotoText(kPhotoTextSummaryMatch), matched, unmatched);
}

} // namespace divuzo
