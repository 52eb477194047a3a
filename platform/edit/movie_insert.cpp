#include "movie_insert.h"

#include <algorithm>
#include <cstring>

#include "edit_list.h"
#include "media_import.h"
#include "time_math.h"
#include "track_insert.h"

namespace tvx {

namespace {

OSType FirstFormat(const Media& media) {
  return media.descriptions.empty() ? 0 : media.descriptions.front().Format();
}

bool SameMatrix(const MatrixRecord& a, const MatrixRecord& b) {
  return std::memcmp(&a, &b, sizeof(MatrixRecord)) == 0;
}

// True when the track shows something inside [start, start + duration).
bool HasContent(const Track& track, std::int64_t start, std::int64_t duration) {
  std::int64_t editStart = 0;
  for (const Edit& e : track.edits) {
    std::int64_t editEnd = editStart + e.duration;
    if (e.mediaTime >= 0 && e.duration > 0 && editEnd > start && editStart < start + duration)
      return true;
    editStart = editEnd;
  }
  return false;
}

std::vector<Track*> Snapshot(const Movie& movie) {
  std::vector<Track*> tracks;
  for (const auto& t : movie.tracks) tracks.push_back(t.get());
  return tracks;
}

std::int64_t ConvertMovieTime(std::int64_t t, const Movie& from, const Movie& to) {
  if (from.timeScale <= 0 || to.timeScale <= 0) return t;
  return MulDivRound(t, to.timeScale, from.timeScale);
}

}  // namespace

Track* MatchingTrack(const Track& src, const Movie& dst, const std::vector<const Track*>& chosen) {
  for (const auto& candidate : dst.tracks) {
    const Track& t = *candidate;
    if (std::find(chosen.begin(), chosen.end(), &t) != chosen.end()) continue;
    if (t.media.handlerType == src.media.handlerType && t.media.timeScale == src.media.timeScale &&
        t.media.language == src.media.language && t.width == src.width &&
        t.height == src.height && SameMatrix(t.matrix, src.matrix) &&
        t.alternateGroup == src.alternateGroup && FirstFormat(t.media) == FirstFormat(src.media))
      return candidate.get();
  }
  return nullptr;
}

OSErr InsertMovieSpan(const Movie& src, Movie& dst, std::int64_t srcIn, std::int64_t srcDuration,
                      std::int64_t dstIn) {
  if (srcIn < 0 || dstIn < 0) return invalidTime;
  if (srcDuration < 0) return invalidDuration;
  if (srcDuration == 0) return noErr;

  const std::vector<Track*> sources = Snapshot(src);
  const std::vector<Track*> existing = Snapshot(dst);
  std::vector<const Track*> chosen;
  OSErr result = noErr;
  for (const Track* source : sources) {
    Track* target = MatchingTrack(*source, dst, chosen);
    const bool added = target == nullptr;
    if (added) {
      if (!HasContent(*source, srcIn, srcDuration)) continue;
      target = AddEmptyTrackLike(*source, dst);
    }
    chosen.push_back(target);
    OSErr status = InsertSegment(*source, *target, srcIn, srcDuration, dstIn);
    if (status != noErr) {
      if (added) dst.RemoveTrack(target);
      if (result == noErr) result = status;
    }
  }
  // Tracks that received nothing keep in step with the others past dstIn.
  const std::int64_t space = ConvertMovieTime(srcDuration, src, dst);
  const std::vector<Edit> gap{Edit{space, -1, fixed1}};
  for (Track* track : existing) {
    if (std::find(chosen.begin(), chosen.end(), track) != chosen.end()) continue;
    if (dstIn < track->Duration()) InsertEditsAt(track->edits, gap, dstIn, ScalesOf(*track));
  }
  return result;
}

OSErr AddMovieInParallel(Movie& dst, const Movie& src) {
  const std::int64_t start = std::max<std::int64_t>(0, dst.selectionTime);
  const std::int64_t span = dst.selectionDuration;
  const std::int64_t srcDuration = ConvertMovieTime(src.Duration(), src, dst);
  if (srcDuration <= 0) return noErr;

  // Prepare every track's edits first, so a refused scale adds nothing.
  struct Pending {
    Track* source;
    std::vector<Edit> edits;
  };
  std::vector<Pending> pending;
  for (Track* source : Snapshot(src)) {
    if (!HasContent(*source, 0, source->Duration())) continue;
    std::vector<Edit> edits = source->edits;
    RescaleEditDurations(edits, src.timeScale, dst.timeScale);
    EditScales scales{dst.timeScale > 0 ? dst.timeScale : 600,
                      source->media.timeScale > 0 ? source->media.timeScale : 600};
    if (span > 0 && !ScaleEditRange(edits, 0, srcDuration, span, scales)) return invalidDuration;
    pending.push_back({source, std::move(edits)});
  }
  OSErr result = noErr;
  for (Pending& p : pending) {
    Track* track = AddEmptyTrackLike(*p.source, dst);
    OSErr status = ImportMediaReferences(*p.source, *track, p.edits, dst.timeScale);
    if (status != noErr) {
      dst.RemoveTrack(track);
      if (result == noErr) result = status;
      continue;
    }
    InsertEditsAt(track->edits, p.edits, start, ScalesOf(*track));
  }
  return result;
}

void CopySettings(const Movie& src, Movie& dst) {
  dst.preferredRate = src.preferredRate;
  dst.preferredVolume = src.preferredVolume;
  dst.matrix = src.matrix;
  dst.userData = src.userData;
}

}  // namespace tvx
