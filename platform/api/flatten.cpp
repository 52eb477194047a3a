// FlattenMovieDataToDataRef: the self-contained copy of a movie, written into the file that an
// 'alis' data reference made from a full path names.
#include <memory>
#include <string>

#include "../Movies.h"
#include "../write/data_ref_path.h"
#include "../write/flatten_writer.h"
#include "arena.h"
#include "status.h"

Movie FlattenMovieDataToDataRef(Movie theMovie, long movieFlattenFlags, Handle dataRef,
                                OSType dataRefType, OSType /*creator*/, ScriptCode /*scriptTag*/,
                                long /*createMovieFileFlags*/) {
  if (theMovie == nullptr) {
    tvx::SetMoviesError(invalidMovie);
    return nullptr;
  }
  std::string path;
  if (OSErr err = tvx::PathFromDataRef(dataRef, dataRefType, &path); err != noErr) {
    tvx::SetMoviesError(err);
    return nullptr;
  }
  // The header always goes into the data fork here (flattenAddMovieToDataFork); an existing
  // file is always replaced, as the one caller asks with createMovieFileDeleteCurFile.
  tvx::FlattenOptions options;
  options.movieFirst = (movieFlattenFlags & flattenForceMovieResourceBeforeMovieData) != 0;
  options.compress = (movieFlattenFlags & flattenCompressMovieResource) != 0;
  std::unique_ptr<tvx::Movie> written;
  OSErr err = tvx::FlattenMovieToFile(*theMovie, path, options, &written);
  tvx::SetMoviesError(err);
  if (err != noErr) return nullptr;
  return tvx::AdoptMovie(std::move(written));
}
