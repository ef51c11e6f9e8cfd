#pragma once
// Turns the 64 KiB blocks of logger memory, as they arrive during a download, into the list of
// stored slots in recording order. Each block starts with a 512-byte sector header; slots of 16
// bytes follow. Separators are kept (they cut tracks later), fillers and erased slots dropped,
// waypoint markers flag the next accepted record, and records must pass the checksum and lie
// within three years of the current year. When the record times go backwards the memory has
// wrapped around, and the list is read from that point on, then from the start.
#include "trackdata/TrackPointRecord.h"
#include "trackdata/TrackTime.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace divuzo {

struct LogListEntry {
  TrackPointRecord slot; // a record, or a separator slot
  bool waypoint = false;
};

class LogBlockFilter {
public:
  static constexpr std::size_t kBlockBytes = 64 * 1024;
  static constexpr std::size_t kSectorHeaderBytes = 512;
  static constexpr std::size_t kListCapacity = 131072;  // 2 MiB of slots

  // `currentUtcYear` is the year the record window is centred on (the computer's current UTC
  // year by default); `localTime` gives the records' calendar years.
  explicit LogBlockFilter(LocalTimeBase localTime = LocalTimeBase::Computer(), int currentUtcYear = 0);

  // Clears every list, flag and counter, as at the start of a download.
  void Reset();
  // Takes one block image (normally kBlockBytes long; a shorter last block is taken as it is).
  void FilterLogBlock(const std::uint8_t* block, std::size_t size = kBlockBytes);

  // The list in recording order: from the wrap point to the end, then from the start.
  std::vector<LogListEntry> OrderedList() const;

  std::size_t StoredCount() const { return stored_.size(); }
  int SeparatorCount() const { return separatorCount_; }
  int ValidCount() const { return validCount_; }
  int WaypointCount() const { return waypointCount_; }
  bool Wrapped() const { return wrapped_; }
  // Slots that were accepted but found the list full (they are dropped).
  int DroppedCount() const { return droppedCount_; }

private:
  bool YearInWindow(std::int32_t time) const;
  void Store(const TrackPointRecord& slot);

  LocalTimeBase localTime_;
  int currentYear_;
  std::vector<LogListEntry> stored_;
  bool pendingWaypoint_ = false;  // flag for the next stored list index
  bool nextIsRecord_ = false;     // the slot after a waypoint marker (may lie in the next block)
  int separatorCount_ = 0;
  int validCount_ = 0;
  int waypointCount_ = 0;
  int droppedCount_ = 0;
  bool haveTime_ = false;
  std::int32_t currentTime_ = 0;
  std::int32_t previousTime_ = 0;
  std::size_t ringStart_ = 0;
  std::size_t ringEnd_ = 0;
  bool wrapped_ = false;
};

} // namespace divuzo
