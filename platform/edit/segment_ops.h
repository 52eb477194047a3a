// Movie-wide edits that only rewrite edit lists: time scale changes, deleting and scaling a span.
#pragma once

#include <cstdint>

#include "../model/movie_model.h"

namespace tvx {

/// Expresses every edit and the movie's selection, preview and poster times in `timeScale`
/// (> 0). Playback is unchanged up to rounding.
void ChangeMovieTimeScale(Movie& movie, TimeScale timeScale);

/// Removes [start, start + duration) from every track; later content moves earlier.
void DeleteSegment(Movie& movie, std::int64_t start, std::int64_t duration);

/// Plays [start, start + oldDuration) of every track in newDuration. invalidDuration, with
/// nothing changed, for non-positive durations or a movie that would no longer fit a TimeValue.
OSErr ScaleSegment(Movie& movie, std::int64_t start, std::int64_t oldDuration,
                   std::int64_t newDuration);

}  // namespace tvx
