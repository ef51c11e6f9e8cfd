#include "GoldenTranscript.h"

#include "engine/WireTranscript.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace divuzo::test {

namespace {

std::string GoldenPath(const std::string& name) {
  return std::string(DIVUZO_SOURCE_DIR) + "/tests/transcripts/" + name + ".txt";
}

}  // namespace

void ExpectGoldenTranscript(const std::string& name, const std::vector<std::string>& header,
                            const std::vector<std::string>& lines, bool compareHeader) {
  const std::string path = GoldenPath(name);
  const char* write = std::getenv("DIVUZO_WRITE_TRANSCRIPTS");
  if (write && *write == '1' && compareHeader) {
    std::ofstream out(path);
    for (const auto& h : header) out << "# " << h << "\n";
    for (const auto& l : lines) out << l << "\n";
    ASSERT_TRUE(out.good()) << "cannot write " << path;
    return;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << "no golden transcript " << path;
  std::vector<std::string> goldenHeader;
  std::vector<std::string> goldenLines;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("# ", 0) == 0)
      goldenHeader.push_back(line.substr(2));
    else if (!line.empty())
      goldenLines.push_back(line);
  }
  if (compareHeader) {
    EXPECT_EQ(header, goldenHeader) << name;
  }
  std::string difference;
  EXPECT_TRUE(vdev::SameBytes(goldenLines, lines, &difference)) << name << ": " << difference;
}

}  // namespace divuzo::test
