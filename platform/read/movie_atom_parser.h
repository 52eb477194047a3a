// The movie atom ('moov': mvhd, trak, udta, meta, mvex, or a compressed 'cmov') read into a Movie.
#pragma once

#include "../io/byte_reader.h"
#include "../model/movie_model.h"
#include "read_context.h"

namespace tvx {

/// Reads a 'moov' payload. invalidMovie without 'mvhd'; track references are resolved to tracks
/// (references to unknown IDs are dropped). Tracks without an edit list are listed in ctx and get
/// their edit later, once fragments have added their samples.
OSErr ParseMovieAtom(ByteReader moov, ReadContext* ctx, Movie* movie);

}  // namespace tvx
