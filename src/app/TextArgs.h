#pragma once
// Texts with numbers or names put in: "%1", "%2", ... of a string-table text replaced by the
// given values.
#include <string>
#include <vector>

namespace divuzo {

// `text` with each "%n" (n from 1) replaced by args[n - 1]; marks without a value stay.
std::string FillArgs(std::string text, const std::vector<std::string>& args);
// The string-table text of `id` (or this program's wording of it) with its marks filled.
std::string TextWithArgs(int id, const std::vector<std::string>& args);

}  // namespace divuzo
