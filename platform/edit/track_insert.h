// Copying a span of one track into another, and making an empty track shaped like another.
#pragma once

#include <cstdint>

#include "../model/movie_model.h"

namespace tvx {

/// Copies the edits of src covering [srcIn, srcIn + srcDuration) (src's movie time) into dst at
/// dstIn (dst's movie time); what was at or after dstIn moves later, and empty space fills any
/// gap before dstIn. A src shorter than the span contributes empty space for the rest.
/// mediaTypesDontMatch for different handler types; src is never changed.
OSErr InsertSegment(const Track& src, Track& dst, std::int64_t srcIn, std::int64_t srcDuration,
                    std::int64_t dstIn);

/// A new track of dstMovie with src's settings (flags, matrix, size, volume, layer, alternate
/// group, user data, uninterpreted atoms) and an empty media of src's kind.
Track* AddEmptyTrackLike(const Track& src, Movie& dstMovie);

}  // namespace tvx
