#include "flatten_plan.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tvx {

namespace {

using Int128 = __int128;

/// Media time units an edit covers: duration (movie time) x rate, rounded up.
std::int64_t MediaSpan(const Edit& edit, TimeScale movieTimeScale, TimeScale mediaTimeScale) {
  Fixed rate = edit.rate > 0 ? edit.rate : fixed1;
  Int128 num = Int128(std::max<std::int64_t>(edit.duration, 0)) * mediaTimeScale * rate;
  Int128 den = Int128(movieTimeScale) * fixed1;
  Int128 span = (num + den - 1) / den;
  if (span > std::numeric_limits<std::int64_t>::max() / 2) return std::numeric_limits<std::int64_t>::max() / 2;
  return std::int64_t(span);
}

/// The samples one edit needs, decode-order inclusive, widened back to a sync sample.
struct EditSamples {
  bool used = false;
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

/// Composition offsets bound how far presentation time strays from decode time.
struct OffsetBounds {
  std::int64_t maxPositive = 0;
  std::int64_t maxNegative = 0;  // magnitude of the most negative offset
};

OffsetBounds BoundsOf(const SampleTable& table) {
  OffsetBounds b;
  for (const OffsetRun& run : table.compositionOffsets) {
    b.maxPositive = std::max<std::int64_t>(b.maxPositive, run.offset);
    b.maxNegative = std::max<std::int64_t>(b.maxNegative, -std::int64_t(run.offset));
  }
  return b;
}

/// Samples decoded before the first one shown. Compressed sound (AAC, MP3) overlaps each frame
/// with the one before it, so a cut that starts without it decodes its first frame wrongly
/// (ISO/IEC 14496-12 'roll' groups give AAC a roll distance of -1).
std::uint32_t PrerollOf(const Media& media) {
  return media.handlerType == FOUR_CHAR_CODE("soun") ? 1 : 0;
}

EditSamples SamplesOfEdit(const Edit& edit, const SampleTable& table, const OffsetBounds& bounds,
                          std::uint32_t preroll, TimeScale movieTimeScale,
                          TimeScale mediaTimeScale) {
  EditSamples e;
  if (edit.mediaTime < 0 || table.sampleCount == 0) return e;
  const std::int64_t start = edit.mediaTime;
  if (start >= table.Duration() + bounds.maxPositive) return e;
  const std::int64_t end = start + std::max<std::int64_t>(1, MediaSpan(edit, movieTimeScale, mediaTimeScale));
  // A sample shows from decode time + offset, so anything decoded before start - maxPositive
  // has finished showing before the edit starts, and anything decoded at or after
  // end + maxNegative shows after it ends.
  std::uint32_t first = table.SampleAtTime(std::max<std::int64_t>(0, start - bounds.maxPositive));
  std::uint32_t last = table.SampleAtTime(end - 1 + bounds.maxNegative);
  e.used = true;
  first -= std::min(first, preroll);
  e.first = table.SyncAtOrBefore(first);
  e.last = std::max(last, e.first);
  return e;
}

OSErr CheckScales(const Track& track, TimeScale movieTimeScale) {
  if (movieTimeScale <= 0) return invalidMovie;
  if (track.media.timeScale <= 0) return invalidMedia;
  if (!track.media.samples.IsConsistent(std::uint32_t(track.media.descriptions.size())))
    return invalidSampleTable;
  return noErr;
}

}  // namespace

OSErr UsedSampleRanges(const Track& track, TimeScale movieTimeScale,
                       std::vector<std::pair<std::uint32_t, std::uint32_t>>* ranges) {
  ranges->clear();
  if (OSErr err = CheckScales(track, movieTimeScale); err != noErr) return err;
  const SampleTable& table = track.media.samples;
  const OffsetBounds bounds = BoundsOf(table);
  for (const Edit& edit : track.edits) {
    EditSamples e = SamplesOfEdit(edit, table, bounds, PrerollOf(track.media), movieTimeScale,
                                  track.media.timeScale);
    if (e.used) ranges->emplace_back(e.first, e.last);
  }
  std::sort(ranges->begin(), ranges->end());
  std::vector<std::pair<std::uint32_t, std::uint32_t>> merged;
  for (const auto& r : *ranges) {
    if (!merged.empty() && std::uint64_t(r.first) <= std::uint64_t(merged.back().second) + 1)
      merged.back().second = std::max(merged.back().second, r.second);
    else
      merged.push_back(r);
  }
  *ranges = std::move(merged);
  return noErr;
}

void MergeContinuingEdits(std::vector<Edit>* edits, TimeScale movieTimeScale,
                          TimeScale mediaTimeScale) {
  std::vector<Edit> out;
  for (const Edit& e : *edits) {
    if (!out.empty()) {
      Edit& prev = out.back();
      if (prev.mediaTime < 0 && e.mediaTime < 0) {
        prev.duration += e.duration;
        continue;
      }
      if (prev.mediaTime >= 0 && e.mediaTime >= 0 && prev.rate == e.rate && prev.rate > 0) {
        // Where prev's media ends, in units of 1 / (movieTimeScale x fixed1) media units. The
        // next edit continues it when it starts there to within one movie time unit, the
        // precision the edit durations themselves were rounded to.
        Int128 gap = Int128(e.mediaTime - prev.mediaTime) * movieTimeScale * fixed1 -
                     Int128(prev.duration) * mediaTimeScale * prev.rate;
        Int128 tick = Int128(mediaTimeScale) * prev.rate;
        if (gap > -tick && gap < tick) {
          prev.duration += e.duration;
          continue;
        }
      }
    }
    out.push_back(e);
  }
  *edits = std::move(out);
}

OSErr PlanFlatten(const Movie& movie, const std::string& destination, FlattenPlan* plan) {
  plan->movie = CloneMovie(movie);
  plan->tracks.clear();
  const TimeScale movieScale = movie.timeScale;
  for (std::size_t i = 0; i < movie.tracks.size(); ++i) {
    const Track& src = *movie.tracks[i];
    Track& dst = *plan->movie->tracks[i];
    TrackPlan tp;
    tp.source = &src;
    tp.target = &dst;

    std::vector<std::pair<std::uint32_t, std::uint32_t>> used;
    if (OSErr err = UsedSampleRanges(src, movieScale, &used); err != noErr) return err;

    const SampleTable& table = src.media.samples;
    const TimeScale mediaScale = src.media.timeScale;
    std::vector<std::uint32_t> identity(src.media.descriptions.size());
    for (std::size_t d = 0; d < identity.size(); ++d) identity[d] = std::uint32_t(d + 1);
    dst.media.samples = SampleTable{};
    for (const auto& [first, last] : used) {
      SourceRange r;
      r.first = first;
      r.count = last - first + 1;
      r.newFirst = dst.media.samples.sampleCount;
      r.newStartTime = dst.media.samples.Duration();
      r.playSeconds = std::numeric_limits<double>::infinity();
      dst.media.samples.AppendRange(table, first, r.count, identity, mediaScale, mediaScale);
      tp.ranges.push_back(r);
    }
    dst.media.samples.Finalize();

    // Move each edit onto the copied samples; note when each range starts playing.
    const OffsetBounds bounds = BoundsOf(table);
    std::int64_t editStart = 0;
    for (Edit& edit : dst.edits) {
      const std::int64_t playsAt = editStart;
      editStart += edit.duration;
      EditSamples e = SamplesOfEdit(edit, table, bounds, PrerollOf(src.media), movieScale, mediaScale);
      if (edit.mediaTime < 0) continue;
      if (!e.used) {  // points past the media: nothing to show, keep it past the new end
        edit.mediaTime = dst.media.samples.Duration();
        continue;
      }
      auto it = std::upper_bound(tp.ranges.begin(), tp.ranges.end(), e.first,
                                 [](std::uint32_t s, const SourceRange& r) { return s < r.first; });
      SourceRange& r = *(it - 1);
      const std::int64_t rangeTime = table.SampleTime(r.first);
      const double rate = double(edit.rate > 0 ? edit.rate : fixed1) / fixed1;
      const double seconds = double(playsAt) / movieScale -
                             double(edit.mediaTime - rangeTime) / (double(mediaScale) * rate);
      r.playSeconds = std::min(r.playSeconds, seconds);
      edit.mediaTime = r.newStartTime + (edit.mediaTime - rangeTime);
    }
    for (SourceRange& r : tp.ranges)
      if (r.playSeconds == std::numeric_limits<double>::infinity()) r.playSeconds = 0;
    MergeContinuingEdits(&dst.edits, movieScale, mediaScale);

    // Everything now lives in the destination itself. A join leaves one description per input
    // file; with one data reference they are alike, and players (FFmpeg signals new extradata,
    // browsers play only the first) do best with one.
    DataRef self;
    self.kind = DataRef::Kind::Self;
    self.type = FOUR_CHAR_CODE("alis");
    self.flags = 1;
    self.resolvedPath = destination;
    dst.media.dataRefs.assign(1, self);
    std::vector<SampleDescription> kept;
    for (SampleDescription d : dst.media.descriptions) {
      d.SetDataRefIndex(1);
      auto same = std::find_if(kept.begin(), kept.end(),
                               [&](const SampleDescription& k) { return k.bytes == d.bytes; });
      if (same == kept.end()) same = kept.insert(kept.end(), std::move(d));
      tp.descriptionMap.push_back(std::uint32_t(same - kept.begin()) + 1);
    }
    dst.media.descriptions = std::move(kept);

    plan->tracks.push_back(std::move(tp));
  }
  plan->movie->originPath = destination;
  return noErr;
}

}  // namespace tvx
