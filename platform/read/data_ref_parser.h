// The data reference atom ('dinf'/'dref', ISO/IEC 14496-12 8.7.2; QuickTime 'alis' entries).
#pragma once

#include "../MacTypes.h"
#include "../io/byte_reader.h"
#include "../model/movie_model.h"

namespace tvx {

/// Reads a 'dref' payload into the media's data references (kind, flags, raw payload).
OSErr ParseDataRefs(ByteReader dref, Media* media);

}  // namespace tvx
