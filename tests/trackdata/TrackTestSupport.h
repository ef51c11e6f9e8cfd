#pragma once
// Helpers for the track data tests: records packed by hand (independently of the code under
// test), and running outside programs such as gpsbabel and xmllint.
#include "CaptureOutput.h"

#include <cstdint>
#include <string>
#include <vector>

namespace divuzo::test {

struct PlainPoint {
  std::int32_t time;
  float latitude;
  float longitude;
  float height;
};

// The 16 bytes of a record, with a correct checksum.
std::string PackRecord(const PlainPoint& point);
// The height as it reads back: the lowest byte of its single precision value cleared.
float StoredHeight(float height);

// Runs a shell command; returns its standard output and sets `status` to its exit status.
std::string RunCapture(const std::string& command, int* status = nullptr);

// Lines of a text without their line ends (LF or CR LF).
std::vector<std::string> SplitLines(const std::string& text);
// Comma-separated fields, honouring double quotes.
std::vector<std::string> SplitCsv(const std::string& line);

} // namespace divuzo::test
