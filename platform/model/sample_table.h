// A media's samples: chunks, sizes, durations, composition offsets and sync samples, kept
// run-length the way stsc/stsz/stts/ctts/stss store them. Lookups are O(log n) through prefix
// tables that Finalize() rebuilds after the tables change.
#pragma once

#include <cstdint>
#include <vector>

namespace tvx {

/// One chunk: consecutive samples stored together in one data file.
struct Chunk {
  std::uint64_t offset = 0;       // file offset of the chunk's first byte
  std::uint32_t firstSample = 0;  // 0-based; the chunk runs to the next chunk's firstSample
  std::uint32_t descIndex = 1;    // 1-based index into Media::descriptions
};

struct DurationRun {
  std::uint32_t count = 0;
  std::uint32_t duration = 0;  // media time units per sample
};

struct OffsetRun {
  std::uint32_t count = 0;
  std::int32_t offset = 0;  // composition minus decode time
};

class SampleTable {
 public:
  // The stored tables. After changing them, call Finalize().
  std::uint32_t sampleCount = 0;
  std::vector<Chunk> chunks;            // sorted by firstSample, firstSample of the first is 0
  std::uint32_t constantSize = 0;       // non-zero: every sample has this size, sizes is empty
  std::vector<std::uint32_t> sizes;     // one per sample when constantSize == 0
  std::vector<DurationRun> durations;   // covers sampleCount samples
  std::vector<OffsetRun> compositionOffsets;  // empty when there are none
  bool allSync = true;                  // no stss: every sample is a sync sample
  std::vector<std::uint32_t> syncSamples;  // 0-based, ascending; used when !allSync

  /// Rebuilds the lookup prefixes. Call after any change to the tables above.
  void Finalize();
  /// Rebuilds only the prefixes of runs from the given ones on, for tables that grew at the end
  /// (appending many ranges stays linear overall).
  void FinalizeFrom(std::size_t durationRun, std::size_t offsetRun);
  /// True when the tables agree with each other (counts add up, chunks ordered, indexes valid).
  bool IsConsistent(std::uint32_t descriptionCount) const;

  std::int64_t Duration() const { return totalDuration_; }
  std::uint32_t SampleSize(std::uint32_t sample) const;
  std::uint64_t SampleOffset(std::uint32_t sample) const;
  std::uint32_t ChunkIndexOf(std::uint32_t sample) const;
  std::uint32_t ChunkSampleCount(std::uint32_t chunkIndex) const;
  std::uint32_t DescriptionIndex(std::uint32_t sample) const;
  /// Decode time of the sample's start in media time.
  std::int64_t SampleTime(std::uint32_t sample) const;
  std::uint32_t SampleDuration(std::uint32_t sample) const;
  /// The sample whose decode span holds media time t (the last one for t past the end); t >= 0.
  std::uint32_t SampleAtTime(std::int64_t t) const;
  std::int32_t CompositionOffset(std::uint32_t sample) const;
  bool IsSync(std::uint32_t sample) const;
  /// The nearest sync sample at or before sample (sample itself when none precedes it).
  std::uint32_t SyncAtOrBefore(std::uint32_t sample) const;
  std::uint64_t TotalBytes() const;

  /// Appends samples [first, first + count) of src. Description indexes are mapped through
  /// descMap (src index - 1 -> this table's index). When the media time scales differ, durations
  /// are converted by rounding each sample's cumulative start time, so no drift builds up.
  void AppendRange(const SampleTable& src, std::uint32_t first, std::uint32_t count,
                   const std::vector<std::uint32_t>& descMap, std::int32_t srcTimeScale,
                   std::int32_t dstTimeScale);

  /// Appends one sample at the end (used by builders such as importers and the flattener).
  /// A new chunk starts when newChunk is set or the description changes.
  void AppendSample(std::uint64_t offset, std::uint32_t size, std::uint32_t duration,
                    std::int32_t compositionOffset, bool sync, std::uint32_t descIndex,
                    bool newChunk);

 private:
  std::vector<std::uint32_t> durationRunFirst_;  // first sample of each duration run
  std::vector<std::int64_t> durationRunStart_;   // media time of each duration run
  std::vector<std::uint32_t> offsetRunFirst_;
  std::int64_t totalDuration_ = 0;
};

}  // namespace tvx
