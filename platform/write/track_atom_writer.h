// One 'trak' atom: tkhd, edit list, track references, media and user data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "../io/byte_writer.h"
#include "../model/movie_model.h"
#include "movie_atom_writer.h"

namespace tvx {

struct TrackWriteContext {
  const MovieAtomOptions* options = nullptr;
  TimeScale movieTimeScale = 600;
  std::uint64_t now = 0;                        // seconds since 1904
  std::map<const Track*, std::uint32_t> ids;   // the IDs written, 1..n
};

/// Writes the track's 'trak'; *duration receives its duration in movie time as written.
OSErr WriteTrackAtom(ByteWriter& w, const Track& track, const TrackWriteContext& context,
                     std::int64_t* duration);

/// The duration in movie time that WriteTrackAtom writes for the track (for the movie header,
/// which comes before the tracks).
OSErr WrittenTrackDuration(const Track& track, const TrackWriteContext& context,
                           std::int64_t* duration);
/// About the bytes WriteTrackAtom writes for the track (more for many or long data references),
/// to size the buffer once.
std::size_t TrackAtomSizeBound(const Track& track);
/// The bytes WriteUserData writes.
std::size_t UserDataSize(const UserData& userData);
/// Writes udta with the items in order; nothing when there are none.
void WriteUserData(ByteWriter& w, const UserData& userData);

/// Writes a 3x3 matrix in file order (a b u c d v x y w).
void WriteMatrix(ByteWriter& w, const MatrixRecord& m);

/// True when bytes hold exactly one atom whose size field matches their length.
bool IsWholeAtom(const std::vector<std::uint8_t>& bytes);

}  // namespace tvx
