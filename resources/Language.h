#pragma once
// The language of the texts the program shows. Japanese is the program's own; English comes
// from translations/divuzovuzov_en.ts, which the build turns into a table for the core (and into
// a .qm file for the window's own labels). The choice is made once at start-up, before any
// worker runs: from the user's locale, or from --lang.
#include <optional>
#include <string>
#include <string_view>

namespace divuzo {

enum class Language { Japanese, English };

// A Japanese text of the core in the chosen language. The translation tools find the texts to
// translate by this name, as (context, text) pairs.
#define DIVUZO_TR(context, text) ::divuzo::Translated(context, text)

void SetLanguage(Language language);
Language CurrentLanguage();

// "ja" or "en" (the values of --lang); nothing for any other text.
std::optional<Language> ParseLanguage(std::string_view name);

// The language for a locale name as found in LANG ("ja_JP.UTF-8", "C", "en_GB"): Japanese
// for Japanese locales, for C and POSIX (with or without a code set) and for an empty name;
// English for any other.
Language LanguageOfLocale(std::string_view locale);

// The language of the user's message locale: the first non-empty one of LC_ALL, LC_MESSAGES
// and LANG. As gettext does, the first entry of LANGUAGE overrides it unless that locale is C.
// On Windows, where none of these is normally set, the user's display language decides then.
Language LanguageFromEnvironment();

// `japanese` of `context` in the current language: its English when English is chosen and the
// translation holds it, else `japanese` itself.
const char* Translated(const char* context, const char* japanese);

// The English of string-table entry `id`, or null when the translation has none.
const std::string* EnglishStringTableText(int id);

}  // namespace divuzo
