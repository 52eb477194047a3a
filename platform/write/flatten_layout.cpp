#include "flatten_layout.h"

#include <algorithm>

namespace tvx {

namespace {

// Samples that last no time (or a whole table of them) still end a chunk now and then.
constexpr std::uint32_t kMaxSamplesPerChunk = 4096;

void CutRange(const TrackPlan& tp, std::uint32_t trackIndex, const SourceRange& range,
              double chunkSeconds, std::vector<LayoutChunk>* out) {
  const SampleTable& table = tp.target->media.samples;
  const double scale = double(tp.target->media.timeScale);
  const std::int64_t chunkTicks = std::max<std::int64_t>(1, std::int64_t(chunkSeconds * scale));
  const std::uint32_t end = range.newFirst + range.count;
  LayoutChunk chunk;
  std::int64_t chunkStart = 0;
  for (std::uint32_t s = range.newFirst; s < end; ++s) {
    const std::uint32_t desc = table.DescriptionIndex(s);
    const std::int64_t t = table.SampleTime(s);
    const bool open = chunk.count > 0;
    if (open && (desc != chunk.descIndex || t - chunkStart >= chunkTicks ||
                 chunk.count >= kMaxSamplesPerChunk)) {
      out->push_back(chunk);
      chunk = LayoutChunk{};
    }
    if (chunk.count == 0) {
      chunk.track = trackIndex;
      chunk.newFirst = s;
      chunk.sourceFirst = range.first + (s - range.newFirst);
      chunk.descIndex = desc;
      chunk.playSeconds = range.playSeconds + double(t - range.newStartTime) / scale;
      chunkStart = t;
    }
    ++chunk.count;
    chunk.bytes += table.SampleSize(s);
  }
  if (chunk.count > 0) out->push_back(chunk);
}

}  // namespace

void LayOutMedia(FlattenPlan* plan, double chunkSeconds, FlattenLayout* layout) {
  layout->chunks.clear();
  for (std::uint32_t i = 0; i < plan->tracks.size(); ++i)
    for (const SourceRange& range : plan->tracks[i].ranges)
      CutRange(plan->tracks[i], i, range, chunkSeconds, &layout->chunks);

  // Play order across tracks; ties keep track order, so a track's chunks stay in media order.
  std::stable_sort(layout->chunks.begin(), layout->chunks.end(),
                   [](const LayoutChunk& a, const LayoutChunk& b) {
                     return a.playSeconds < b.playSeconds;
                   });
  std::uint64_t at = 0;
  for (LayoutChunk& c : layout->chunks) {
    c.offset = at;
    at += c.bytes;
  }
  layout->totalBytes = at;

  // The new chunk tables list chunks in sample order, whatever their order in the file.
  layout->trackChunks.assign(plan->tracks.size(), {});
  for (std::uint32_t k = 0; k < layout->chunks.size(); ++k)
    layout->trackChunks[layout->chunks[k].track].push_back(k);
  for (std::uint32_t i = 0; i < plan->tracks.size(); ++i) {
    std::vector<std::uint32_t>& order = layout->trackChunks[i];
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return layout->chunks[a].newFirst < layout->chunks[b].newFirst;
    });
    SampleTable& table = plan->tracks[i].target->media.samples;
    table.chunks.clear();
    table.chunks.reserve(order.size());
    const std::vector<std::uint32_t>& descs = plan->tracks[i].descriptionMap;
    for (std::uint32_t k : order) {
      const LayoutChunk& c = layout->chunks[k];
      const std::uint32_t desc = c.descIndex - 1 < descs.size() ? descs[c.descIndex - 1] : c.descIndex;
      table.chunks.push_back({c.offset, c.newFirst, desc});
    }
    table.Finalize();
  }
}

void PlaceMedia(FlattenPlan* plan, const FlattenLayout& layout, std::uint64_t base) {
  for (std::size_t i = 0; i < plan->tracks.size(); ++i) {
    SampleTable& table = plan->tracks[i].target->media.samples;
    const std::vector<std::uint32_t>& order = layout.trackChunks[i];
    for (std::size_t k = 0; k < order.size(); ++k)
      table.chunks[k].offset = base + layout.chunks[order[k]].offset;
  }
}

}  // namespace tvx
