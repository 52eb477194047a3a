// The sample table atom 'stbl' of a media (QuickTime File Format, Sample table atom;
// ISO/IEC 14496-12 8.5-8.7): descriptions, times, sync samples, chunks, sizes and offsets.
#pragma once

#include <cstddef>

#include "../io/byte_writer.h"
#include "../model/movie_model.h"
#include "data_ref_table.h"

namespace tvx {

/// Writes stbl for the media; descriptions get their data reference index through refs.
void WriteSampleTable(ByteWriter& w, const Media& media, const WrittenDataRefs& refs);

/// An upper bound of the bytes WriteSampleTable writes for the media, to size buffers once.
std::size_t SampleTableSizeBound(const Media& media);
/// True when a chunk offset of the table needs 'co64' (the largest, not the last: the chunks of
/// a reference movie point into several files and do not rise steadily).
bool NeedsLargeOffsets(const SampleTable& table);

}  // namespace tvx
