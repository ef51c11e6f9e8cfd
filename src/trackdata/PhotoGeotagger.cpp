#include "trackdata/PhotoGeotagger.h"

#include "app/StdioFileEx.h"
#include "app/UtilityManager.h"
#include "platform/InputFile.h"
#include "platform/Utf8Path.h"
#include "trackdata/ExifReader.h"
#include "trackdata/KmlTemplate.h"
#include "trackdata/PhotoTexts.h"
#include "trackdata/TrackFileReader.h"
#include "trackdata/TrackTime.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace divuzo {

namespace {

bool HasJpgExtension(const std::filesystem::path& file) {
  const std::string ext = Utf8FromPath(file.extension());
  if (ext.size() != 4) return false;
  std::string lower;
  for (char c : ext) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == ".jpg";
}

// CDATA cannot hold "]]>": such a run is split over two sections.
std::string CdataSafe(const std::string& text) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("]]>", from)) != std::string::npos; from = at + 3) {
    out.append(text, from, at - from);
    out += "]]]]><![CDATA[>";
  }
  out.append(text, from, std::string::npos);
  return out;
}

// The KML may replace an existing KML file, never the track, a photo or any other file.
bool KmlMayReplace(const std::filesystem::path& kml, const std::filesystem::path& track,
                   const std::filesystem::path& photoFolder) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(kml, ec);
  if (ec || !std::filesystem::exists(status)) return true;  // a new file
  std::string ext = Utf8FromPath(kml.extension());
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != ".kml" || std::filesystem::is_directory(kml, ec)) return false;
  if (std::filesystem::equivalent(kml, track, ec)) return false;
  for (std::filesystem::directory_iterator it(photoFolder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code same;
    if (HasJpgExtension(it->path()) && std::filesystem::equivalent(kml, it->path(), same)) {
      return false;
    }
  }
  return true;
}

class StdioFileSink : public TextSink {
public:
  explicit StdioFileSink(CStdioFileEx& file) : file_(file) {}
  void WriteString(std::string_view text) override { file_.WriteString(text); }

private:
  CStdioFileEx& file_;
};

} // namespace

std::int64_t CalibrationSeconds(int day, int hour, int minute, int second) {
  return std::int64_t{day} * 86400 + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 +
         second;
}

PhotoSettings PhotoSettingsFromUtilityManager() {
  PhotoSettings settings;
  settings.timeZoneHours = theUtilityManager.GetTimeZoneHours();
  const auto c = theUtilityManager.GetPhotoCalibration();
  settings.calibrationSeconds = CalibrationSeconds(c[0], c[1], c[2], c[3]);
  settings.writeGps = theUtilityManager.writeGpsInPhoto.load() != 0;
  return settings;
}

std::string PhotoGeotagger::LocalName(std::int64_t time) const {
  std::tm local{};
  if (!LocalTimeBase::FixedHours(settings_.timeZoneHours).Breakdown(time, local)) return {};
  return NameText(local);
}

void PhotoGeotagger::LoadPoints(PhotoRunReport& report) {
  TrackFileReader reader;
  if (!reader.Open(trackFile_)) return;  // no points; the document is still written
  TrackPoint p;
  while (reader.Next(p)) {
    if (points_.size() == kCapacity) {
      report.tableFull = true;
      break;
    }
    points_.push_back({p.longitude, p.latitude, p.height, p.time, LocalName(p.time)});
  }
  sortedPoints_.reserve(points_.size());
  for (std::size_t i = 0; i < points_.size(); ++i) {
    sortedPoints_.push_back({i, points_[i].time, false});
  }
  std::stable_sort(sortedPoints_.begin(), sortedPoints_.end(),
                   [](const SortedPoint& a, const SortedPoint& b) { return a.time < b.time; });
}

void PhotoGeotagger::ListPhotos(const std::filesystem::path& given, PhotoRunReport& report) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  // Full paths, so that the KML finds the photos wherever it is saved.
  std::filesystem::path folder = std::filesystem::absolute(given, ec);
  if (ec) folder = given;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code typeError;
    if (HasJpgExtension(it->path()) && it->is_regular_file(typeError)) files.push_back(it->path());
  }
  // A stable order that does not depend on the file system: by name.
  std::sort(files.begin(), files.end());
  if (files.size() > kCapacity) {
    files.resize(kCapacity);
    report.tableFull = true;
  }
  for (auto& file : files) photos_.push_back({std::move(file), false, {}, 0, 0});
}

