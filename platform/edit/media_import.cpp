#include "media_import.h"

#include <algorithm>
#include <limits>

#include "time_math.h"

namespace tvx {

namespace {

// Samples past the decode span that may still show inside it (reordered B-frames).
constexpr std::uint32_t kReorderLookahead = 16;

struct SampleRange {
  std::uint32_t first = 0;
  std::uint32_t count = 0;
};

// Samples needed to show media times [lo, hi): back to the sync sample the first one depends on,
// and forward past frames decoded later but shown inside the span.
SampleRange RangeFor(const SampleTable& table, std::int64_t lo, std::int64_t hi) {
  std::uint32_t first = table.SyncAtOrBefore(table.SampleAtTime(lo));
  std::uint32_t last = table.SampleAtTime(std::max(lo, hi - 1));
  for (std::uint32_t i = 0; i < kReorderLookahead && last + 1 < table.sampleCount; ++i) {
    std::uint32_t next = last + 1;
    if (table.SampleTime(next) + table.CompositionOffset(next) >= hi) break;
    last = next;
  }
  return {first, last - first + 1};
}

// A reference that names the same file wherever it is copied: a self reference of another movie
// becomes a reference to that movie's file.
DataRef PortableRef(const DataRef& ref, const Movie* from, const Movie* to) {
  if (ref.kind != DataRef::Kind::Self || from == to) return ref;
  DataRef out;
  out.kind = DataRef::Kind::Alias;
  out.type = FOUR_CHAR_CODE("alis");
  out.flags = 0;
  out.resolvedPath = ref.resolvedPath.empty() && from != nullptr ? from->originPath : ref.resolvedPath;
  return out;
}

bool SameFile(const DataRef& a, const DataRef& b) {
  if (!a.resolvedPath.empty() || !b.resolvedPath.empty()) return a.resolvedPath == b.resolvedPath;
  return a.kind == b.kind && a.type == b.type && a.flags == b.flags && a.raw == b.raw;
}

template <typename T, typename Same>
std::uint32_t FindOrAdd(std::vector<T>& list, T item, Same same) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (same(list[i], item)) return std::uint32_t(i + 1);
  list.push_back(std::move(item));
  return std::uint32_t(list.size());
}

}  // namespace

OSErr ImportMediaReferences(const Track& src, Track& dst, std::vector<Edit>& segment,
                            std::int64_t segmentMovieScale) {
  const Media& from = src.media;
  Media& to = dst.media;
  const EditScales scales{segmentMovieScale > 0 ? segmentMovieScale : 600,
                          from.timeScale > 0 ? from.timeScale : 600};

  std::int64_t lo = std::numeric_limits<std::int64_t>::max();
  std::int64_t hi = std::numeric_limits<std::int64_t>::min();
  for (const Edit& e : segment) {
    if (e.mediaTime < 0) continue;
    lo = std::min(lo, e.mediaTime);
    hi = std::max(hi, e.mediaTime + std::max<std::int64_t>(1, MovieToMediaDelta(e.duration, e.rate, scales)));
  }
  if (lo > hi) return noErr;  // nothing but empty space
  if (from.samples.sampleCount == 0) {
    // Edits into a media without samples show nothing.
    for (Edit& e : segment) e.mediaTime = -1;
    return noErr;
  }
  // Only the part of the table being copied is checked, so the cost follows the samples inserted.
  if (from.samples.chunks.empty() || from.samples.chunks.front().firstSample != 0)
    return invalidSampleTable;

  const SampleRange range = RangeFor(from.samples, lo, hi);
  const std::uint32_t firstChunk = from.samples.ChunkIndexOf(range.first);
  const std::uint32_t lastChunk = from.samples.ChunkIndexOf(range.first + range.count - 1);

  // Check everything before changing anything.
  std::vector<bool> used(from.descriptions.size(), false);
  for (std::uint32_t c = firstChunk; c <= lastChunk; ++c) {
    std::uint32_t d = from.samples.chunks[c].descIndex;
    if (d == 0 || d > from.descriptions.size()) return invalidSampleTable;
    std::uint16_t ref = from.descriptions[d - 1].DataRefIndex();
    if (ref == 0 || ref > from.dataRefs.size()) return invalidDataRef;
    used[d - 1] = true;
  }

  std::vector<std::uint32_t> descMap(from.descriptions.size(), 1);
  for (std::size_t d = 0; d < used.size(); ++d) {
    if (!used[d]) continue;
    SampleDescription copy = from.descriptions[d];
    DataRef ref = PortableRef(from.dataRefs[copy.DataRefIndex() - 1], src.movie, dst.movie);
    std::uint32_t refIndex = FindOrAdd(to.dataRefs, std::move(ref), SameFile);
    copy.SetDataRefIndex(std::uint16_t(refIndex));
    descMap[d] = FindOrAdd(to.descriptions, std::move(copy),
                           [](const SampleDescription& a, const SampleDescription& b) {
                             return a.bytes == b.bytes;
                           });
  }

  const std::int64_t base = to.samples.Duration();
  const std::int64_t rangeStart = from.samples.SampleTime(range.first);
  const std::int64_t fromScale = scales.media;
  const std::int64_t toScale = to.timeScale > 0 ? to.timeScale : fromScale;
  to.samples.AppendRange(from.samples, range.first, range.count, descMap, std::int32_t(fromScale),
                         std::int32_t(toScale));
  for (Edit& e : segment)
    if (e.mediaTime >= 0) e.mediaTime = base + MulDivRound(e.mediaTime - rangeStart, toScale, fromScale);
  return noErr;
}

}  // namespace tvx
