#include "flatten_layout.h"

#include <algorithm>
#include <limits>
#include <map>
#include <string>

namespace tvx {

namespace {

// Samples that last no time (or a whole table of them) still end a chunk now and then.
constexpr std::uint32_t kMaxSamplesPerChunk = 4096;
constexpr std::uint32_t kNoFile = std::numeric_limits<std::uint32_t>::max();

/// A chunk of the new media with where its samples sit in their source file.
struct Piece {
  LayoutChunk chunk;
  std::uint32_t file = kNoFile;  // index of the source file
  std::uint64_t sourceEnd = 0;   // just past the last sample in the source file
  std::uint32_t runs = 0;        // contiguous byte runs of the source it gathers
};

/// Per track and source description (index - 1), an index of the file holding the samples.
std::vector<std::vector<std::uint32_t>> SourceFiles(const FlattenPlan& plan) {
  std::map<std::string, std::uint32_t> ids;
  std::vector<std::vector<std::uint32_t>> files(plan.tracks.size());
  for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
    const Media& media = plan.tracks[i].source->media;
    for (const SampleDescription& d : media.descriptions) {
      const std::uint16_t ref = d.DataRefIndex();
      std::uint32_t id = kNoFile;
      if (ref != 0 && ref <= media.dataRefs.size() && !media.dataRefs[ref - 1].resolvedPath.empty())
        id = ids.emplace(media.dataRefs[ref - 1].resolvedPath, std::uint32_t(ids.size())).first->second;
      files[i].push_back(id);
    }
  }
  return files;
}

/// Cuts one range into chunks of at most chunkSeconds, also where the description changes and,
/// when splitAtGaps, wherever the next sample does not follow the previous one in its file.
void CutRange(const TrackPlan& tp, std::uint32_t trackIndex, const SourceRange& range,
              const std::vector<std::uint32_t>& files, double chunkSeconds, bool splitAtGaps,
              std::vector<Piece>* out) {
  const SampleTable& table = tp.target->media.samples;
  const SampleTable& source = tp.source->media.samples;
  const double scale = double(tp.target->media.timeScale);
  const std::int64_t chunkTicks = std::max<std::int64_t>(1, std::int64_t(chunkSeconds * scale));
  const std::uint32_t end = range.newFirst + range.count;
  if (range.count == 0) return;
  // Where each source sample sits, walked chunk by chunk instead of looked up one by one.
  std::uint32_t src = range.first;
  std::uint32_t srcChunk = source.ChunkIndexOf(src);
  std::uint32_t srcChunkEnd = source.chunks[srcChunk].firstSample + source.ChunkSampleCount(srcChunk);
  std::uint64_t srcAt = source.SampleOffset(src);
  Piece piece;
  std::int64_t chunkStart = 0;
  for (std::uint32_t s = range.newFirst; s < end; ++s, ++src) {
    if (src >= srcChunkEnd) {
      ++srcChunk;
      srcAt = source.chunks[srcChunk].offset;
      srcChunkEnd = source.chunks[srcChunk].firstSample + source.ChunkSampleCount(srcChunk);
    }
    const std::uint32_t desc = table.DescriptionIndex(s);
    const std::int64_t t = table.SampleTime(s);
    LayoutChunk& chunk = piece.chunk;
    const bool gap = chunk.count > 0 && srcAt != piece.sourceEnd;
    if (chunk.count > 0 && (desc != chunk.descIndex || t - chunkStart >= chunkTicks ||
                            chunk.count >= kMaxSamplesPerChunk || (gap && splitAtGaps))) {
      out->push_back(piece);
      piece = Piece{};
    }
    if (chunk.count == 0) {
      chunk.track = trackIndex;
      chunk.newFirst = s;
      chunk.sourceFirst = src;
      chunk.descIndex = desc;
      chunk.sourceOffset = srcAt;
      chunk.playSeconds = range.playSeconds + double(t - range.newStartTime) / scale;
      piece.file = desc - 1 < files.size() ? files[desc - 1] : kNoFile;
      piece.runs = 1;
      chunkStart = t;
    } else if (gap) {
      ++piece.runs;
    }
    const std::uint32_t size = source.SampleSize(src);
    ++chunk.count;
    chunk.bytes += size;
    srcAt += size;
    piece.sourceEnd = srcAt;
  }
  if (piece.chunk.count > 0) out->push_back(piece);
}

bool Continues(const Piece& previous, const Piece& next) {
  return previous.file != kNoFile && next.file == previous.file &&
         next.chunk.sourceOffset == previous.sourceEnd;
}

/// Play order across tracks (ties keep track order), except that a chunk that continues the
/// previous one in its source file goes next when it plays less than slack later than the
/// earliest chunk waiting. A source already interleaved in time order is then followed byte
/// for byte, and its samples copy as a few long runs.
std::vector<Piece> Order(std::vector<Piece> pieces, std::size_t trackCount, double slack,
                         std::uint64_t* copies) {
  std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
    return a.chunk.playSeconds < b.chunk.playSeconds;
  });
  std::vector<std::vector<std::uint32_t>> queues(trackCount);
  for (std::uint32_t k = 0; k < pieces.size(); ++k) queues[pieces[k].chunk.track].push_back(k);
  std::vector<std::size_t> heads(trackCount, 0);
  std::vector<Piece> ordered;
  ordered.reserve(pieces.size());
  *copies = 0;
  while (ordered.size() < pieces.size()) {
    std::size_t earliest = trackCount;
    for (std::size_t t = 0; t < trackCount; ++t) {
      if (heads[t] == queues[t].size()) continue;
      if (earliest == trackCount || pieces[queues[t][heads[t]]].chunk.playSeconds <
                                        pieces[queues[earliest][heads[earliest]]].chunk.playSeconds)
        earliest = t;
    }
    std::size_t pick = earliest;
    if (!ordered.empty()) {
      const double limit = pieces[queues[earliest][heads[earliest]]].chunk.playSeconds + slack;
      for (std::size_t t = 0; t < trackCount; ++t) {
        if (heads[t] == queues[t].size()) continue;
        const Piece& p = pieces[queues[t][heads[t]]];
        if (p.chunk.playSeconds < limit && Continues(ordered.back(), p)) {
          pick = t;
          break;
        }
      }
    }
    const Piece& next = pieces[queues[pick][heads[pick]++]];
    *copies += next.runs - (!ordered.empty() && Continues(ordered.back(), next) ? 1 : 0);
    ordered.push_back(next);
  }
  return ordered;
}

}  // namespace

