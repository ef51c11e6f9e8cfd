// Code-page conversions on iconv; the user's code page from the locale's character set.
#include "app/CodePage.h"

#include "platform/Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

namespace divuzo {

namespace {

// An iconv descriptor that closes itself.
class Converter {
public:
  Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

private:
  iconv_t cd_;
};

// Runs iconv over `in`, growing `out` as needed. `onBadInput` is called when iconv stops at a
// sequence it cannot take (invalid input or a character the target lacks); it returns how many
// input bytes to skip and appends its replacement. False when iconv fails otherwise.
template <typename OnBad>
bool RunIconv(Converter& conv, std::string_view in, std::string& out, OnBad onBadInput) {
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  out.clear();
  std::size_t used = 0;
  out.resize(std::max<std::size_t>(16, in.size() * 2));
  auto emit = [&](const char* bytes, std::size_t n) {
    if (out.size() - used < n) out.resize(used + n + out.size());
    std::memcpy(out.data() + used, bytes, n);
    used += n;
  };
  // Flushes any shift state (stateful encodings) so that a replacement lands in the base state.
  auto reset = [&]() {
    for (;;) {
      char* outPtr = out.data() + used;
      size_t outLeft = out.size() - used;
      size_t r = iconv(conv.get(), nullptr, nullptr, &outPtr, &outLeft);
      used = static_cast<std::size_t>(outPtr - out.data());
      if (r != static_cast<size_t>(-1)) return true;
      if (errno != E2BIG) return false;
      out.resize(out.size() * 2);
    }
  };
  while (inLeft > 0) {
    char* outPtr = out.data() + used;
    size_t outLeft = out.size() - used;
    size_t r = iconv(conv.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    used = static_cast<std::size_t>(outPtr - out.data());
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    if (errno != EILSEQ && errno != EINVAL) return false;
    if (!reset()) return false;
    std::size_t skip = onBadInput(std::string_view(inPtr, inLeft), emit);
    skip = std::min<std::size_t>(std::max<std::size_t>(skip, 1), inLeft);
    inPtr += skip;
    inLeft -= skip;
  }
  if (!reset()) return false;
  out.resize(used);
  return true;
}

} // namespace

std::optional<std::u16string> ConvertToWide(std::string_view text, int codePage) {
  std::string name = CStdioFileEx::IconvNameForCodePage(codePage);
  if (name.empty()) {
    TraceF("No converter for code page %d\n", codePage);
    return std::nullopt;
  }
  Converter conv("UTF-16LE", name);
  if (!conv.ok()) {
    TraceF("No converter from %s\n", name.c_str());
    return std::nullopt;
  }
  std::string bytes;
  // Bytes that are not valid in the code page become U+FFFD, one per byte.
  bool ok = RunIconv(conv, text, bytes, [](std::string_view, auto& emit) {
    static const char kReplacement[] = {'\xFD', '\xFF'};
    emit(kReplacement, 2);
    return std::size_t{1};
  });
  if (!ok) {
    TraceF("Conversion from %s failed: %s\n", name.c_str(), std::strerror(errno));
    return std::nullopt;
  }
  std::u16string wide(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return wide;
}

std::optional<std::string> ConvertToAnsi(std::u16string_view wide, int codePage) {
  std::string name = CStdioFileEx::IconvNameForCodePage(codePage);
  if (name.empty()) {
    TraceF("No converter for code page %d\n", codePage);
    return std::nullopt;
  }
  Converter conv(name, "UTF-16LE");
  if (!conv.ok()) {
    TraceF("No converter to %s\n", name.c_str());
    return std::nullopt;
  }
  std::string in(wide.size() * 2, '\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    in[2 * i] = static_cast<char>(wide[i] & 0xFF);
    in[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  const bool utf8 = ResolveCodePage(codePage) == CStdioFileEx::kUtf8;
  std::string out;
  // A character the target lacks (or a lone surrogate) becomes one "#" (U+FFFD in UTF-8);
  // a surrogate pair counts as one character.
  bool ok = RunIconv(conv, in, out, [utf8](std::string_view rest, auto& emit) {
    if (utf8) emit("\xEF\xBF\xBD", 3);
    else emit("#", 1);
    if (rest.size() >= 4) {
      unsigned first = static_cast<unsigned char>(rest[0]) | (static_cast<unsigned char>(rest[1]) << 8);
      unsigned second = static_cast<unsigned char>(rest[2]) | (static_cast<unsigned char>(rest[3]) << 8);
      if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) return std::size_t{4};
    }
    return std::size_t{2};
  });
  if (!ok) {
    TraceF("Conversion to %s failed: %s\n", name.c_str(), std::strerror(errno));
    return std::nullopt;
  }
  return out;
}

int SystemUserCodePage() {
  // The locale the environment names (LC_ALL, LC_CTYPE, LANG), without touching the process's.
  locale_t loc = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return 0;
  const char* codeset = ::nl_langinfo_l(CODESET, loc);
  int codePage = codeset ? CStdioFileEx::CodePageForCodeset(codeset) : 0;
  ::freelocale(loc);
  return codePage;
}

} // namespace divuzo
