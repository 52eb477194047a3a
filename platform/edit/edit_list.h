// Operations on one track's edit list, in movie time. Every function leaves the list valid for
// readers (see NormalizeEdits); none of them touches sample tables.
#pragma once

#include <cstdint>
#include <vector>

#include "../model/movie_model.h"

namespace tvx {

/// The time scales an edit list is expressed in.
struct EditScales {
  std::int64_t movie = 600;  // units of Edit::duration
  std::int64_t media = 600;  // units of Edit::mediaTime
};

EditScales ScalesOf(const Track& track);

/// Media time covered by `movieDelta` movie units played at `rate`, rounded to nearest.
std::int64_t MovieToMediaDelta(std::int64_t movieDelta, Fixed rate, const EditScales& scales);
/// Movie time taken by `mediaDelta` media units played at `rate`, rounded to nearest.
std::int64_t MediaToMovieDelta(std::int64_t mediaDelta, Fixed rate, const EditScales& scales);

std::int64_t TotalDuration(const std::vector<Edit>& edits);

/// Splits the edit that spans movie time t so that an edit starts exactly at t. Returns the index
/// of the edit starting at t (edits.size() when t is at or past the end).
std::size_t SplitEditsAt(std::vector<Edit>& edits, std::int64_t t, const EditScales& scales);

/// Drops zero-length edits and trailing empty edits, and merges neighbours that continue each
/// other (both empty, or the same rate with the second starting where the first's media ends).
void NormalizeEdits(std::vector<Edit>& edits, const EditScales& scales);

/// A copy of the edits covering [start, start + duration), padded with empty space to `duration`
/// where the list ends earlier.
std::vector<Edit> CopyEditRange(const std::vector<Edit>& edits, std::int64_t start,
                                std::int64_t duration, const EditScales& scales);

/// Removes [start, start + duration); what follows moves earlier.
void RemoveEditRange(std::vector<Edit>& edits, std::int64_t start, std::int64_t duration,
                     const EditScales& scales);

/// Inserts `segment` at movie time `at`; what was at or after `at` moves later. Empty space fills
/// the gap when `at` lies past the end.
void InsertEditsAt(std::vector<Edit>& edits, const std::vector<Edit>& segment, std::int64_t at,
                   const EditScales& scales);

/// Re-expresses durations from one movie time scale in another. Edit boundaries are rounded
/// (not each duration), so the total is the rounded total.
void RescaleEditDurations(std::vector<Edit>& edits, std::int64_t fromScale, std::int64_t toScale);

/// Stretches or squeezes [start, start + oldDuration) to newDuration: durations scaled with
/// rounded boundaries, rates multiplied by oldDuration / newDuration. False, with the list
/// unchanged, when a rate would not fit 16.16 or drop to zero. oldDuration, newDuration > 0.
bool ScaleEditRange(std::vector<Edit>& edits, std::int64_t start, std::int64_t oldDuration,
                    std::int64_t newDuration, const EditScales& scales);

}  // namespace tvx
