// Where a track's samples fall in movie time, seen through its edit list.
#pragma once

#include <cstdint>

#include "../model/movie_model.h"

namespace tvx {

struct InterestingTime {
  std::int64_t time = -1;      // movie time; -1 when there is none
  std::int64_t duration = 0;   // movie time until the next sample boundary or the edit's end
};

/// The next time a sample starts showing after `time` (at `time` too when edgeOk). The start of
/// a non-empty edit counts, since a new sample shows from there.
InterestingTime NextSampleTime(const Track& track, std::int64_t time, bool edgeOk);

/// The media time shown at movie time t; -1 in an empty edit or outside the track.
std::int64_t TrackToMediaTime(const Track& track, std::int64_t t);

/// Movie time at which the first non-empty edit starts (0 for a track without content).
std::int64_t TrackOffset(const Track& track);

}  // namespace tvx
