// Movie fragments ('moof': traf, tfhd, trun; ISO/IEC 14496-12 8.8): their samples are appended
// to the tracks of the movie, so a fragmented file reads as one movie.
#pragma once

#include <cstdint>

#include "../io/byte_reader.h"
#include "../model/movie_model.h"
#include "read_context.h"

namespace tvx {

/// Appends the samples of one 'moof' payload; moofOffset is the file offset of the atom's first
/// byte and fileSize bounds runs whose samples take no table bytes. Fragments of unknown tracks
/// are skipped. Call SampleTable::Finalize() on the tracks afterwards.
OSErr ParseMovieFragment(ByteReader moof, std::uint64_t moofOffset, std::uint64_t fileSize,
                         ReadContext* ctx, Movie* movie);

}  // namespace tvx
