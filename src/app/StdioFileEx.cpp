#include "app/StdioFileEx.h"

#include "app/CodePage.h"
#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "platform/Trace.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace divuzo {

namespace {

struct CodePageName {
  int codePage;
  const char* iconvName;
};

// Code page numbers and the iconv names that carry them. The first row of a number is its name.
constexpr CodePageName kCodePages[] = {
    {65001, "UTF-8"},      {932, "CP932"},        {20932, "EUC-JP"},     {51932, "EUC-JP"},
    {50220, "ISO-2022-JP"}, {20127, "ASCII"},     {1250, "CP1250"},      {1251, "CP1251"},
    {1252, "CP1252"},      {1253, "CP1253"},      {1254, "CP1254"},      {1255, "CP1255"},
    {1256, "CP1256"},      {1257, "CP1257"},      {1258, "CP1258"},      {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"}, {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {936, "GBK"},        {54936, "GB18030"},
    {950, "BIG5"},         {949, "CP949"},        {51949, "EUC-KR"},     {20866, "KOI8-R"},
    {21866, "KOI8-U"},     {874, "CP874"},        {437, "CP437"},        {850, "CP850"},
    {866, "CP866"},
};

// Character-set names as nl_langinfo(CODESET) reports them, upper case without '-' and '_'.
struct CodesetNumber {
  const char* codeset;
  int codePage;
};

constexpr CodesetNumber kCodesets[] = {
    {"UTF8", 65001},       {"EUCJP", 20932},      {"SHIFTJIS", 932},     {"SJIS", 932},
    {"CP932", 932},        {"WINDOWS31J", 932},   {"ANSIX3.41968", 20127}, {"ASCII", 20127},
    {"USASCII", 20127},    {"ISO88591", 28591},   {"ISO88592", 28592},   {"ISO88593", 28593},
    {"ISO88594", 28594},   {"ISO88595", 28595},   {"ISO88596", 28596},   {"ISO88597", 28597},
    {"ISO88598", 28598},   {"ISO88599", 28599},   {"ISO885913", 28603},  {"ISO885915", 28605},
    {"CP1250", 1250},      {"CP1251", 1251},      {"CP1252", 1252},      {"CP1253", 1253},
    {"CP1254", 1254},      {"CP1255", 1255},      {"CP1256", 1256},      {"CP1257", 1257},
    {"CP1258", 1258},      {"GBK", 936},          {"GB18030", 54936},    {"GB2312", 936},
    {"BIG5", 950},         {"BIG5HKSCS", 950},    {"EUCKR", 51949},      {"KOI8R", 20866},
    {"KOI8U", 21866},      {"TIS620", 874},       {"CP437", 437},        {"CP850", 850},
    {"CP866", 866},
};

std::string NormaliseCodeset(std::string_view codeset) {
  std::string key;
  for (char c : codeset) {
    if (c == '-' || c == '_') continue;
    key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return key;
}

void StripLineEnd(std::string& line) {
  if (line.size() >= 2 && line[line.size() - 2] == '\r' && line.back() == '\n') {
    line.resize(line.size() - 2);
  } else if (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
    line.pop_back();
  }
}

} // namespace

CStdioFileEx::CStdioFileEx() = default;

CStdioFileEx::CStdioFileEx(const std::filesystem::path& fileName, int flags) { Open(fileName, flags); }

CStdioFileEx::~CStdioFileEx() { Abort(); }

bool CStdioFileEx::Open(const std::filesystem::path& fileName, int flags, std::string* error) {
  if (file_) Close();
  lastError_.clear();
  writeFailed_ = false;
  unicode_ = false;
  fileCodePage_ = kProgramCodePage;
  auto fail = [&](std::string text) {
    lastError_ = std::move(text);
    if (error) *error = lastError_;
    return false;
  };
  const int access = flags & (modeWrite | modeReadWrite);
  if ((flags & modeWriteUnicode) && access == 0) {
    return fail("cannot write Unicode to " + Utf8FromPath(fileName) + ": opened for reading only");
  }
  if ((flags & typeText) && !(flags & (modeCreate | modeWrite)) && HasUnicodeMark(fileName)) {
    unicode_ = true;
    flags = (flags & ~typeText) | typeBinary;
  }
  openFlags_ = flags;
  target_ = fileName;

  if (flags & modeCreate) {
    std::filesystem::path temp;
    int fd = CreateTempBeside(fileName, temp, &lastError_);
    if (fd < 0) return fail(lastError_);
    file_ = ::fdopen(fd, "w+b");
    if (!file_) {
      int err = errno;
      ::close(fd);
      RemoveFile(temp);
      return fail(SystemErrorText("cannot open", fileName, err));
    }
    temp_ = temp;
    return true;
  }
  int fd = OpenExistingFile(fileName, access == modeReadWrite ? FileAccess::ReadWrite
                                      : access == modeWrite   ? FileAccess::Write
                                                              : FileAccess::Read);
  if (fd < 0) return fail(SystemErrorText("cannot open", fileName, errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return fail(SystemErrorText("cannot open", fileName, EISDIR));
  }
  file_ = ::fdopen(fd, access == modeReadWrite ? "r+b" : access == modeWrite ? "wb" : "rb");
  if (!file_) {
    int err = errno;
    ::close(fd);
    return fail(SystemErrorText("cannot open", fileName, err));
  }
  return true;
}

void CStdioFileEx::ReleaseFile() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) RemoveFile(temp_);
  temp_.clear();
}

bool CStdioFileEx::Close() {
  if (!file_) return true;
  bool ok = !writeFailed_;
  if (ok && std::fflush(file_) != 0) {
    lastError_ = SystemErrorText("cannot write", target_, errno);
    ok = false;
  }
  if (ok && !temp_.empty()) {
    ok = PublishTemp(::fileno(file_), temp_, target_, &lastError_);
    if (ok) temp_.clear(); // renamed: nothing left to remove
  }
  if (std::fclose(file_) != 0 && ok) {
    lastError_ = SystemErrorText("cannot write", target_, errno);
    ok = false;
  }
  file_ = nullptr;
  if (!temp_.empty()) RemoveFile(temp_);
  temp_.clear();
  return ok;
}

void CStdioFileEx::Abort() { ReleaseFile(); }

bool CStdioFileEx::ReadWideLine(std::u16string& line) {
  line.clear();
  unsigned char unit[2];
  for (;;) {
    std::size_t n = std::fread(unit, 1, 2, file_);
    if (n < 2) break; // end of file (an odd last byte is not a character)
    char16_t c = static_cast<char16_t>(unit[0] | (unit[1] << 8));
    line += c;
    if (c == u'\n') break;
  }
  if (std::ferror(file_))
    throw std::system_error(errno, std::generic_category(), "read " + Utf8FromPath(target_));
  return !line.empty();
}

bool CStdioFileEx::ReadString(std::string& line) {
  line.clear();
  if (!file_) return false;
  if (unicode_) {
    if (std::ftell(file_) == 0) {
      unsigned char mark[2];
      if (std::fread(mark, 1, 2, file_) != 2) {
        if (std::ferror(file_))
          throw std::system_error(errno, std::generic_category(), "read " + Utf8FromPath(target_));
        return false;
      }
    }
    std::u16string wide;
    if (!ReadWideLine(wide)) return false;
    line = ToAnsi(wide, kUtf8);
  } else {
    if (!ReadLine(file_, line)) {
      int err = errno;
      if (std::ferror(file_))
        throw std::system_error(err, std::generic_category(), "read " + Utf8FromPath(target_));
      return false;
    }
    const int fileCodePage = ResolveCodePage(fileCodePage_);
    if (fileCodePage != kUtf8) line = ToAnsi(ToWide(line, fileCodePage), kUtf8);
  }
  StripLineEnd(line);
  return true;
}

bool CStdioFileEx::WriteBytes(const void* data, std::size_t size) {
  if (size == 0) return true;
  if (std::fwrite(data, 1, size, file_) != size) {
    writeFailed_ = true;
    lastError_ = SystemErrorText("cannot write", target_, errno);
    return false;
  }
  return true;
}

bool CStdioFileEx::WriteString(std::string_view text) {
  if (!file_) {
    lastError_ = "no file is open";
    return false;
  }
  if (openFlags_ & modeWriteUnicode) {
    if (std::ftell(file_) == 0) {
      static const unsigned char kMark[2] = {0xFF, 0xFE};
      if (!WriteBytes(kMark, 2)) return false;
    }
    std::u16string wide = ToWide(text, kUtf8);
    std::string bytes(wide.size() * 2, '\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
      bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
    }
    return WriteBytes(bytes.data(), bytes.size());
  }
  const int fileCodePage = ResolveCodePage(fileCodePage_);
  if (fileCodePage != kUtf8) {
    std::string converted = ToAnsi(ToWide(text, kUtf8), fileCodePage);
    return WriteBytes(converted.data(), converted.size());
  }
  return WriteBytes(text.data(), text.size());
}

std::int64_t CStdioFileEx::CharacterCount() const {
  if (!file_) return 0;
  std::fflush(file_);
  struct stat st {};
  if (::fstat(::fileno(file_), &st) != 0) return 0;
  std::int64_t length = st.st_size;
  if (unicode_ || (openFlags_ & modeWriteUnicode)) return length >= 2 ? (length - 2) / 2 : 0;
  return length;
}

bool CStdioFileEx::HasUnicodeMark(const std::filesystem::path& fileName) {
  std::FILE* f = OpenFileStream(fileName, "rb");
  if (!f) return false;
  unsigned char mark[2];
  bool unicode = std::fread(mark, 1, 2, f) == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
  std::fclose(f);
  return unicode;
}

int CStdioFileEx::UserAnsiCodePage() { return SystemUserCodePage(); }

int CStdioFileEx::CodePageForCodeset(std::string_view codeset) {
  const std::string key = NormaliseCodeset(codeset);
  for (const auto& entry : kCodesets) {
    if (key == entry.codeset) return entry.codePage;
  }
  return 0;
}

std::string CStdioFileEx::IconvNameForCodePage(int codePage) {
  codePage = ResolveCodePage(codePage);
  for (const auto& entry : kCodePages) {
    if (entry.codePage == codePage) return entry.iconvName;
  }
  return {};
}

int CStdioFileEx::ToWide(const char* text, char16_t* out, int outSize, int codePage) {
  if (!text || !out || outSize <= 0) return 0;
  std::fill(out, out + outSize, u'\0');
  auto wide = ConvertToWide(text, codePage);
  if (!wide) return 0;
  if (wide->size() + 1 > static_cast<std::size_t>(outSize)) {
    TraceF("Wide buffer too small: %zu units needed, %d given\n", wide->size() + 1, outSize);
    return 0;
  }
  std::copy(wide->begin(), wide->end(), out);
  return static_cast<int>(wide->size());
}

int CStdioFileEx::ToAnsi(const char16_t* wide, char* out, int outSize, int codePage) {
  if (!wide || !out || outSize <= 0) return 0;
  std::fill(out, out + outSize, '\0');
  auto text = ConvertToAnsi(std::u16string_view(wide), codePage);
  if (!text) return 0;
  if (text->size() + 1 > static_cast<std::size_t>(outSize)) {
    TraceF("Text buffer too small: %zu bytes needed, %d given\n", text->size() + 1, outSize);
    return 0;
  }
  std::copy(text->begin(), text->end(), out);
  return static_cast<int>(text->size());
}

int CStdioFileEx::AnsiSizeFor(const char16_t* wide, int codePage) {
  if (!wide) return 0;
  auto text = ConvertToAnsi(std::u16string_view(wide), codePage);
  return text ? static_cast<int>(text->size() + 1) : 0;
}

std::u16string CStdioFileEx::ToWide(std::string_view text, int codePage) {
  return ConvertToWide(text, codePage).value_or(std::u16string());
}

std::string CStdioFileEx::ToAnsi(std::u16string_view wide, int codePage) {
  return ConvertToAnsi(wide, codePage).value_or(std::string());
}

} // namespace divuzo
