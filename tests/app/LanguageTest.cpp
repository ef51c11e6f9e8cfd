// The language choice (locale, --lang) and the English translation of the program's texts.
#include "EnglishTexts.h"
#include "JapaneseText.h"
#include "Language.h"
#include "ScopedEnv.h"
#include "StringTable.h"
#include "trackdata/PhotoTexts.h"
#include "trackdata/TrackSplitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace divuzo {
namespace {

using test::HasJapanese;

// Each test leaves the program in Japanese, as every other test expects it.
class LanguageTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLanguage(Language::Japanese); }
};

TEST_F(LanguageTest, EveryStringTableTextHasEnglishMadeFromTheCurrentJapanese) {
  int translated = 0;
  for (int id = 0; id <= 1500; ++id) {
    if (!HasText(id)) {
      EXPECT_EQ(EnglishStringTableText(id), nullptr)
          << "English for an id the table does not hold: " << id;
      continue;
    }
    const std::string* english = EnglishStringTableText(id);
    ASSERT_NE(english, nullptr) << "no English for string-table id " << id
                                << " in resources/translations/divuzovuzov_en.ts";
    EXPECT_FALSE(english->empty()) << id;
    EXPECT_FALSE(HasJapanese(*english)) << id << ": " << *english;
    ++translated;
  }
  EXPECT_GT(translated, 0);
  // The translation's source of each id is today's Japanese: a text changed in the table but
  // not in the translation would keep an English that says something else.
  for (std::size_t i = 0; i < kEnglishTextCount; ++i) {
    const EnglishText& e = kEnglishTexts[i];
    if (std::strcmp(e.context, "StringTable") != 0) continue;
    const int id = std::stoi(e.comment);
    EXPECT_EQ(LoadText(id), e.source) << "id " << id << " changed; translate it again";
  }
}

TEST_F(LanguageTest, NoEnglishTextIsLeftInJapanese) {
  // The check itself: kana, kanji and full-width forms are found, Latin text is not.
  for (const char* japanese : {"閉じる", "x ｶ", "ＵＳＢ", "[警告]", "。"}) EXPECT_TRUE(HasJapanese(japanese)) << japanese;
  for (const char* other : {"Close", "Ünïcödé — “quotes” ±5 °C", ""}) EXPECT_FALSE(HasJapanese(other)) << other;

  ASSERT_GT(kEnglishTextCount, 0u);
  for (std::size_t i = 0; i < kEnglishTextCount; ++i)
    EXPECT_FALSE(HasJapanese(kEnglishTexts[i].english))
        << kEnglishTexts[i].context << ": " << kEnglishTexts[i].english;
}

TEST_F(LanguageTest, TextsFollowTheChosenLanguage) {
  EXPECT_EQ(CurrentLanguage(), Language::Japanese);  // the program's own texts by default
  EXPECT_EQ(LoadText(411), "更新が完了しました。");
  EXPECT_EQ(PhotoReadSummary(3, 1), "読み込んだ写真 3 枚、失敗 1 枚");

  SetLanguage(Language::English);
  EXPECT_EQ(LoadText(411), "The update is complete.");
  EXPECT_EQ(LoadText(444), "This is not an update file for our products.\nChoose a valid file.");
  EXPECT_EQ(LoadText(305), "");  // absent ids stay empty
  EXPECT_EQ(PhotoReadSummary(3, 1), "Photos read: 3, failed: 1");
  EXPECT_EQ(PhotoText(kPhotoTextMatchedPrefix), "Matched: ");
  EXPECT_EQ(FileStatusPrefix(), "File written:");
  // A text the translation does not hold stays as it is.
  EXPECT_STREQ(Translated("PhotoTexts", "未知の文"), "未知の文");

  SetLanguage(Language::Japanese);
  EXPECT_EQ(LoadText(411), "更新が完了しました。");
  EXPECT_EQ(PhotoText(kPhotoTextMatchedPrefix), "一致: ");
}

TEST_F(LanguageTest, LocaleNamesAndLangValues) {
  for (const char* japanese :
       {"ja", "ja_JP", "ja_JP.UTF-8", "ja_JP.eucJP@x", "C", "C.UTF-8", "POSIX", ""})
    EXPECT_EQ(LanguageOfLocale(japanese), Language::Japanese) << japanese;
  for (const char* english : {"en_US.UTF-8", "en", "de_DE", "fr_FR.UTF-8", "jam_JM", "Japanese"})
    EXPECT_EQ(LanguageOfLocale(english), Language::English) << english;

  EXPECT_EQ(ParseLanguage("ja"), Language::Japanese);
  EXPECT_EQ(ParseLanguage("en"), Language::English);
  for (const char* refused : {"", "EN", "english", "ja_JP", "de"})
    EXPECT_FALSE(ParseLanguage(refused)) << refused;
}

TEST_F(LanguageTest, EnvironmentPrecedence) {
  using test::ScopedEnv;
  ScopedEnv all("LC_ALL", ""), messages("LC_MESSAGES", ""), lang("LANG", ""),
      language("LANGUAGE", "");
#ifndef _WIN32
  EXPECT_EQ(LanguageFromEnvironment(), Language::Japanese);  // nothing set: the C locale
#endif  // (on Windows, nothing set: the user's display language)
  {
    ScopedEnv l("LANG", "en_US.UTF-8");
    EXPECT_EQ(LanguageFromEnvironment(), Language::English);
    ScopedEnv m("LC_MESSAGES", "ja_JP.UTF-8");  // messages before LANG
    EXPECT_EQ(LanguageFromEnvironment(), Language::Japanese);
    ScopedEnv a("LC_ALL", "de_DE.UTF-8");  // LC_ALL before both
    EXPECT_EQ(LanguageFromEnvironment(), Language::English);
  }
  {
    ScopedEnv l("LANG", "en_US.UTF-8");
    ScopedEnv list("LANGUAGE", "ja:en");  // the first of LANGUAGE wins ...
    EXPECT_EQ(LanguageFromEnvironment(), Language::Japanese);
  }
  {
    ScopedEnv l("LANG", "C");
    ScopedEnv list("LANGUAGE", "en_GB:en");  // ... except over the C locale, as gettext does
    EXPECT_EQ(LanguageFromEnvironment(), Language::Japanese);
  }
}

}  // namespace
}  // namespace divuzo
