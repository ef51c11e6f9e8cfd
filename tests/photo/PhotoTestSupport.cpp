#include "PhotoTestSupport.h"

#include "CaptureOutput.h"

#include <algorithm>

namespace divuzo::test {

std::map<std::string, std::string> ExifToolTags(const std::filesystem::path& photo,
                                                const std::string& selection, bool printed) {
  std::vector<std::string> args = {"exiftool", "-s", "-a"};
  if (!printed) args.push_back("-n");
  args.push_back(selection);
  args.push_back(photo.string());
  std::map<std::string, std::string> tags;
  for (const auto& line : Lines(RunCapture(args).out)) {
    const auto colon = line.find(" : ");
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    name.erase(name.find_last_not_of(' ') + 1);
    tags[name] = line.substr(colon + 3);
  }
  return tags;
}

std::string ExifToolAllButGps(const std::filesystem::path& photo) {
  const CommandOutput result =
      RunCapture({"exiftool", "-j", "-a", "-G1", "-All:All", "--File:all", "--System:all",
                  "--ExifTool:all", "--GPS:all", "--Composite:all", "--ThumbnailOffset",
                  photo.string()});
  std::string text;
  for (const auto& line : Lines(result.out)) {
    if (line.find("\"SourceFile\"") != std::string::npos) continue;
    text += line + "\n";
  }
  return text;
}

std::string ExifToolThumbnail(const std::filesystem::path& photo) {
  return RunCapture({"exiftool", "-b", "-ThumbnailImage", photo.string()}).out;
}

std::vector<std::string> ExifToolValidationWarnings(const std::filesystem::path& photo) {
  std::vector<std::string> warnings;
  for (const auto& line :
       Lines(RunCapture({"exiftool", "-validate", "-warning", "-a", "-s", photo.string()}).out)) {
    if (line.rfind("Warning", 0) == 0) warnings.push_back(line);
  }
  std::sort(warnings.begin(), warnings.end());
  return warnings;
}

std::vector<std::string> Exiv2Warnings(const std::filesystem::path& photo) {
  std::vector<std::string> warnings;
  for (const char* mode : {"-pa", "-pv"}) {
    const CommandOutput result = RunShell(std::string("exiv2 ") + mode + " " +
                                          ShellQuote(photo.string()) + " 2>&1 >/dev/null");
    for (auto& line : Lines(result.out)) warnings.push_back(mode + (" " + line));
  }
  std::sort(warnings.begin(), warnings.end());
  return warnings;
}

} // namespace divuzo::test
