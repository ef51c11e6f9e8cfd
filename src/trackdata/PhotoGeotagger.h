#pragma once
// Linking the photos of one folder to the points of one track log: reads the track points and
// the photos' taking times, corrects the times by the calibration, matches each photo to the
// nearest point in time, writes a KML file in which matched points carry their photos, and, when
// asked, a GPS-tagged copy of every matched photo in the folder's "GPS" subfolder.
#include "trackdata/ExifGpsWriter.h"
#include "trackdata/PhotoMatch.h"
#include "trackdata/TextSink.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace divuzo {

struct PhotoSettings {
  int timeZoneHours = 0;                // photo and name time zone, hours east of UTC
  std::int64_t calibrationSeconds = 0;  // added to every photo time
  bool writeGps = false;                // write GPS copies of matched photos
  bool batchMode = false;               // no per-photo list lines and no summary
  // Called as the run goes: `done` of `total` steps, one per photo read and, when GPS copies
  // are written, one per photo copied (a photo that gets no copy counts as done once matching
  // has shown it). `total` stays the same for the whole run.
  std::function<void(std::size_t done, std::size_t total)> progress;
};

// calibration day, hour, minute, second -> signed seconds.
std::int64_t CalibrationSeconds(int day, int hour, int minute, int second);

// The settings that the photo setting dialog stored in theUtilityManager.
PhotoSettings PhotoSettingsFromUtilityManager();

// What a run reports to the user.
struct PhotoRunReport {
  std::vector<std::string> listLines;  // the photo page's message list
  std::vector<std::string> summary;    // the summary text, one line each
  int photosRead = 0;
  int photosFailed = 0;
  int photosMatched = 0;
  int photosUnmatched = 0;  // read, but not on the track
  int gpsWritten = 0;
  int gpsRefused = 0;       // camera maker not supported
  int gpsFailed = 0;
  bool tableFull = false;   // more points or photos than the tables hold; the rest was left out
  std::string error;        // set when the KML file could not be written
};

class PhotoGeotagger {
public:
  // Room of each table, as in the photo page's fixed tables.
  static constexpr std::size_t kCapacity = 140000;

  struct Point {
    double longitude = 0, latitude = 0, height = 0;
    std::int64_t time = 0;
    std::string name;  // local time as a KML name text; empty when it has none
  };
  struct Photo {
    std::filesystem::path path;
    bool timeRead = false;
    std::string message;  // why the time could not be read
    std::int64_t originalTime = 0;
    std::int64_t adjustedTime = 0;
  };

  // Loads the points of `trackFile` and the "*.jpg" photos of `photoFolder` (in name order;
  // the extension in any case), reads and calibrates the photo times and matches them.
  void Prepare(const std::filesystem::path& trackFile, const std::filesystem::path& photoFolder,
               const PhotoSettings& settings, PhotoRunReport& report);

  // Writes the KML document, declared as UTF-16 (the sink writes the file in UTF-16); writes
  // the GPS copies when the settings ask for them.
  void WriteKml(TextSink& sink, PhotoRunReport& report);

  const std::vector<Point>& points() const { return points_; }
  const std::vector<Photo>& photos() const { return photos_; }
  const std::vector<SortedPoint>& sortedPoints() const { return sortedPoints_; }
  const std::vector<SortedPhoto>& sortedPhotos() const { return sortedPhotos_; }

private:
  void LoadPoints(PhotoRunReport& report);
  void ListPhotos(const std::filesystem::path& folder, PhotoRunReport& report);
  void WriteDescription(TextSink& sink, std::size_t pointIndex,
                        const std::vector<std::size_t>& photos, GpsPhotoBatch& copies,
                        PhotoRunReport& report);
  std::string LocalName(std::int64_t time) const;
  void AdvanceProgress(std::size_t steps);

  std::filesystem::path trackFile_;
  PhotoSettings settings_;
  std::vector<Point> points_;
  std::vector<SortedPoint> sortedPoints_;
  std::vector<Photo> photos_;
  std::vector<SortedPhoto> sortedPhotos_;
  std::size_t progressDone_ = 0;
  std::size_t progressTotal_ = 0;
};

// The photo KML: runs the photo processing and writes `kmlFile` as UTF-16 text with a byte-order
// mark. The file appears only when complete. False with report.error set when it could not be
// written.
bool WritePhotoKml(const std::filesystem::path& trackFile,
                   const std::filesystem::path& photoFolder, const std::filesystem::path& kmlFile,
                   const PhotoSettings& settings, PhotoRunReport& report);

// Convert on the photo page: checks that a track file and a photo folder were given and can be
// read, and that the KML would not replace the track, a photo or an existing file that is not
// a KML file (the reason in report.error; nothing is written then), and runs WritePhotoKml.
bool ConvertPhotos(const std::filesystem::path& trackFile,
                   const std::filesystem::path& photoFolder, const std::filesystem::path& kmlFile,
                   const PhotoSettings& settings, PhotoRunReport& report);

// The logger download's photo option: WritePhotoKml in batch mode with the settings stored in
// theUtilityManager.
bool CombinePhotosFromDownload(const std::filesystem::path& trackFile,
                               const std::filesystem::path& kmlFile,
                               const std::filesystem::path& photoFolder, PhotoRunReport& report);

} // namespace divuzo