void LayOutMedia(FlattenPlan* plan, double chunkSeconds, FlattenLayout* layout) {
  const std::vector<std::vector<std::uint32_t>> files = SourceFiles(*plan);
  // Two candidates: chunks of about chunkSeconds, and chunks cut where the source's bytes
  // break off. The second makes more (smaller) chunks, so it has to earn them by copying in
  // far fewer runs; it does when the source is already finely interleaved in time order.
  std::vector<Piece> candidates[2];
  std::uint64_t copies[2] = {0, 0};
  for (int split = 0; split < 2; ++split) {
    std::vector<Piece> pieces;
    for (std::uint32_t i = 0; i < plan->tracks.size(); ++i)
      for (const SourceRange& range : plan->tracks[i].ranges)
        CutRange(plan->tracks[i], i, range, files[i], chunkSeconds, split == 1, &pieces);
    // Half a chunk of slack: enough for the edit list shifts (sound priming, decode delay)
    // between a muxer's decode-time order and play order, too little for a track stored on its
    // own to run a chunk ahead of the others.
    candidates[split] =
        Order(std::move(pieces), plan->tracks.size(), chunkSeconds / 2, &copies[split]);
  }
  const std::vector<Piece>& chosen = copies[1] * 4 <= copies[0] ? candidates[1] : candidates[0];

  layout->chunks.clear();
  layout->chunks.reserve(chosen.size());
  std::uint64_t at = 0;
  for (const Piece& p : chosen) {
    layout->chunks.push_back(p.chunk);
    layout->chunks.back().offset = at;
    at += p.chunk.bytes;
  }
  layout->totalBytes = at;
  layout->copyRuns = copies[&chosen == &candidates[1] ? 1 : 0];

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
