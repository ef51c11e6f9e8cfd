// Throughput of the code-page aware text file: lines written and read per second for a UTF-16
// file with mark (as the photo KML is written) and for a Shift_JIS file, plus the registry store's
// write rate (each write is a full atomic replacement with fsync).
#include "app/StdioFileEx.h"
#include "platform/RegistryStore.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using divuzo::CStdioFileEx;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void TextFile(const std::filesystem::path& file, int flags, int codePage, const char* label) {
  const int lines = 200000;
  const std::string line = "    <Placemark><name>2026/12/08 23:10:13 日本語</name></Placemark>\r\n";
  auto start = Clock::now();
  {
    CStdioFileEx out(file, CStdioFileEx::modeCreate | CStdioFileEx::modeWrite | flags);
    out.SetFileCodePage(codePage);
    for (int i = 0; i < lines; ++i) out.WriteString(line);
    if (!out.Close()) std::fprintf(stderr, "%s\n", out.LastError().c_str());
  }
  const double write = Seconds(start);
  start = Clock::now();
  int read = 0;
  {
    CStdioFileEx in(file, CStdioFileEx::modeRead | CStdioFileEx::typeText);
    in.SetFileCodePage(codePage);
    std::string text;
    while (in.ReadString(text)) ++read;
  }
  const double readTime = Seconds(start);
  std::printf("%-22s write %8.0f lines/s   read %8.0f lines/s   (%d lines, %.1f MB)\n", label, lines / write,
              read / readTime, read, std::filesystem::file_size(file) / 1e6);
}

} // namespace

int main() {
  char folder[] = "/tmp/divuzo-bench-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  const std::filesystem::path dir(folder);
  TextFile(dir / "utf16.kml", CStdioFileEx::modeWriteUnicode, CStdioFileEx::kProgramCodePage, "UTF-16 with mark");
  TextFile(dir / "sjis.txt", CStdioFileEx::typeText, 932, "Shift_JIS (932)");
  TextFile(dir / "utf8.txt", CStdioFileEx::typeText, CStdioFileEx::kProgramCodePage, "UTF-8 (no conversion)");

  divuzo::RegistryStore store(dir / "registry.txt");
  const int writes = 200;
  auto start = Clock::now();
  for (int i = 0; i < writes; ++i) {
    divuzo::RegValue v;
    v.type = divuzo::REG_SZ;
    v.text = "00:11:22:33:44:" + std::to_string(i % 100);
    store.SetValue(divuzo::HKEY_CURRENT_USER, "", "T410BTMacAddress", v);
  }
  std::printf("%-22s %8.0f writes/s (atomic replace with fsync)\n", "registry store", writes / Seconds(start));
  std::filesystem::remove_all(dir);
  return 0;
}