void PhotoGeotagger::Prepare(const std::filesystem::path& trackFile,
                             const std::filesystem::path& photoFolder,
                             const PhotoSettings& settings, PhotoRunReport& report) {
  trackFile_ = trackFile;
  settings_ = settings;
  points_.clear();
  sortedPoints_.clear();
  photos_.clear();
  sortedPhotos_.clear();

  LoadPoints(report);
  ListPhotos(photoFolder, report);
  progressDone_ = 0;
  progressTotal_ = photos_.size() * (settings_.writeGps ? 2 : 1);

  for (auto& photo : photos_) {
    const PhotoTimeResult time = ReadPhotoTime(photo.path, settings_.timeZoneHours);
    photo.timeRead = time.ok;
    photo.message = time.message;
    if (time.ok) {
      ++report.photosRead;
      photo.originalTime = time.time;
      photo.adjustedTime = time.time + settings_.calibrationSeconds;
    } else {
      ++report.photosFailed;
    }
    AdvanceProgress(1);
    if (settings_.batchMode) continue;
    if (time.ok) {
      report.listLines.push_back(PhotoText(kPhotoTextReadPrefix) + Utf8FromPath(photo.path));
    } else {
      report.listLines.push_back(PhotoText(kPhotoTextFailedPrefix) + Utf8FromPath(photo.path) +
                                 ";" + time.message);
    }
  }
  if (!settings_.batchMode) {
    report.summary.push_back(PhotoReadSummary(report.photosRead, report.photosFailed));
  }

  // Only photos with a time take part in the matching; the others stay unmatched.
  for (std::size_t i = 0; i < photos_.size(); ++i) {
    if (photos_[i].timeRead) sortedPhotos_.push_back({i, photos_[i].adjustedTime, false, 0});
  }
  std::stable_sort(sortedPhotos_.begin(), sortedPhotos_.end(),
                   [](const SortedPhoto& a, const SortedPhoto& b) {
                     return a.adjustedTime < b.adjustedTime;
                   });
  MatchPhotos(sortedPoints_, sortedPhotos_);
  if (settings_.writeGps) {
    // Only matched photos get a copy; the others' copy steps are done now.
    const auto matched =
        static_cast<std::size_t>(std::count_if(sortedPhotos_.begin(), sortedPhotos_.end(),
                                               [](const SortedPhoto& p) { return p.matched; }));
    AdvanceProgress(photos_.size() - matched);
  }

  for (const auto& sorted : sortedPhotos_) {
    sorted.matched ? ++report.photosMatched : ++report.photosUnmatched;
    if (settings_.batchMode) continue;
    report.listLines.push_back(
        PhotoText(sorted.matched ? kPhotoTextMatchedPrefix : kPhotoTextUnmatchedPrefix) +
        Utf8FromPath(photos_[sorted.index].path));
  }
  if (!settings_.batchMode) {
    report.summary.push_back(PhotoMatchSummary(report.photosMatched, report.photosUnmatched));
  }
}

void PhotoGeotagger::AdvanceProgress(std::size_t steps) {
  progressDone_ = std::min(progressTotal_, progressDone_ + steps);
  if (settings_.progress) settings_.progress(progressDone_, progressTotal_);
}

void PhotoGeotagger::WriteDescription(TextSink& sink, std::size_t pointIndex,
                                      const std::vector<std::size_t>& photos,
                                      GpsPhotoBatch& copies, PhotoRunReport& report) {
  const bool calibrated = settings_.calibrationSeconds != 0;
  WriteLine(sink, "<description>");
  WriteLine(sink, "<![CDATA[");
  WriteLine(sink, "Photo Matched:");
  const Point& point = points_[pointIndex];
  for (std::size_t photoIndex : photos) {
    const Photo& photo = photos_[photoIndex];
    if (calibrated) {
      WriteLine(sink, "<p>Original Time: " + LocalName(photo.originalTime) + "</p>");
    }
    WriteLine(sink, std::string("<p>") + (calibrated ? "Adjustment Time: " : "") +
                        LocalName(photo.adjustedTime) + "</p>");
    WriteLine(sink, "<p><img width=\"400\" height=\"300\" src=\"" +
                        CdataSafe(Utf8FromPath(photo.path)) + "\"></p>");
    if (!settings_.writeGps) continue;
    const GpsPhotoResult gps =
        copies.Add(photo.path, GpsFix{point.latitude, point.longitude, point.height, point.time});
    AdvanceProgress(1);
    switch (gps.status) {
      case GpsPhotoStatus::Written: ++report.gpsWritten; break;  // staged until the end
      case GpsPhotoStatus::MakerRefused:
        ++report.gpsRefused;
        report.listLines.push_back(PhotoText(kPhotoTextMakerRefused) + Utf8FromPath(photo.path));
        break;
      case GpsPhotoStatus::Failed:
        ++report.gpsFailed;
        report.listLines.push_back(PhotoText(kPhotoTextFailedPrefix) + Utf8FromPath(photo.path) +
                                   ";" + gps.message);
        break;
    }
  }
  WriteLine(sink, "]]>");
  WriteLine(sink, "</description>");
}

