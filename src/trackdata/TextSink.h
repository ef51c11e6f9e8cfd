#pragma once
// Where the track writers put their text. A writer hands over finished pieces (usually one line
// with its CR LF); the sink decides how they reach the file (plain bytes, or a code-page aware
// text file that re-encodes each piece).
#include <cstddef>
#include <string>
#include <string_view>

namespace divuzo {

class TextSink {
public:
  virtual ~TextSink() = default;
  // Writes the text as given; no line end is added.
  virtual void WriteString(std::string_view text) = 0;
};

// Line end of every text file the track writers produce.
inline constexpr std::string_view kLineEnd = "\r\n";

// Writes `line` followed by CR LF.
inline void WriteLine(TextSink& sink, std::string_view line) {
  sink.WriteString(line);
  sink.WriteString(kLineEnd);
}

// Writers gather many points' text in one string and hand it over once it holds this much.
inline constexpr std::size_t kBatchBytes = 64 * 1024;

// Writes `pending` to the sink and empties it once it has grown to a batch.
inline void WriteBatchWhenFull(TextSink& sink, std::string& pending) {
  if (pending.size() < kBatchBytes) return;
  sink.WriteString(pending);
  pending.clear();
}

} // namespace divuzo
