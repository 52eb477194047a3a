// The edit list as written into 'edts'/'elst' (QuickTime File Format, Edit list atom;
// ISO/IEC 14496-12 8.6.6).
#pragma once

#include <vector>

#include "../MacTypes.h"
#include "../io/byte_writer.h"
#include "../model/movie_model.h"

namespace tvx {

/// The edits worth writing: zero-duration edits dropped, edits that continue each other merged
/// (two empty edits, or the same rate with the next starting where the previous ends in media
/// time), and no empty edit at the end.
std::vector<Edit> EditsToWrite(const std::vector<Edit>& edits, TimeScale movieTimeScale,
                               TimeScale mediaTimeScale);

/// Writes edts{elst}; version 1 when a duration or media time needs 64 bits.
void WriteEditList(ByteWriter& w, const std::vector<Edit>& edits);

}  // namespace tvx