void PhotoGeotagger::WriteKml(TextSink& sink, PhotoRunReport& report) {
  WriteKmlHeader(sink, "UTF-16");  // the photo KML is written as UTF-16 (see WritePhotoKml)
  // The route comes from the file again, every valid record of it.
  {
    TrackFileReader reader;
    if (reader.Open(trackFile_)) WriteKmlRoute(reader, sink);
  }
  WriteKmlRouteEnd(sink);

  // Photos per point, in ascending adjusted time.
  std::vector<std::vector<std::size_t>> photosAt(points_.size());
  for (const auto& sorted : sortedPhotos_) {
    if (sorted.matched) photosAt[sortedPoints_[sorted.point].index].push_back(sorted.index);
  }
  GpsPhotoBatch copies;
  const long long count = static_cast<long long>(points_.size());
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const Point& point = points_[i];
    if (point.name.empty()) continue;  // no local time: no placemark, but it keeps its number
    WriteKmlPlacemarkBegin(sink, point.name);
    if (!photosAt[i].empty()) WriteDescription(sink, i, photosAt[i], copies, report);
    WriteKmlPlacemarkEnd(sink, KmlStyleFor(static_cast<long long>(i), count, !photosAt[i].empty()),
                         point.longitude, point.latitude, point.height);
  }
  WriteKmlFooter(sink);
  // Matched photos at a point without a local time get no copy: their steps end here.
  AdvanceProgress(progressTotal_ - progressDone_);
  for (const auto& failure : copies.Commit()) {
    --report.gpsWritten;
    ++report.gpsFailed;
    report.listLines.push_back(PhotoText(kPhotoTextFailedPrefix) + Utf8FromPath(failure.output) +
                               ";" + failure.message);
  }
}

bool WritePhotoKml(const std::filesystem::path& trackFile,
                   const std::filesystem::path& photoFolder, const std::filesystem::path& kmlFile,
                   const PhotoSettings& settings, PhotoRunReport& report) {
  PhotoGeotagger tagger;
  tagger.Prepare(trackFile, photoFolder, settings, report);
  CStdioFileEx file;
  std::string error;
  if (!file.Open(kmlFile,
                 CStdioFileEx::modeCreate | CStdioFileEx::modeWrite | CStdioFileEx::typeText |
                     CStdioFileEx::modeWriteUnicode,
                 &error)) {
    report.error = error;
    return false;
  }
  StdioFileSink sink(file);
  tagger.WriteKml(sink, report);
  if (!file.Close()) {
    report.error = file.LastError();
    return false;
  }
  return true;
}

bool ConvertPhotos(const std::filesystem::path& trackFile,
                   const std::filesystem::path& photoFolder, const std::filesystem::path& kmlFile,
                   const PhotoSettings& settings, PhotoRunReport& report) {
  if (trackFile.empty()) {
    report.error = PhotoText(kPhotoTextNoTrackFile);
    return false;
  }
  if (photoFolder.empty()) {
    report.error = PhotoText(kPhotoTextNoPhotoFolder);
    return false;
  }
  // Inputs that are not there end the run before anything is written.
  if (InputFile track(trackFile); !track.ok()) {
    report.error = PhotoText(kPhotoTextTrackUnreadable) + track.error();
    return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(photoFolder, ec)) {
    report.error = PhotoText(kPhotoTextNoSuchPhotoFolder) + Utf8FromPath(photoFolder);
    return false;
  }
  if (!KmlMayReplace(kmlFile, trackFile, photoFolder)) {
    report.error = PhotoText(kPhotoTextKmlTargetRefused) + Utf8FromPath(kmlFile);
    return false;
  }
  return WritePhotoKml(trackFile, photoFolder, kmlFile, settings, report);
}

bool CombinePhotosFromDownload(const std::filesystem::path& trackFile,
                               const std::filesystem::path& kmlFile,
                               const std::filesystem::path& photoFolder, PhotoRunReport& report) {
  PhotoSettings settings = PhotoSettingsFromUtilityManager();
  settings.batchMode = true;
  return WritePhotoKml(trackFile, photoFolder, kmlFile, settings, report);
}

} // namespace divuzo
