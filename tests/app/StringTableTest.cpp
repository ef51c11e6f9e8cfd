#include "StringTable.h"

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
