#include "segment_ops.h"

#include <algorithm>

#include "edit_list.h"
#include "time_math.h"

namespace tvx {

void ChangeMovieTimeScale(Movie& movie, TimeScale timeScale) {
  const std::int64_t from = movie.timeScale;
  if (timeScale <= 0 || from <= 0 || from == timeScale) {
    if (timeScale > 0) movie.timeScale = timeScale;
    return;
  }
  movie.timeScale = timeScale;
  for (auto& track : movie.tracks) {
    RescaleEditDurations(track->edits, from, timeScale);
    NormalizeEdits(track->edits, ScalesOf(*track));
  }
  auto rescale = [&](std::int64_t& t) { t = MulDivRound(t, timeScale, from); };
  // The selection and preview keep their ends where they were, like edit boundaries.
  std::int64_t selectionEnd = movie.selectionTime + movie.selectionDuration;
  std::int64_t previewEnd = movie.previewTime + movie.previewDuration;
  rescale(movie.selectionTime);
  rescale(selectionEnd);
  movie.selectionDuration = selectionEnd - movie.selectionTime;
  rescale(movie.previewTime);
  rescale(previewEnd);
  movie.previewDuration = previewEnd - movie.previewTime;
  rescale(movie.posterTime);
  rescale(movie.currentTime);
}

void DeleteSegment(Movie& movie, std::int64_t start, std::int64_t duration) {
  if (duration <= 0 || start < 0) return;
  for (auto& track : movie.tracks) RemoveEditRange(track->edits, start, duration, ScalesOf(*track));
}

OSErr ScaleSegment(Movie& movie, std::int64_t start, std::int64_t oldDuration,
                   std::int64_t newDuration) {
  if (oldDuration <= 0 || newDuration <= 0 || start < 0) return invalidDuration;
  std::vector<std::vector<Edit>> scaled;
  scaled.reserve(movie.tracks.size());
  for (const auto& track : movie.tracks) {
    std::vector<Edit> edits = track->edits;
    if (!ScaleEditRange(edits, start, oldDuration, newDuration, ScalesOf(*track)))
      return invalidDuration;
    if (!FitsTimeValue(TotalDuration(edits))) return invalidDuration;
    scaled.push_back(std::move(edits));
  }
  for (std::size_t i = 0; i < scaled.size(); ++i) movie.tracks[i]->edits.swap(scaled[i]);
  return noErr;
}

}  // namespace tvx
