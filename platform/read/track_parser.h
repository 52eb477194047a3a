// The track atom ('trak': tkhd, edts/elst, tref, udta, mdia) read into a Track.
#pragma once

#include "../io/byte_reader.h"
#include "../model/movie_model.h"
#include "read_context.h"

namespace tvx {

/// Reads a 'trak' payload and adds the track to the movie. A track without a header or a media
/// header is left out, as players do.
OSErr ParseTrack(ByteReader trak, ReadContext* ctx, Movie* movie);

/// Gives a track that had no edit list one edit over its whole media at rate 1 (none when the
/// media is empty), or over the media from startMediaTime on. Call once the media's samples are
/// complete.
void AddImplicitEdit(Track* track, TimeScale movieTimeScale, std::int64_t startMediaTime = 0);

}  // namespace tvx
