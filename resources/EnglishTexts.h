#pragma once
// The English translation as the build reads it from translations/divuzovuzov_en.ts: one entry
// per finished translation. Texts of the string table have context "StringTable" and their id
// as comment.
#include <cstddef>

namespace divuzo {

struct EnglishText {
  const char* context;
  const char* source;   // the Japanese text
  const char* comment;  // tells equal sources of one context apart; "" when there is none
  const char* english;
};

extern const EnglishText kEnglishTexts[];
extern const std::size_t kEnglishTextCount;

}  // namespace divuzo
