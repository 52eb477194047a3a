// Movies from files: NewMovieFromFile, NewMovie, and the importer's entry point.
#include <memory>

#include "../Movies.h"
#include "../read/movie_file_reader.h"
#include "arena.h"
#include "open_files.h"
#include "status.h"

namespace {
constexpr SInt16 kMovieInDataForkResID = -1;  // the movie atom is in the data fork
}  // namespace

OSErr NewMovieFromFile(Movie* theMovie, SInt16 resRefNum, SInt16* resId, StringPtr resName,
                       SInt16 newMovieFlags, Boolean* dataRefWasChanged) {
  if (dataRefWasChanged) *dataRefWasChanged = false;
  if (resName) resName[0] = 0;
  if (!theMovie) return tvx::SetMoviesError(paramErr);
  *theMovie = nullptr;
  const tvx::OpenMovieFileRecord* file = tvx::LookupMovieFile(resRefNum);
  if (!file) return tvx::SetMoviesError(rfNumErr);
  std::unique_ptr<tvx::Movie> movie;
  const bool resolve = (newMovieFlags & newMovieDontResolveDataRefs) == 0;
  const OSErr status = tvx::ReadMovieFile(file->fd, file->path, resolve, &movie);
  if (movie) {
    *theMovie = tvx::AdoptMovie(std::move(movie));
    if (resId) *resId = kMovieInDataForkResID;
  }
  return tvx::SetMoviesError(status);
}

Movie NewMovie(long /*flags*/) {
  auto movie = std::make_unique<tvx::Movie>();
  movie->timeScale = 600;
  movie->matrix = tvx::IdentityMatrix();
  tvx::SetMoviesError(noErr);
  return tvx::AdoptMovie(std::move(movie));
}

// The MP3 importer is not built yet: every file gets the status the importer gives for a file
// it cannot read, and nothing is added to the movie.
ComponentResult MovieImportFile(MovieImportComponent /*ci*/, const FSSpec* /*theFile*/,
                                Movie /*theMovie*/, Track /*targetTrack*/, Track* usedTrack,
                                TimeValue /*atTime*/, TimeValue* addedDuration, long /*inFlags*/,
                                long* outFlags) {
  if (usedTrack) *usedTrack = nullptr;
  if (addedDuration) *addedDuration = 0;
  if (outFlags) *outFlags = 0;
  return tvx::SetMoviesError(badFileFormat);
}
