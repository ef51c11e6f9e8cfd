#include "trackdata/LogBlockFilter.h"

#include <ctime>

namespace divuzo {

namespace {
int CurrentUtcYear() {
  std::tm utc{};
  const std::time_t now = std::time(nullptr);
  return UtcBreakdown(now, utc) ? utc.tm_year + 1900 : 1900;
}
} // namespace

LogBlockFilter::LogBlockFilter(LocalTimeBase localTime, int currentUtcYear)
    : localTime_(localTime), currentYear_(currentUtcYear != 0 ? currentUtcYear : CurrentUtcYear()) {
  stored_.reserve(1024);
}

void LogBlockFilter::Reset() {
  stored_.clear();
  pendingWaypoint_ = nextIsRecord_ = false;
  separatorCount_ = validCount_ = waypointCount_ = droppedCount_ = 0;
  haveTime_ = false;
  currentTime_ = previousTime_ = 0;
  ringStart_ = ringEnd_ = 0;
  wrapped_ = false;
}

bool LogBlockFilter::YearInWindow(std::int32_t time) const {
  std::tm local{};
  const int year = localTime_.Breakdown(time, local) ? local.tm_year + 1900 : 1900;
  return year >= currentYear_ - 3 && year <= currentYear_ + 3;
}

void LogBlockFilter::Store(const TrackPointRecord& slot) {
  LogListEntry entry;
  entry.slot = slot;
  entry.waypoint = pendingWaypoint_;
  pendingWaypoint_ = false;
  stored_.push_back(entry);
}

void LogBlockFilter::FilterLogBlock(const std::uint8_t* block, std::size_t size) {
  for (std::size_t offset = kSectorHeaderBytes; offset + kTrackRecordSize <= size; offset += kTrackRecordSize) {
    const std::uint8_t* slot = block + offset;
    const bool treatAsRecord = nextIsRecord_;
    nextIsRecord_ = false;
    if (!treatAsRecord) {
      if (IsSeparatorSlot(slot)) {
        if (stored_.size() >= kListCapacity) {
          ++droppedCount_;
          continue;
        }
        // A separator carries no waypoint flag; a pending one waits for the next record.
        const bool pending = pendingWaypoint_;
        pendingWaypoint_ = false;
        Store(RecordFromBytes(slot));
        pendingWaypoint_ = pending;
        ++separatorCount_;
        continue;
      }
      if (IsFillerSlot(slot) || IsErasedSlot(slot)) continue;
      if (IsWaypointMarkerSlot(slot)) {
        pendingWaypoint_ = true;
        ++waypointCount_;
        nextIsRecord_ = true;
        continue;
      }
    }
    const TrackPointRecord record = RecordFromBytes(slot);
    if (!IsValidRecord(record)) continue;
    const std::int32_t time = DecodeRecord(record).time;
    if (!YearInWindow(time)) continue;
    if (stored_.size() >= kListCapacity) {
      ++droppedCount_;
      continue;
    }
    const std::size_t index = stored_.size();
    Store(record);
    ++validCount_;
    if (!haveTime_) {
      currentTime_ = previousTime_ = time;
      haveTime_ = true;
    } else {
      previousTime_ = currentTime_;
      currentTime_ = time;
    }
    if (currentTime_ < previousTime_) {
      ringStart_ = index;
      ringEnd_ = index - 1;
      wrapped_ = true;
    }
  }
}

std::vector<LogListEntry> LogBlockFilter::OrderedList() const {
  std::vector<LogListEntry> ordered;
  ordered.reserve(stored_.size());
  for (std::size_t i = ringStart_; i < stored_.size(); ++i) ordered.push_back(stored_[i]);
  if (wrapped_)
    for (std::size_t i = 0; i <= ringEnd_ && i < stored_.size(); ++i) ordered.push_back(stored_[i]);
  return ordered;
}

} // namespace divuzo
