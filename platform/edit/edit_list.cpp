#include "edit_list.h"

#include <algorithm>
#include <limits>

#include "time_math.h"

namespace tvx {

namespace {

std::int64_t Clamp64(__int128 v) {
  if (v > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (v < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return std::int64_t(v);
}

// n / d rounded to nearest, halves away from zero; d > 0.
__int128 DivRound(__int128 n, __int128 d) {
  return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

}  // namespace

EditScales ScalesOf(const Track& track) {
  EditScales s;
  if (track.movie != nullptr && track.movie->timeScale > 0) s.movie = track.movie->timeScale;
  if (track.media.timeScale > 0) s.media = track.media.timeScale;
  return s;
}

std::int64_t MovieToMediaDelta(std::int64_t movieDelta, Fixed rate, const EditScales& scales) {
  __int128 n = __int128(movieDelta) * rate * scales.media;
  __int128 d = __int128(scales.movie) * fixed1;
  return Clamp64(DivRound(n, d));
}

std::int64_t MediaToMovieDelta(std::int64_t mediaDelta, Fixed rate, const EditScales& scales) {
  if (rate <= 0) return 0;
  __int128 n = __int128(mediaDelta) * scales.movie * fixed1;
  __int128 d = __int128(scales.media) * rate;
  return Clamp64(DivRound(n, d));
}

std::int64_t TotalDuration(const std::vector<Edit>& edits) {
  std::int64_t total = 0;
  for (const Edit& e : edits) total += e.duration;
  return total;
}

std::size_t SplitEditsAt(std::vector<Edit>& edits, std::int64_t t, const EditScales& scales) {
  std::int64_t start = 0;
  for (std::size_t i = 0; i < edits.size(); ++i) {
    if (t <= start) return i;
    std::int64_t end = start + edits[i].duration;
    if (t < end) {
      Edit tail = edits[i];
      std::int64_t head = t - start;
      tail.duration = end - t;
      if (tail.mediaTime >= 0) tail.mediaTime += MovieToMediaDelta(head, tail.rate, scales);
      edits[i].duration = head;
      edits.insert(edits.begin() + std::ptrdiff_t(i) + 1, tail);
      return i + 1;
    }
    start = end;
  }
  return edits.size();
}

void NormalizeEdits(std::vector<Edit>& edits, const EditScales& scales) {
  std::vector<Edit> out;
  out.reserve(edits.size());
  for (const Edit& e : edits) {
    if (e.duration <= 0) continue;
    if (!out.empty()) {
      Edit& last = out.back();
      bool bothEmpty = last.mediaTime < 0 && e.mediaTime < 0;
      bool continues = last.mediaTime >= 0 && e.mediaTime >= 0 && last.rate == e.rate &&
                       last.mediaTime + MovieToMediaDelta(last.duration, last.rate, scales) ==
                           e.mediaTime;
      if (bothEmpty || continues) {
        last.duration += e.duration;
        continue;
      }
    }
    out.push_back(e);
  }
  while (!out.empty() && out.back().mediaTime < 0) out.pop_back();
  edits.swap(out);
}

std::vector<Edit> CopyEditRange(const std::vector<Edit>& edits, std::int64_t start,
                                std::int64_t duration, const EditScales& scales) {
  std::vector<Edit> work = edits;
  std::size_t first = SplitEditsAt(work, start, scales);
  std::size_t last = SplitEditsAt(work, start + duration, scales);
  std::vector<Edit> segment(work.begin() + std::ptrdiff_t(first), work.begin() + std::ptrdiff_t(last));
  // A list that ends before the range is padded, so the segment always spans `duration`.
  std::int64_t covered = TotalDuration(segment);
  if (covered < duration) segment.push_back(Edit{duration - covered, -1, fixed1});
  return segment;
}

void RemoveEditRange(std::vector<Edit>& edits, std::int64_t start, std::int64_t duration,
                     const EditScales& scales) {
  std::size_t first = SplitEditsAt(edits, start, scales);
  std::size_t last = SplitEditsAt(edits, start + duration, scales);
  edits.erase(edits.begin() + std::ptrdiff_t(first), edits.begin() + std::ptrdiff_t(last));
  NormalizeEdits(edits, scales);
}

void InsertEditsAt(std::vector<Edit>& edits, const std::vector<Edit>& segment, std::int64_t at,
                   const EditScales& scales) {
  std::int64_t total = TotalDuration(edits);
  std::size_t index;
  if (at > total) {
    edits.push_back(Edit{at - total, -1, fixed1});
    index = edits.size();
  } else {
    index = SplitEditsAt(edits, at, scales);
  }
  edits.insert(edits.begin() + std::ptrdiff_t(index), segment.begin(), segment.end());
  NormalizeEdits(edits, scales);
}

void RescaleEditDurations(std::vector<Edit>& edits, std::int64_t fromScale, std::int64_t toScale) {
  if (fromScale == toScale || fromScale <= 0 || toScale <= 0) return;
  std::int64_t oldStart = 0;
  std::int64_t newStart = 0;
  for (Edit& e : edits) {
    std::int64_t oldEnd = oldStart + e.duration;
    std::int64_t newEnd = MulDivRound(oldEnd, toScale, fromScale);
    e.duration = newEnd - newStart;
    oldStart = oldEnd;
    newStart = newEnd;
  }
}

bool ScaleEditRange(std::vector<Edit>& edits, std::int64_t start, std::int64_t oldDuration,
                    std::int64_t newDuration, const EditScales& scales) {
  std::vector<Edit> work = edits;
  std::size_t first = SplitEditsAt(work, start, scales);
  std::size_t last = SplitEditsAt(work, start + oldDuration, scales);
  std::int64_t oldPos = 0;
  std::int64_t newPos = 0;
  for (std::size_t i = first; i < last; ++i) {
    Edit& e = work[i];
    std::int64_t oldEnd = oldPos + e.duration;
    std::int64_t newEnd = MulDivRound(oldEnd, newDuration, oldDuration);
    e.duration = newEnd - newPos;
    if (e.mediaTime >= 0) {
      std::int64_t rate = MulDivRound(e.rate, oldDuration, newDuration);
      if (rate <= 0 || rate > std::numeric_limits<Fixed>::max()) return false;
      e.rate = Fixed(rate);
    }
    oldPos = oldEnd;
    newPos = newEnd;
  }
  NormalizeEdits(work, scales);
  edits.swap(work);
  return true;
}

}  // namespace tvx
