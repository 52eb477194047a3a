#include "track_time.h"

#include <algorithm>

#include "edit_list.h"
#include "time_math.h"

namespace tvx {

namespace {

// Media time shown `movieDelta` units into an edit, rounded down so a sample is only counted
// once it has started.
std::int64_t MediaOffsetFloor(std::int64_t movieDelta, Fixed rate, const EditScales& s) {
  __int128 n = __int128(movieDelta) * rate * s.media;
  __int128 d = __int128(s.movie) * fixed1;
  __int128 q = n / d;
  if (n % d != 0 && n < 0) --q;
  return std::int64_t(q);
}

}  // namespace

InterestingTime NextSampleTime(const Track& track, std::int64_t time, bool edgeOk) {
  const SampleTable& table = track.media.samples;
  const EditScales scales = ScalesOf(track);
  InterestingTime none;
  if (table.sampleCount == 0) return none;
  auto after = [&](std::int64_t t) { return edgeOk ? t >= time : t > time; };

  std::int64_t editStart = 0;
  for (const Edit& e : track.edits) {
    const std::int64_t editEnd = editStart + e.duration;
    if (e.mediaTime < 0 || e.duration <= 0 || e.rate <= 0 || editEnd <= time) {
      editStart = editEnd;
      continue;
    }
    const std::int64_t mediaEnd = e.mediaTime + MovieToMediaDelta(e.duration, e.rate, scales);
    auto movieTimeOf = [&](std::int64_t mediaTime) {
      return editStart + MediaToMovieDelta(mediaTime - e.mediaTime, e.rate, scales);
    };
    std::int64_t candidate = -1;
    std::uint32_t sample = 0;
    if (after(editStart)) {
      candidate = editStart;
      sample = table.SampleAtTime(e.mediaTime);
    } else {
      std::int64_t shown = e.mediaTime + MediaOffsetFloor(time - editStart, e.rate, scales);
      std::uint32_t s = table.SampleAtTime(shown);
      // Rounding into movie time can put a neighbouring start on either side of `time`.
      if (s > 0) --s;
      for (; s < table.sampleCount; ++s) {
        std::int64_t start = table.SampleTime(s);
        if (start >= mediaEnd) break;
        if (start <= e.mediaTime) continue;
        std::int64_t t = movieTimeOf(start);
        if (t >= editEnd) break;
        if (after(t)) {
          candidate = t;
          sample = s;
          break;
        }
      }
    }
    if (candidate >= 0) {
      std::int64_t end = editEnd;
      std::int64_t sampleEnd = table.SampleTime(sample) + table.SampleDuration(sample);
      if (sampleEnd < mediaEnd) end = std::min(end, movieTimeOf(sampleEnd));
      return {candidate, std::max<std::int64_t>(0, end - candidate)};
    }
    editStart = editEnd;
  }
  return none;
}

std::int64_t TrackToMediaTime(const Track& track, std::int64_t t) {
  if (t < 0) return -1;
  const EditScales scales = ScalesOf(track);
  std::int64_t start = 0;
  for (const Edit& e : track.edits) {
    if (t < start + e.duration) {
      if (e.mediaTime < 0) return -1;
      return e.mediaTime + MediaOffsetFloor(t - start, e.rate, scales);
    }
    start += e.duration;
  }
  return -1;
}

std::int64_t TrackOffset(const Track& track) {
  std::int64_t start = 0;
  for (const Edit& e : track.edits) {
    if (e.mediaTime >= 0 && e.duration > 0) return start;
    start += e.duration;
  }
  return 0;
}

}  // namespace tvx
