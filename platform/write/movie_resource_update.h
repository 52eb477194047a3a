// Saving a movie back into the file it came from: the new movie atom is appended and flushed,
// and only then is the old one turned into 'free', so a crash leaves one whole movie or the other.
#pragma once

#include <string>

#include "../MacTypes.h"
#include "../model/movie_model.h"

namespace tvx {

/// Writes movie into the open file (fd, read-write) at path. invalidMovie when the file holds no
/// movie atom of its own; badPublicMovieAtom when its top-level atoms cannot be walked safely.
OSErr UpdateMovieInFile(Movie& movie, const std::string& path, int fd);

}  // namespace tvx
