#include "sample_table.h"

#include <algorithm>
#include <cmath>

namespace tvx {

void SampleTable::Finalize() { FinalizeFrom(0, 0); }

void SampleTable::FinalizeFrom(std::size_t durationRun, std::size_t offsetRun) {
  durationRun = std::min({durationRun, durations.size(), durationRunFirst_.size()});
  offsetRun = std::min({offsetRun, compositionOffsets.size(), offsetRunFirst_.size()});
  durationRunFirst_.resize(durationRun);
  durationRunStart_.resize(durationRun);
  if (durationRun == 0) {  // an exact reserve on every append would copy the prefixes each time
    durationRunFirst_.reserve(durations.size());
    durationRunStart_.reserve(durations.size());
  }
  std::uint32_t first = 0;
  std::int64_t start = 0;
  if (durationRun > 0) {
    const DurationRun& last = durations[durationRun - 1];
    first = durationRunFirst_.back() + last.count;
    start = durationRunStart_.back() + std::int64_t(last.count) * last.duration;
  }
  for (std::size_t i = durationRun; i < durations.size(); ++i) {
    durationRunFirst_.push_back(first);
    durationRunStart_.push_back(start);
    first += durations[i].count;
    start += std::int64_t(durations[i].count) * durations[i].duration;
  }
  totalDuration_ = start;
  offsetRunFirst_.resize(offsetRun);
  if (offsetRun == 0) offsetRunFirst_.reserve(compositionOffsets.size());
  first = offsetRun > 0 ? offsetRunFirst_.back() + compositionOffsets[offsetRun - 1].count : 0;
  for (std::size_t i = offsetRun; i < compositionOffsets.size(); ++i) {
    offsetRunFirst_.push_back(first);
    first += compositionOffsets[i].count;
  }
}

bool SampleTable::IsConsistent(std::uint32_t descriptionCount) const {
  std::uint64_t counted = 0;
  for (const DurationRun& run : durations) counted += run.count;
  if (counted != sampleCount) return false;
  if (constantSize == 0 && sizes.size() != sampleCount) return false;
  if (sampleCount == 0) return true;
  if (chunks.empty() || chunks.front().firstSample != 0) return false;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    if (chunks[i].descIndex == 0 || chunks[i].descIndex > descriptionCount) return false;
    if (chunks[i].firstSample >= sampleCount) return false;
    if (i > 0 && chunks[i].firstSample < chunks[i - 1].firstSample) return false;
  }
  counted = 0;
  for (const OffsetRun& run : compositionOffsets) counted += run.count;
  if (!compositionOffsets.empty() && counted != sampleCount) return false;
  if (!allSync) {
    for (std::size_t i = 0; i < syncSamples.size(); ++i) {
      if (syncSamples[i] >= sampleCount) return false;
      if (i > 0 && syncSamples[i] <= syncSamples[i - 1]) return false;
    }
  }
  return true;
}

std::uint32_t SampleTable::SampleSize(std::uint32_t sample) const {
  if (constantSize != 0) return constantSize;
  return sample < sizes.size() ? sizes[sample] : 0;
}

std::uint32_t SampleTable::ChunkIndexOf(std::uint32_t sample) const {
  auto it = std::upper_bound(chunks.begin(), chunks.end(), sample,
                             [](std::uint32_t s, const Chunk& c) { return s < c.firstSample; });
  if (it == chunks.begin()) return 0;
  return std::uint32_t(it - chunks.begin() - 1);
}

std::uint32_t SampleTable::ChunkSampleCount(std::uint32_t chunkIndex) const {
  if (chunkIndex >= chunks.size()) return 0;
  std::uint32_t end =
      chunkIndex + 1 < chunks.size() ? chunks[chunkIndex + 1].firstSample : sampleCount;
  return end - chunks[chunkIndex].firstSample;
}

std::uint64_t SampleTable::SampleOffset(std::uint32_t sample) const {
  if (chunks.empty()) return 0;
  const Chunk& chunk = chunks[ChunkIndexOf(sample)];
  std::uint64_t offset = chunk.offset;
  if (constantSize != 0) return offset + std::uint64_t(sample - chunk.firstSample) * constantSize;
  for (std::uint32_t s = chunk.firstSample; s < sample && s < sizes.size(); ++s) offset += sizes[s];
  return offset;
}

std::uint32_t SampleTable::DescriptionIndex(std::uint32_t sample) const {
  if (chunks.empty()) return 1;
  return chunks[ChunkIndexOf(sample)].descIndex;
}

