// Deep copy of a movie for the self-contained writer, which rebuilds the copy's sample tables
// while the source movie stays as the caller knows it.
#include <map>

#include "flatten_plan.h"

namespace tvx {

std::unique_ptr<Movie> CloneMovie(const Movie& movie) {
  auto copy = std::make_unique<Movie>();
  copy->timeScale = movie.timeScale;
  copy->creationTime = movie.creationTime;
  copy->modificationTime = movie.modificationTime;
  copy->preferredRate = movie.preferredRate;
  copy->preferredVolume = movie.preferredVolume;
  copy->matrix = movie.matrix;
  copy->previewTime = movie.previewTime;
  copy->previewDuration = movie.previewDuration;
  copy->posterTime = movie.posterTime;
  copy->selectionTime = movie.selectionTime;
  copy->selectionDuration = movie.selectionDuration;
  copy->currentTime = movie.currentTime;
  copy->userData = movie.userData;
  copy->originPath = movie.originPath;
  copy->originMoovOffset = movie.originMoovOffset;
  copy->originMoovSize = movie.originMoovSize;
  copy->originHasMovieAtom = movie.originHasMovieAtom;

  std::map<const Track*, Track*> mapped;
  for (const auto& track : movie.tracks) {
    auto t = std::make_unique<Track>(*track);
    t->movie = copy.get();
    t->media.track = t.get();
    mapped[track.get()] = t.get();
    copy->tracks.push_back(std::move(t));
  }
  // References may only name tracks of the copy; ones to tracks outside the movie are dropped.
  for (auto& track : copy->tracks) {
    std::vector<TrackReference> kept;
    for (const TrackReference& ref : track->references) {
      TrackReference r{ref.type, {}};
      for (Track* target : ref.tracks) {
        auto it = mapped.find(target);
        if (it != mapped.end()) r.tracks.push_back(it->second);
      }
      if (!r.tracks.empty()) kept.push_back(std::move(r));
    }
    track->references = std::move(kept);
  }
  return copy;
}

}  // namespace tvx
