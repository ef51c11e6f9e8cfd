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

// Besides the product's texts the table holds this program's own: texts of its own from id 900
// on, and the wording of the texts the product names by their role only (their ids load as ""),
// each at kOwnWording + its id.
inline constexpr int kOwnWording = 1000;
// The text of `id`, or this program's own wording of it when the product's table has none.
const std::string& TextOrOwnWording(int id);

} // namespace divuzo
