// Rewrites edits that refer to one media so they refer to another: the sample ranges they use
// are appended to the destination's sample table, with their descriptions and data references.
// No sample data is read.
#pragma once

#include <vector>

#include "../model/movie_model.h"
#include "edit_list.h"

namespace tvx {

/// `segment` holds edits whose media times are in src's media; on success they are in dst's.
/// `segmentScales.movie` is the time scale of the segment's durations. Nothing changes on failure
/// (invalidSampleTable, invalidDataRef for tables that do not hold together).
OSErr ImportMediaReferences(const Track& src, Track& dst, std::vector<Edit>& segment,
                            std::int64_t segmentMovieScale);

}  // namespace tvx
