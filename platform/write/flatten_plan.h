// What a self-contained copy of a movie holds: for every track, the source samples its edit
// lists use (widened back to a sync sample so decoding can start, and for sound one sample more,
// which the decoder overlaps with the first one shown), and a new model whose media
// hold exactly those samples, with edit lists moved onto them and every data reference self.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../MacTypes.h"
#include "../model/movie_model.h"

namespace tvx {

/// Samples [first, first + count) of a source media, copied in order into the new media.
struct SourceRange {
  std::uint32_t first = 0;
  std::uint32_t count = 0;
  std::uint32_t newFirst = 0;      // index of the first sample in the new media
  std::int64_t newStartTime = 0;   // its decode time in the new media
  double playSeconds = 0;          // movie time (seconds) at which the range starts playing
};

struct TrackPlan {
  const Track* source = nullptr;
  Track* target = nullptr;         // in FlattenPlan::movie
  std::vector<SourceRange> ranges;
  /// Source description index - 1 -> the new media's description index. Descriptions that
  /// differed only in their data reference become one.
  std::vector<std::uint32_t> descriptionMap;
};

struct FlattenPlan {
  std::unique_ptr<Movie> movie;    // the copy; its chunk offsets are filled in by the layout
  std::vector<TrackPlan> tracks;   // in the movie's track order
};

/// A deep copy of movie: tracks, media and references point into the copy.
std::unique_ptr<Movie> CloneMovie(const Movie& movie);

/// Sample ranges [first, last] (inclusive, merged, ascending) that track's edits use.
/// Statuses: invalidMovie (time scale), invalidMedia (media time scale), invalidSampleTable.
OSErr UsedSampleRanges(const Track& track, TimeScale movieTimeScale,
                       std::vector<std::pair<std::uint32_t, std::uint32_t>>* ranges);

/// Builds the plan for writing movie into destination (an absolute path). The new media's
/// chunk tables still name the source's descriptions and offsets; the layout replaces them.
OSErr PlanFlatten(const Movie& movie, const std::string& destination, FlattenPlan* plan);

/// Joins neighbouring edits that continue each other in the media at the same rate, and
/// neighbouring empty edits.
void MergeContinuingEdits(std::vector<Edit>* edits, TimeScale movieTimeScale,
                          TimeScale mediaTimeScale);

}  // namespace tvx
