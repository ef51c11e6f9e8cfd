#pragma once
// The program's string table: id -> UTF-8 text, in Japanese; the English of each entry is in
// translations/divuzovuzov_en.ts. Ids that the table does not hold load as "".
#include <string>

namespace divuzo {

// Text of string-table entry `id` in the current language (Language.h), or an empty text when
// the table has no such entry.
const std::string& LoadText(int id);

// True when the table holds an entry for `id` (an entry may still be an empty text).
bool HasText(int id);

} // namespace divuzo