std::int64_t SampleTable::SampleTime(std::uint32_t sample) const {
  if (durationRunFirst_.empty()) return 0;
  auto it = std::upper_bound(durationRunFirst_.begin(), durationRunFirst_.end(), sample);
  std::size_t run = std::size_t(it - durationRunFirst_.begin()) - 1;
  return durationRunStart_[run] +
         std::int64_t(sample - durationRunFirst_[run]) * durations[run].duration;
}

std::uint32_t SampleTable::SampleDuration(std::uint32_t sample) const {
  if (durationRunFirst_.empty()) return 0;
  auto it = std::upper_bound(durationRunFirst_.begin(), durationRunFirst_.end(), sample);
  return durations[std::size_t(it - durationRunFirst_.begin()) - 1].duration;
}

std::uint32_t SampleTable::SampleAtTime(std::int64_t t) const {
  if (sampleCount == 0 || durationRunStart_.empty()) return 0;
  if (t < 0) t = 0;
  auto it = std::upper_bound(durationRunStart_.begin(), durationRunStart_.end(), t);
  std::size_t run = std::size_t(it - durationRunStart_.begin()) - 1;
  // Skip runs of zero-length samples that start at the same time.
  while (run + 1 < durations.size() && durationRunStart_[run + 1] <= t &&
         durations[run].count * std::int64_t(durations[run].duration) <= t - durationRunStart_[run])
    ++run;
  const DurationRun& r = durations[run];
  std::uint64_t within = r.duration == 0 ? 0 : std::uint64_t(t - durationRunStart_[run]) / r.duration;
  if (within >= r.count) within = r.count == 0 ? 0 : r.count - 1;
  std::uint32_t sample = durationRunFirst_[run] + std::uint32_t(within);
  return std::min(sample, sampleCount - 1);
}

std::int32_t SampleTable::CompositionOffset(std::uint32_t sample) const {
  if (offsetRunFirst_.empty()) return 0;
  auto it = std::upper_bound(offsetRunFirst_.begin(), offsetRunFirst_.end(), sample);
  return compositionOffsets[std::size_t(it - offsetRunFirst_.begin()) - 1].offset;
}

bool SampleTable::IsSync(std::uint32_t sample) const {
  if (allSync) return true;
  return std::binary_search(syncSamples.begin(), syncSamples.end(), sample);
}

std::uint32_t SampleTable::SyncAtOrBefore(std::uint32_t sample) const {
  if (allSync) return sample;
  auto it = std::upper_bound(syncSamples.begin(), syncSamples.end(), sample);
  if (it == syncSamples.begin()) return sample;
  return *(it - 1);
}

std::uint64_t SampleTable::TotalBytes() const {
  if (constantSize != 0) return std::uint64_t(constantSize) * sampleCount;
  std::uint64_t total = 0;
  for (std::uint32_t s : sizes) total += s;
  return total;
}

namespace {

void PushDuration(std::vector<DurationRun>& runs, std::uint32_t duration, std::uint32_t count) {
  if (count == 0) return;
  if (!runs.empty() && runs.back().duration == duration && runs.back().count <= UINT32_MAX - count)
    runs.back().count += count;
  else
    runs.push_back({count, duration});
}

void PushOffset(std::vector<OffsetRun>& runs, std::int32_t offset, std::uint32_t count) {
  if (count == 0) return;
  if (!runs.empty() && runs.back().offset == offset && runs.back().count <= UINT32_MAX - count)
    runs.back().count += count;
  else
    runs.push_back({count, offset});
}

// Size of every sample stays addressable when one side has a constant size and the other not.
void ExpandSizes(SampleTable& t) {
  if (t.constantSize == 0) return;
  t.sizes.assign(t.sampleCount, t.constantSize);
  t.constantSize = 0;
}

}  // namespace

