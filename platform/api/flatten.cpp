// FlattenMovieDataToDataRef: the self-contained copy of a movie, written into the file that an
// 'alis' data reference made from a full path names.
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "../Movies.h"
#include "../write/flatten_writer.h"
#include "arena.h"
#include "status.h"

namespace {

/// The handle holds the path's bytes up to a terminating zero.
bool PathFromDataRef(Handle dataRef, std::string* path) {
  if (dataRef == nullptr || *dataRef == nullptr) return false;
  const Size size = GetHandleSize(dataRef);
  if (size <= 0) return false;
  const char* bytes = *dataRef;
  const void* zero = std::memchr(bytes, 0, std::size_t(size));
  std::size_t length = zero ? std::size_t(static_cast<const char*>(zero) - bytes) : std::size_t(size);
  if (length == 0) return false;
  path->assign(bytes, length);
  if ((*path)[0] != '/') {  // the full-path constructor makes absolute paths; be kind to others
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr) return false;
    *path = std::string(cwd) + "/" + *path;
    std::free(cwd);
  }
  return true;
}

}  // namespace

Movie FlattenMovieDataToDataRef(Movie theMovie, long movieFlattenFlags, Handle dataRef,
                                OSType dataRefType, OSType /*creator*/, ScriptCode /*scriptTag*/,
                                long /*createMovieFileFlags*/) {
  if (theMovie == nullptr) {
    tvx::SetMoviesError(invalidMovie);
    return nullptr;
  }
  std::string path;
  if (dataRefType != FOUR_CHAR_CODE("alis") || !PathFromDataRef(dataRef, &path)) {
    tvx::SetMoviesError(invalidDataRef);
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
