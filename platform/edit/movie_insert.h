// Movie-level inserts: a span of one movie into another, end to end or in parallel.
#pragma once

#include <cstdint>

#include "../model/movie_model.h"

namespace tvx {

/// The track of dst that receives src's segment: the first one not yet chosen in this insert
/// whose media type, media time scale, language, size, matrix, alternate group and first sample
/// description format equal src's. Null when there is none.
Track* MatchingTrack(const Track& src, const Movie& dst, const std::vector<const Track*>& chosen);

/// Inserts [srcIn, srcIn + srcDuration) of every src track into dst at dstIn (each src track into
/// its matching track, or a new one); dst tracks that receive nothing and run past dstIn get empty
/// space. src is unchanged.
OSErr InsertMovieSpan(const Movie& src, Movie& dst, std::int64_t srcIn, std::int64_t srcDuration,
                      std::int64_t dstIn);

/// Adds every src track with content as a new dst track starting at dst's selection start,
/// scaled to the selection's duration when it is not zero. Existing tracks are not touched.
OSErr AddMovieInParallel(Movie& dst, const Movie& src);

/// Preferred rate and volume, matrix and user data of src replace those of dst.
void CopySettings(const Movie& src, Movie& dst);

}  // namespace tvx
