// Editing by reference: the API's argument checks and statuses over platform/edit.
#include "../Movies.h"
#include "../edit/movie_insert.h"
#include "../edit/segment_ops.h"
#include "../edit/time_math.h"
#include "../edit/track_insert.h"
#include "status.h"

void SetMovieTimeScale(Movie theMovie, TimeScale timeScale) {
  if (theMovie == nullptr) return void(tvx::SetMoviesError(invalidMovie));
  if (timeScale <= 0) return void(tvx::SetMoviesError(paramErr));
  tvx::ChangeMovieTimeScale(*theMovie, timeScale);
  tvx::SetMoviesError(noErr);
}

OSErr DeleteMovieSegment(Movie theMovie, TimeValue startTime, TimeValue duration) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie);
  if (startTime < 0) return tvx::SetMoviesError(invalidTime);
  if (duration < 0) return tvx::SetMoviesError(invalidDuration);
  tvx::DeleteSegment(*theMovie, startTime, duration);
  return tvx::SetMoviesError(noErr);
}

OSErr ScaleMovieSegment(Movie theMovie, TimeValue startTime, TimeValue oldDuration,
                        TimeValue newDuration) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie);
  if (startTime < 0) return tvx::SetMoviesError(invalidTime);
  return tvx::SetMoviesError(tvx::ScaleSegment(*theMovie, startTime, oldDuration, newDuration));
}

void DisposeMovieTrack(Track theTrack) {
  if (theTrack == nullptr || theTrack->movie == nullptr)
    return void(tvx::SetMoviesError(invalidTrack));
  theTrack->movie->RemoveTrack(theTrack);
  tvx::SetMoviesError(noErr);
}

OSErr InsertMovieSegment(Movie srcMovie, Movie dstMovie, TimeValue srcIn, TimeValue srcDuration,
                         TimeValue dstIn) {
  if (srcMovie == nullptr || dstMovie == nullptr) return tvx::SetMoviesError(invalidMovie);
  return tvx::SetMoviesError(tvx::InsertMovieSpan(*srcMovie, *dstMovie, srcIn, srcDuration, dstIn));
}

OSErr InsertTrackSegment(Track srcTrack, Track dstTrack, TimeValue srcIn, TimeValue srcDuration,
                         TimeValue dstIn) {
  if (srcTrack == nullptr || dstTrack == nullptr) return tvx::SetMoviesError(invalidTrack);
  return tvx::SetMoviesError(tvx::InsertSegment(*srcTrack, *dstTrack, srcIn, srcDuration, dstIn));
}

OSErr AddEmptyTrackToMovie(Track srcTrack, Movie dstMovie, Handle dataRef, OSType dataRefType,
                           Track* dstTrack) {
  // The new media's data references come with the samples inserted into it; a data reference
  // passed here is not needed.
  (void)dataRef;
  (void)dataRefType;
  if (dstTrack != nullptr) *dstTrack = nullptr;
  if (srcTrack == nullptr) return tvx::SetMoviesError(invalidTrack);
  if (dstMovie == nullptr) return tvx::SetMoviesError(invalidMovie);
  if (dstTrack == nullptr) return tvx::SetMoviesError(paramErr);
  *dstTrack = tvx::AddEmptyTrackLike(*srcTrack, *dstMovie);
  return tvx::SetMoviesError(noErr);
}

void SetMovieSelection(Movie theMovie, TimeValue selectionTime, TimeValue selectionDuration) {
  if (theMovie == nullptr) return void(tvx::SetMoviesError(invalidMovie));
  // A negative duration selects the same span backwards.
  if (selectionDuration < 0) {
    selectionTime += selectionDuration;
    selectionDuration = -selectionDuration;
  }
  theMovie->selectionTime = selectionTime;
  theMovie->selectionDuration = selectionDuration;
  tvx::SetMoviesError(noErr);
}

void GetMovieSelection(Movie theMovie, TimeValue* selectionTime, TimeValue* selectionDuration) {
  if (selectionTime != nullptr) *selectionTime = 0;
  if (selectionDuration != nullptr) *selectionDuration = 0;
  if (theMovie == nullptr) return void(tvx::SetMoviesError(invalidMovie));
  if (!tvx::FitsTimeValue(theMovie->selectionTime) ||
      !tvx::FitsTimeValue(theMovie->selectionDuration))
    return void(tvx::SetMoviesError(invalidTime));
  if (selectionTime != nullptr) *selectionTime = TimeValue(theMovie->selectionTime);
  if (selectionDuration != nullptr) *selectionDuration = TimeValue(theMovie->selectionDuration);
  tvx::SetMoviesError(noErr);
}

void AddMovieSelection(Movie theMovie, Movie src) {
  if (theMovie == nullptr || src == nullptr) return void(tvx::SetMoviesError(invalidMovie));
  tvx::SetMoviesError(tvx::AddMovieInParallel(*theMovie, *src));
}

OSErr CopyMovieSettings(Movie srcMovie, Movie dstMovie) {
  if (srcMovie == nullptr || dstMovie == nullptr) return tvx::SetMoviesError(invalidMovie);
  tvx::CopySettings(*srcMovie, *dstMovie);
  return tvx::SetMoviesError(noErr);
}
