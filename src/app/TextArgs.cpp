#include "app/TextArgs.h"

#include "StringTable.h"

namespace divuzo {

std::string FillArgs(std::string text, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
      if (n < args.size()) {
        out += args[n];
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string TextWithArgs(int id, const std::vector<std::string>& args) {
  return FillArgs(TextOrOwnWording(id), args);
}

}  // namespace divuzo
