#include "trackdata/TrackConversion.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"
#include "trackdata/AtomicTextFile.h"
#include "trackdata/TrackExport.h"

#include <system_error>

namespace divuzo {

namespace {

std::string_view SuffixFor(OutputFormat format) {
  switch (format) {
    case OutputFormat::Text: return ".txt";
    case OutputFormat::Kml: return ".kml";
    case OutputFormat::Nmea: return "NMEA.txt";
    case OutputFormat::Gpx: return ".gpx";
  }
  return ".kml";
}

} // namespace

void RunConversion(OutputFormat format, TrackFileReader& source, TextSink& target,
                   const LocalTimeBase& localTime) {
  switch (format) {
    case OutputFormat::Text: WriteTextFromTrackFile(source, target, localTime); return;
    case OutputFormat::Kml: WriteKmlFromTrackFile(source, target, localTime); return;
    case OutputFormat::Nmea: WriteNmeaFromTrackFile(source, target); return;
    case OutputFormat::Gpx: WriteGpxFromTrackFile(source, target); return;
  }
}

std::string ReplaceExtension(const std::string& path, OutputFormat format) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < FileNameStart(path)) return path + std::string(SuffixFor(format));
  if (format == OutputFormat::Nmea) return path.substr(0, dot) + "NMEA.txt";
  return path.substr(0, dot) + std::string(SuffixFor(format));
}

std::string ConvertedFileName(const std::string& sourcePath, OutputFormat format) {
  const std::size_t nameLength = sourcePath.size() - FileNameStart(sourcePath);
  std::string base = nameLength > 4 ? sourcePath.substr(0, sourcePath.size() - 4) : sourcePath;
  return base + std::string(SuffixFor(format));
}

std::string WriteKmlFile(const std::filesystem::path& source, const std::filesystem::path& target,
                         const LocalTimeBase& localTime) {
  TrackFileReader reader;
  if (!reader.Open(source)) return reader.Error();
  AtomicTextFile output;
  if (!output.Open(target)) return output.Error();
  WriteKmlFromTrackFile(reader, output, localTime);
  if (!reader.Error().empty()) return reader.Error();
  if (!output.Commit()) return output.Error();
  return {};
}

ConversionResult ConvertTrackFile(const ConversionRequest& request, const ConversionProgress& progress) {
  ConversionResult result;
  TrackFileReader source;
  if (!source.Open(request.source)) {
    result.error = source.Error();
    return result;
  }
  if (source.SizeBytes() < kTrackRecordSize) {
    result.error = Utf8FromPath(request.source) +
                   " is too short to be a track log: " + std::to_string(source.SizeBytes()) +
                   " bytes, a record has 16";
    return result;
  }
  if (const std::uint64_t extra = source.SizeBytes() % kTrackRecordSize; extra != 0) {
    result.warning = Utf8FromPath(request.source) +
                     " is not a whole number of 16-byte records; the last " +
                     std::to_string(extra) + " bytes were ignored";
  }

  std::vector<OutputFormat> formats;
  if (request.wantText) formats.push_back(OutputFormat::Text);
  if (request.wantKml) formats.push_back(OutputFormat::Kml);
  if (request.wantNmea) formats.push_back(OutputFormat::Nmea);
  if (request.wantGpx) formats.push_back(OutputFormat::Gpx);

  const LocalTimeBase localTime = LocalTimeBase::FixedHours(request.timeZoneHours);
  const int steps = static_cast<int>(formats.size());
  for (int step = 0; step < steps; ++step) {
    const OutputFormat format = formats[static_cast<std::size_t>(step)];
    const std::filesystem::path target =
        PathFromUtf8(ConvertedFileName(Utf8FromPath(request.source), format));
    std::error_code ec;
    if (std::filesystem::equivalent(target, request.source, ec)) {
      result.error = "the output " + Utf8FromPath(target) + " would replace the source file";
      return result;
    }
    if (progress) {
      // Multi-pass writers read the file twice; the share restarts with each pass.
      source.SetProgress([&](std::uint64_t done, std::uint64_t total) {
        progress(step, steps, total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total));
      });
      progress(step, steps, 0.0);
    }
    AtomicTextFile output;
    if (!output.Open(target)) {
      result.error = output.Error();
      return result;
    }
    RunConversion(format, source, output, localTime);
    if (!source.Error().empty()) {
      result.error = source.Error();
      return result;  // the unfinished output is discarded
    }
    if (!output.Commit()) {
      result.error = output.Error();
      return result;
    }
    result.written.push_back(target);
  }
  if (progress) progress(steps, steps, 1.0);
  result.ok = true;
  return result;
}

} // namespace divuzo
