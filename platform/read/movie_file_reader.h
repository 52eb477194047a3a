// Reading a movie file into the model: the top-level walk, the movie atom, fragments, and the
// data references.
#pragma once

#include <memory>
#include <string>

#include "../model/movie_model.h"

namespace tvx {

/// The movie atom may be at most this large (a 2-hour movie's header is about 10 MB).
constexpr std::uint64_t kMaxMovieAtomSize = std::uint64_t(1) << 30;

/// Reads the movie of the open file fd, whose absolute path is `path`. Statuses: noMovieFound
/// when the file holds no 'moov'; badPublicMovieAtom, invalidSampleTable, invalidMovie for
/// malformed movies; eofErr when the file ends inside the movie atom; ioErr. With
/// couldNotResolveDataRef the movie is returned all the same.
OSErr ReadMovieFile(int fd, const std::string& path, bool resolveDataRefs,
                    std::unique_ptr<Movie>* out);

}  // namespace tvx
