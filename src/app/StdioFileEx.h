#pragma once
// A line-oriented text file whose callers read and write the program's own text (UTF-8) while
// the file itself is either UTF-16 little-endian with a byte-order mark, or 8-bit text in some
// code page. Code pages are the usual numbers (65001 UTF-8, 932 Shift_JIS, 20932 EUC-JP,
// 1252, 28591 ISO-8859-1, ...), converted with iconv.
//
// Files opened with modeCreate are written to a temporary file beside the target and published
// by Close(): a failed or abandoned export never leaves a half-written file, and an existing file
// of that name stays as it was until the new one is complete. An object destroyed while still open
// (an error path that never reached Close) discards what it wrote.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace divuzo {

class CStdioFileEx {
public:
  // Open flags.
  static constexpr int modeRead = 0x0000;
  static constexpr int modeWrite = 0x0001;
  static constexpr int modeReadWrite = 0x0002;
  static constexpr int modeCreate = 0x1000;
  static constexpr int typeText = 0x4000;
  static constexpr int typeBinary = 0x8000;
  // Write UTF-16LE with a byte-order mark (needs modeWrite or modeReadWrite).
  static constexpr int modeWriteUnicode = 0x20000;

  // Code page -1: the code page of the program's own strings, UTF-8 on this system.
  static constexpr int kProgramCodePage = -1;
  static constexpr int kUtf8 = 65001;

  CStdioFileEx();
  // Opens at once; check IsOpen() / LastError().
  CStdioFileEx(const std::filesystem::path& fileName, int flags);
  virtual ~CStdioFileEx();
  CStdioFileEx(const CStdioFileEx&) = delete;
  CStdioFileEx& operator=(const CStdioFileEx&) = delete;

  // Adjusts the flags (a UTF-16 file with mark opened in text mode for reading is read as
  // Unicode), then opens. On failure returns false with a message in LastError() (and in *error
  // when given). Resets the file code page to kProgramCodePage.
  bool Open(const std::filesystem::path& fileName, int flags, std::string* error = nullptr);
  // Flushes and, for files opened with modeCreate, syncs and renames the temporary file into
  // place. False (with LastError()) when anything written could not be stored; the target is then
  // left as it was before the open.
  bool Close();
  // Closes without publishing: a modeCreate file's temporary is removed.
  void Abort();
  bool IsOpen() const { return file_ != nullptr; }

  // One line without its line end (CR LF, or a lone trailing CR or LF). False at end of file.
  // Throws std::system_error when the underlying read fails.
  bool ReadString(std::string& line);
  // Writes the text (UTF-8; no line end is added), converted to the file's encoding. Returns
  // false when the file is not open or the write failed (the error is kept for Close as well).
  bool WriteString(std::string_view text);

  // Code page of an 8-bit file (kProgramCodePage: no conversion). Set after Open.
  void SetFileCodePage(int codePage) { fileCodePage_ = codePage; }
  int GetFileCodePage() const { return fileCodePage_; }
  bool IsUnicode() const { return unicode_; }
  int GetOpenFlags() const { return openFlags_; }
  const std::string& LastError() const { return lastError_; }

  // Characters in the file: 0 when not open; (length - 2) / 2 for UTF-16 files; else the length.
  std::int64_t CharacterCount() const;

  // True when the file starts with the UTF-16LE byte-order mark FF FE.
  static bool HasUnicodeMark(const std::filesystem::path& fileName);

  // The user's code page from the locale's character set (LC_ALL / LC_CTYPE / LANG), as a
  // number; 0 when the locale is unavailable or its character set has no number here.
  static int UserAnsiCodePage();
  // Code page number for a character-set name as nl_langinfo(CODESET) reports it; 0 if unknown.
  static int CodePageForCodeset(std::string_view codeset);
  // iconv name for a code page number (-1 resolves to UTF-8); empty when unknown.
  static std::string IconvNameForCodePage(int codePage);

  // `text` (zero-terminated, in `codePage`) to UTF-16 in `out` of `outSize` units, zero-terminated.
  // Returns the units written without the terminator; 0 on failure or when it does not fit.
  // Bytes that are not valid in the code page become U+FFFD.
  static int ToWide(const char* text, char16_t* out, int outSize, int codePage = kProgramCodePage);
  // UTF-16 `wide` (zero-terminated) to `codePage` in `out` of `outSize` bytes, zero-terminated.
  // Characters the code page cannot hold become "#" (U+FFFD for UTF-8). Returns the bytes written
  // without the terminator; 0 on failure or when it does not fit.
  static int ToAnsi(const char16_t* wide, char* out, int outSize, int codePage = kProgramCodePage);
  // Bytes ToAnsi needs for `wide`, terminating zero included; 0 on failure.
  static int AnsiSizeFor(const char16_t* wide, int codePage = kProgramCodePage);

  // The same conversions on strings (no size limit). Empty on failure.
  static std::u16string ToWide(std::string_view text, int codePage = kProgramCodePage);
  static std::string ToAnsi(std::u16string_view wide, int codePage = kProgramCodePage);

private:
  bool ReadWideLine(std::u16string& line);
  bool WriteBytes(const void* data, std::size_t size);
  void ReleaseFile();

  std::FILE* file_ = nullptr;
  std::filesystem::path target_;
  std::filesystem::path temp_; // non-empty while a modeCreate file is being written
  bool unicode_ = false;
  int openFlags_ = 0;
  int fileCodePage_ = kProgramCodePage;
  bool writeFailed_ = false;
  std::string lastError_;
};

using StdioFileEx = CStdioFileEx;

} // namespace divuzo
