// The sample table atom ('stbl': stsd, stts, ctts, stss, stsc, stsz/stz2, stco/co64) read into a
// media's descriptions and run-length sample table.
#pragma once

#include "../MacTypes.h"
#include "../io/byte_reader.h"
#include "../model/movie_model.h"

namespace tvx {

/// Reads an 'stbl' payload. badPublicMovieAtom for bad structure (sizes, counts larger than their
/// atom), invalidSampleTable when the tables contradict each other.
OSErr ParseSampleTable(ByteReader stbl, int depth, Media* media);

}  // namespace tvx
