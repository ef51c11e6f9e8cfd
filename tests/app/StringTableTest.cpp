#include "StringTable.h"

#include "app/StdioFileEx.h"

#include <gtest/gtest.h>

using divuzo::LoadText;

TEST(StringTable, QuotedTextsAndAbsentIds) {
  EXPECT_EQ(LoadText(300), "DIVUZOvuzov");
  EXPECT_EQ(LoadText(301), "閉じる");
  // Six trailing blanks are part of the text.
  EXPECT_EQ(LoadText(433), "適合製品 : ZID300,ZID310,ZID200,ZIDTonic1      ");
  EXPECT_EQ(LoadText(444), "当社製品用の更新ファイルではありません。\n正しいファイルを選択してください。");
  EXPECT_EQ(LoadText(453), LoadText(401));
  for (int absent : {101, 303, 304, 305, 321, 414, 416, 417, 421, 429}) {
    EXPECT_EQ(LoadText(absent), "") << absent;
    EXPECT_FALSE(divuzo::HasText(absent)) << absent;
  }
}

TEST(StringTable, HoldsExactlyTheProgramsIds) {
  // The product's ids, this program's own texts from 900 on, and its wording of the texts the
  // product leaves open (kOwnWording + their id).
  auto own = [](int id) {
    id -= divuzo::kOwnWording;
    return (id >= 353 && id <= 358) || id == 360 || id == 361 || (id >= 366 && id <= 370) || id == 380 ||
           id == 381 || (id >= 387 && id <= 389) || (id >= 393 && id <= 395) || id == 414 ||
           (id >= 103 && id <= 107) || id == 109 ||
           // the logger page and its dialogs
           (id >= 335 && id <= 338) || (id >= 340 && id <= 342) || (id >= 347 && id <= 351) ||
           id == 379 || id == 382 || id == 391 || id == 392;
  };
  auto inTable = [&](int id) {
    return id == 116 || (id >= 300 && id <= 302) || (id >= 306 && id <= 320) || (id >= 384 && id <= 386) ||
           id == 397 || (id >= 400 && id <= 413) || id == 415 || (id >= 418 && id <= 420) ||
           (id >= 430 && id <= 454) || (id >= 900 && id <= 903) ||
           (id >= 960 && id <= 964) ||  // photo geotagging
           (id >= 920 && id <= 945) ||  // the logger page
           (id >= 970 && id <= 988) ||  // block transfers and the track-log settings
           (id >= 904 && id <= 919) || (id >= 946 && id <= 959) ||  // the update and the window
           (id >= 965 && id <= 969) || (id >= 989 && id <= 997) ||
           own(id);
  };
  for (int id = -1; id <= 1500; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(divuzo::HasText(id), inTable(id));
    if (inTable(id)) {
      EXPECT_FALSE(LoadText(id).empty());
    } else {
      EXPECT_EQ(LoadText(id), "");
    }
  }
}

TEST(StringTable, OwnWordingOnlyWhereTheProductLeavesTheTextOpen) {
  using divuzo::TextOrOwnWording;
  // The product's texts win; its open texts load "" and get this program's wording.
  EXPECT_EQ(TextOrOwnWording(310), LoadText(310));
  EXPECT_EQ(LoadText(360), "");
  EXPECT_EQ(TextOrOwnWording(360), LoadText(divuzo::kOwnWording + 360));
  EXPECT_FALSE(TextOrOwnWording(360).empty());
  // Texts the product wants empty stay empty.
  for (int empty : {101, 303, 304, 305, 321, 359, 421})
    EXPECT_EQ(TextOrOwnWording(empty), "") << empty;
  EXPECT_EQ(TextOrOwnWording(-1), "");
}

TEST(StringTable, TextsAreWellFormedUtf8) {
  for (int id = 100; id <= 1500; ++id) {
    const std::string& text = LoadText(id);
    if (text.empty()) continue;
    // Strict UTF-8: the conversion would put U+FFFD where a byte is wrong.
    const std::u16string wide = divuzo::CStdioFileEx::ToWide(text, divuzo::CStdioFileEx::kUtf8);
    EXPECT_EQ(wide.find(u'\uFFFD'), std::u16string::npos) << id;
    EXPECT_EQ(divuzo::CStdioFileEx::ToAnsi(wide, divuzo::CStdioFileEx::kUtf8), text) << id;
  }
  // The dialog texts quoted by the update page, checked where a slip is easy: full-width colons
  // and dots, the half-width blank inside 452, the line breaks.
  EXPECT_EQ(LoadText(306), "Step1 ： 本体の準備");
  EXPECT_EQ(LoadText(310), "本体と通信中．．．");
  EXPECT_EQ(LoadText(402), "更新ファイル（*.bin）：");
  EXPECT_EQ(LoadText(419), "更新ファイル Ver");
  EXPECT_EQ(LoadText(452), "本体との接続設定を確認してください。 更新ファイルを確認してください。\nＵＳＢケーブルを外さないでください。");
  EXPECT_EQ(LoadText(405), LoadText(406));
  EXPECT_EQ(LoadText(406), LoadText(407));
  EXPECT_EQ(LoadText(411), LoadText(446));
}