void SampleTable::AppendRange(const SampleTable& src, std::uint32_t first, std::uint32_t count,
                              const std::vector<std::uint32_t>& descMap,
                              std::int32_t srcTimeScale, std::int32_t dstTimeScale) {
  if (count == 0 || first >= src.sampleCount) return;
  count = std::min(count, src.sampleCount - first);
  const std::uint32_t base = sampleCount;
  // Runs before the last one are left as they are; only their prefixes from there on change.
  const std::size_t keptDurationRuns = durations.empty() ? 0 : durations.size() - 1;
  const std::size_t keptOffsetRuns = compositionOffsets.empty() ? 0 : compositionOffsets.size() - 1;

  // Chunks: the first one may start mid-chunk.
  std::uint32_t chunk = src.ChunkIndexOf(first);
  for (std::uint32_t s = first; s < first + count;) {
    const Chunk& c = src.chunks[chunk];
    std::uint32_t chunkEnd = c.firstSample + src.ChunkSampleCount(chunk);
    std::uint32_t mapped = c.descIndex - 1 < descMap.size() ? descMap[c.descIndex - 1] : 1;
    chunks.push_back({src.SampleOffset(s), base + (s - first), mapped});
    s = chunkEnd;
    ++chunk;
  }

  // Sizes.
  bool sameConstant = src.constantSize != 0 && (constantSize == src.constantSize || sampleCount == 0);
  if (sameConstant && (sampleCount == 0 || constantSize != 0)) {
    constantSize = src.constantSize;
  } else {
    ExpandSizes(*this);
    // Grow geometrically: an exact reserve per append would copy the table on every join.
    if (sizes.capacity() < sizes.size() + count)
      sizes.reserve(std::max<std::size_t>(sizes.size() + count, 2 * sizes.capacity()));
    for (std::uint32_t s = first; s < first + count; ++s) sizes.push_back(src.SampleSize(s));
  }

  // Durations and composition offsets.
  const bool sameScale = srcTimeScale == dstTimeScale || srcTimeScale <= 0 || dstTimeScale <= 0;
  const std::int64_t srcStart = src.SampleTime(first);
  bool anyOffsets = !src.compositionOffsets.empty() || !compositionOffsets.empty();
  if (anyOffsets && compositionOffsets.empty() && base > 0) PushOffset(compositionOffsets, 0, base);
  std::int64_t prevEnd = 0;
  for (std::uint32_t s = first; s < first + count; ++s) {
    std::uint32_t d = src.SampleDuration(s);
    std::int32_t off = src.CompositionOffset(s);
    if (!sameScale) {
      auto convert = [&](std::int64_t t) {
        return std::int64_t(std::llround(double(t) * dstTimeScale / srcTimeScale));
      };
      std::int64_t relStart = src.SampleTime(s) - srcStart;
      std::int64_t start = s == first ? convert(relStart) : prevEnd;
      std::int64_t end = convert(relStart + d);
      prevEnd = end;
      d = std::uint32_t(std::max<std::int64_t>(0, end - start));
      off = std::int32_t(std::llround(double(off) * dstTimeScale / srcTimeScale));
    }
    PushDuration(durations, d, 1);
    if (anyOffsets) PushOffset(compositionOffsets, off, 1);
  }

  // Sync samples.
  bool srcAllSync = src.allSync;
  if (!(allSync && srcAllSync)) {
    if (allSync) {
      syncSamples.clear();
      for (std::uint32_t s = 0; s < base; ++s) syncSamples.push_back(s);
      allSync = false;
    }
    auto lo = std::lower_bound(src.syncSamples.begin(), src.syncSamples.end(), first);
    if (srcAllSync) {
      for (std::uint32_t s = first; s < first + count; ++s) syncSamples.push_back(base + s - first);
    } else {
      for (auto it = lo; it != src.syncSamples.end() && *it < first + count; ++it)
        syncSamples.push_back(base + *it - first);
    }
  }

  sampleCount += count;
  FinalizeFrom(keptDurationRuns, keptOffsetRuns);
}

void SampleTable::AppendSample(std::uint64_t offset, std::uint32_t size, std::uint32_t duration,
                               std::int32_t compositionOffset, bool sync, std::uint32_t descIndex,
                               bool newChunk) {
  const std::uint32_t s = sampleCount;
  if (chunks.empty() || newChunk || chunks.back().descIndex != descIndex)
    chunks.push_back({offset, s, descIndex});
  if (s == 0) {
    constantSize = size;
  } else if (constantSize != size) {
    ExpandSizes(*this);
  }
  // A zero constant means "per-sample sizes", so a first sample of size 0 starts the table.
  if (constantSize == 0) sizes.push_back(size);
  PushDuration(durations, duration, 1);
  if (compositionOffset != 0 && compositionOffsets.empty() && s > 0) PushOffset(compositionOffsets, 0, s);
  if (compositionOffset != 0 || !compositionOffsets.empty())
    PushOffset(compositionOffsets, compositionOffset, 1);
  if (!sync && allSync) {
    syncSamples.clear();
    for (std::uint32_t i = 0; i < s; ++i) syncSamples.push_back(i);
    allSync = false;
  }
  if (!allSync && sync) syncSamples.push_back(s);
  ++sampleCount;
  // Lookup prefixes are rebuilt lazily by the builder calling Finalize() once at the end.
}

}  // namespace tvx
