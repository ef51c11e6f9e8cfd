#pragma once
// Wire transcripts kept in tests/transcripts/ as regression records: what a flow says and
// hears on the line must not change by one byte. A golden file is a few "# " lines (what ran
// and what came of it) followed by the transcript lines of engine/WireTranscript.h.
//
// Run a test with DIVUZO_WRITE_TRANSCRIPTS=1 to write the files instead of comparing.
#include <string>
#include <vector>

namespace divuzo::test {

// Compares `lines` direction by direction, and `header` line by line unless `compareHeader` is
// false, with the golden file `name` (without folder and ".txt"); a mismatch fails the
// calling test. Writing (DIVUZO_WRITE_TRANSCRIPTS=1) needs the header.
void ExpectGoldenTranscript(const std::string& name, const std::vector<std::string>& header,
                            const std::vector<std::string>& lines, bool compareHeader = true);

}  // namespace divuzo::test
