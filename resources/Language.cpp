#include "Language.h"

#include "EnglishTexts.h"

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#ifdef _WIN32
#include <windows.h>
#endif

namespace divuzo {

namespace {

std::atomic<Language> current{Language::Japanese};

struct EnglishTables {
  std::map<int, std::string> stringTable;
  std::map<std::pair<std::string_view, std::string_view>, const char*> texts;
};

const EnglishTables& English() {
  static const EnglishTables tables = [] {
    EnglishTables t;
    for (std::size_t i = 0; i < kEnglishTextCount; ++i) {
      const EnglishText& e = kEnglishTexts[i];
      if (std::strcmp(e.context, "StringTable") == 0) {
        int id = 0;
        const char* end = e.comment + std::strlen(e.comment);
        if (std::from_chars(e.comment, end, id).ptr == end) t.stringTable.emplace(id, e.english);
      } else {
        t.texts.emplace(std::make_pair(std::string_view(e.context), std::string_view(e.source)),
                        e.english);
      }
    }
    return t;
  }();
  return tables;
}

// The locale name without its code set and modifier ("ja_JP.UTF-8@x" -> "ja_JP").
std::string_view LocaleBase(std::string_view locale) {
  return locale.substr(0, locale.find_first_of(".@"));
}

bool IsCLocale(std::string_view locale) {
  const std::string_view base = LocaleBase(locale);
  return base.empty() || base == "C" || base == "POSIX";
}

const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

void SetLanguage(Language language) {
  current = language;
}
Language CurrentLanguage() {
  return current;
}

std::optional<Language> ParseLanguage(std::string_view name) {
  if (name == "ja") return Language::Japanese;
  if (name == "en") return Language::English;
  return std::nullopt;
}

Language LanguageOfLocale(std::string_view locale) {
  if (IsCLocale(locale)) return Language::Japanese;
  const std::string_view base = LocaleBase(locale);
  const bool japanese = base.substr(0, 2) == "ja" && (base.size() == 2 || base[2] == '_');
  return japanese ? Language::Japanese : Language::English;
}

Language LanguageFromEnvironment() {
  const char* locale = NonEmptyEnv("LC_ALL");
  if (locale == nullptr) locale = NonEmptyEnv("LC_MESSAGES");
  if (locale == nullptr) locale = NonEmptyEnv("LANG");
#ifdef _WIN32
  // Windows users have no locale variables: their display language decides.
  if (locale == nullptr && NonEmptyEnv("LANGUAGE") == nullptr)
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
#endif
  const std::string_view name = locale != nullptr ? locale : "";
  if (IsCLocale(name)) return Language::Japanese;
  if (const char* list = NonEmptyEnv("LANGUAGE")) {
    const std::string_view first =
        std::string_view(list).substr(0, std::string_view(list).find(':'));
    if (!first.empty()) return LanguageOfLocale(first);
  }
  return LanguageOfLocale(name);
}

const char* Translated(const char* context, const char* japanese) {
  if (current != Language::English) return japanese;
  const auto& texts = English().texts;
  const auto it = texts.find({std::string_view(context), std::string_view(japanese)});
  return it == texts.end() ? japanese : it->second;
}

const std::string* EnglishStringTableText(int id) {
  const auto& table = English().stringTable;
  const auto it = table.find(id);
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace divuzo
