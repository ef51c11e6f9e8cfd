#pragma once
// Shared by the photo tests: exiftool as the independent reader of the files we write.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace divuzo::test {

// exiftool's tags of the photo as "name -> value" (-s names, -n numbers unless `printed`).
std::map<std::string, std::string> ExifToolTags(const std::filesystem::path& photo,
                                                const std::string& selection, bool printed = false);

// Every tag exiftool reads, grouped, except the file system's, the GPS directory's and the ones
// it derives, and the thumbnail's offset (it moves): what must read the same in a photo and
// its GPS copy.
std::string ExifToolAllButGps(const std::filesystem::path& photo);

// The embedded thumbnail as exiftool extracts it.
std::string ExifToolThumbnail(const std::filesystem::path& photo);

// What the independent readers find wrong in the photo's structure, one line each, sorted:
// exiftool's -validate warnings, and what exiv2 prints on standard error while it prints
// every tag (-pa) and every value (-pv). A copy must add nothing to its original's lists.
std::vector<std::string> ExifToolValidationWarnings(const std::filesystem::path& photo);
std::vector<std::string> Exiv2Warnings(const std::filesystem::path& photo);

} // namespace divuzo::test
