#include "trackdata/PhotoTexts.h"

#include "Language.h"
#include "StringTable.h"

namespace divuzo {

namespace {

// This program's own wording, in the chosen language.
const char* DefaultText(PhotoTextId id) {
  switch (id) {
    case kPhotoTextConverting:
      return DIVUZO_TR("PhotoTexts", "写真とトラックを照合しています...");
    case kPhotoTextConverted:
      return DIVUZO_TR("PhotoTexts", "KML ファイルを書き込みました。");
    case kPhotoTextReadPrefix:
      return DIVUZO_TR("PhotoTexts", "読み込み: ");
    case kPhotoTextMatchedPrefix:
      return DIVUZO_TR("PhotoTexts", "一致: ");
    case kPhotoTextUnmatchedPrefix:
      return DIVUZO_TR("PhotoTexts", "不一致: ");
    case kPhotoTextSummaryRead:
      return DIVUZO_TR("PhotoTexts", "読み込んだ写真 %1 枚、失敗 %2 枚");
    case kPhotoTextSummaryMatch:
      return DIVUZO_TR("PhotoTexts", "一致した写真 %1 枚、一致しない写真 %2 枚");
    case kPhotoTextNoTrackFile:
      return DIVUZO_TR("PhotoTexts", "トラックログファイル (.trl) を指定してください。");
    case kPhotoTextNoPhotoFolder:
      return DIVUZO_TR("PhotoTexts", "写真のフォルダを指定してください。");
    case kPhotoTextNoDate:
      return DIVUZO_TR("PhotoTexts", "撮影日時がありません。");
    case kPhotoTextBadDate:
      return DIVUZO_TR("PhotoTexts", "撮影日時を変換できません。");
    case kPhotoTextFailedPrefix:
      return DIVUZO_TR("PhotoTexts", "失敗: ");
    case kPhotoTextThresholdHeading:
      return DIVUZO_TR("PhotoTexts", "次の写真はトラックに一致しません:");
    case kPhotoTextThresholdOutside:
      return DIVUZO_TR("PhotoTexts",
                       "撮影時刻がトラックの最初の点より前、または最後の点以降の写真");
    case kPhotoTextThresholdGap:
      return DIVUZO_TR("PhotoTexts", "撮影時刻の前後の点の間隔が 120 秒を超える写真");
    case kPhotoTextMakerRefused:
      return DIVUZO_TR("PhotoTexts", "このカメラの写真には GPS 情報を書き込めません: ");
    case kPhotoTextPointOutOfRange:
    case kPhotoTextTrackUnreadable:
    case kPhotoTextNoSuchPhotoFolder:
    case kPhotoTextKmlTargetRefused:
    case kPhotoTextGpsFolderUnsafe: break;  // in the string table
  }
  return "";
}

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

std::string PhotoText(PhotoTextId id) {
  const std::string& table = LoadText(static_cast<int>(id));
  return table.empty() ? std::string(DefaultText(id)) : table;
}

std::string PhotoReadSummary(int read, int failed) {
  return Fill(PhotoText(kPhotoTextSummaryRead), read, failed);
}

std::string PhotoMatchSummary(int matched, int unmatched) {
  return Fill(PhotoText(kPhotoTextSummaryMatch), matched, unmatched);
}

} // namespace divuzo
