// Where the copied samples go: chunks of at most about half a second per track, interleaved
// across tracks in the order they play, packed one after another in the media data. Where a
// source is already interleaved in time order the chunks follow its bytes, so they copy in a
// few long runs.
#pragma once

#include <cstdint>
#include <vector>

#include "../MacTypes.h"
#include "flatten_plan.h"

namespace tvx {

struct LayoutChunk {
  std::uint32_t track = 0;        // index into FlattenPlan::tracks
  std::uint32_t newFirst = 0;     // first sample in the new media
  std::uint32_t count = 0;
  std::uint32_t sourceFirst = 0;  // the same sample in the source media
  std::uint32_t descIndex = 1;    // 1-based, of the source media (it tells the source file)
  std::uint64_t sourceOffset = 0; // of the first sample in its source file
  double playSeconds = 0;         // interleaving key
  std::uint64_t bytes = 0;
  std::uint64_t offset = 0;       // from the start of the media data
};

struct FlattenLayout {
  std::vector<LayoutChunk> chunks;  // in file order
  std::uint64_t totalBytes = 0;
  std::uint64_t copyRuns = 0;       // contiguous source byte runs the copy takes
  /// Per track, for each chunk of the new sample table, its index in chunks.
  std::vector<std::vector<std::uint32_t>> trackChunks;
};

/// Cuts the plan's new media into chunks of at most about chunkSeconds (also where the sample
/// description changes), orders them by play time (to within chunkSeconds, to follow the
/// source's byte order) and rebuilds the new chunk tables.
void LayOutMedia(FlattenPlan* plan, double chunkSeconds, FlattenLayout* layout);

/// Sets the new chunk offsets for media data that starts at file offset base.
void PlaceMedia(FlattenPlan* plan, const FlattenLayout& layout, std::uint64_t base);

}  // namespace tvx
