#include "movie_atom_writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "../io/byte_writer.h"
#include "mac_time.h"
#include "track_atom_writer.h"

namespace tvx {
namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;

std::uint32_t Clamp32(std::int64_t v) {
  return v < 0 ? 0 : v > std::int64_t(kMax32) ? std::uint32_t(kMax32) : std::uint32_t(v);
}

void WriteMovieHeader(ByteWriter& w, const Movie& m, std::uint64_t now, std::int64_t duration,
                      std::uint32_t nextTrackId) {
  std::uint64_t created = m.creationTime != 0 ? m.creationTime : now;
  bool wide = created > kMax32 || now > kMax32 || std::uint64_t(duration) > kMax32;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("mvhd"));
  w.VersionFlags(wide ? 1 : 0, 0);
  if (wide) {
    w.U64(created);
    w.U64(now);
    w.U32(std::uint32_t(m.timeScale));
    w.U64(std::uint64_t(duration));
  } else {
    w.U32(std::uint32_t(created));
    w.U32(std::uint32_t(now));
    w.U32(std::uint32_t(m.timeScale));
    w.U32(std::uint32_t(duration));
  }
  w.U32(std::uint32_t(m.preferredRate));
  w.U16(std::uint16_t(m.preferredVolume));
  w.Zeros(10);
  WriteMatrix(w, m.matrix);
  w.U32(Clamp32(m.previewTime));
  w.U32(Clamp32(m.previewDuration));
  w.U32(Clamp32(m.posterTime));
  w.U32(Clamp32(m.selectionTime));
  w.U32(Clamp32(m.selectionDuration));
  w.U32(Clamp32(m.currentTime));
  w.U32(nextTrackId);
  w.EndBox(box);
}

// moov{cmov{dcom 'zlib', cmvd{u32 size, zlib stream of the whole moov}}} (QuickTime File Format,
// compressed movie resources).
OSErr Compress(const std::vector<std::uint8_t>& moov, std::vector<std::uint8_t>* out) {
  if (moov.size() > kMax32) return paramErr;
  uLongf packedSize = compressBound(uLong(moov.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, moov.data(), uLong(moov.size()), Z_BEST_COMPRESSION) !=
      Z_OK)
    return memFullErr;
  packed.resize(packedSize);
  std::vector<std::uint8_t> bytes;
  ByteWriter w(&bytes);
  std::size_t outer = w.BeginBox(FOUR_CHAR_CODE("moov"));
  std::size_t cmov = w.BeginBox(FOUR_CHAR_CODE("cmov"));
  std::size_t dcom = w.BeginBox(FOUR_CHAR_CODE("dcom"));
  w.FourCC(FOUR_CHAR_CODE("zlib"));
  w.EndBox(dcom);
  std::size_t cmvd = w.BeginBox(FOUR_CHAR_CODE("cmvd"));
  w.U32(std::uint32_t(moov.size()));
  w.Bytes(packed);
  w.EndBox(cmvd);
  w.EndBox(cmov);
  w.EndBox(outer);
  *out = std::move(bytes);
  return noErr;
}

}  // namespace

OSErr BuildMovieAtom(const Movie& movie, const MovieAtomOptions& options,
                     std::vector<std::uint8_t>* out) {
  if (out == nullptr || movie.timeScale <= 0) return paramErr;
  TrackWriteContext context;
  context.options = &options;
  context.movieTimeScale = movie.timeScale;
  context.now = MacTimeNow();
  std::uint32_t nextId = 1;
  for (const auto& t : movie.tracks) context.ids[t.get()] = nextId++;

  // The header comes first and holds the longest track's duration, so the durations are
  // worked out before anything is written; the tracks then go straight into one buffer, sized
  // once for all of them.
  std::int64_t duration = 0;
  std::size_t bound = 4096 + UserDataSize(movie.userData);
  for (const auto& t : movie.tracks) {
    // A track that cannot be written fails below, with the status and in the order it always had.
    std::int64_t trackDuration = 0;
    if (WrittenTrackDuration(*t, context, &trackDuration) == noErr)
      duration = std::max(duration, trackDuration);
    bound += TrackAtomSizeBound(*t);
  }
  std::vector<std::uint8_t> bytes;
  ByteWriter w(&bytes);
  w.Reserve(bound);
  std::size_t moov = w.BeginBox(FOUR_CHAR_CODE("moov"));
  WriteMovieHeader(w, movie, context.now, duration, nextId);
  for (const auto& t : movie.tracks) {
    std::int64_t trackDuration = 0;
    if (OSErr err = WriteTrackAtom(w, *t, context, &trackDuration); err != noErr) return err;
  }
  if (!options.iso) WriteUserData(w, movie.userData);
  if (bytes.size() > kMax32) return paramErr;
  w.EndBox(moov);

  if (options.compress && !options.iso) return Compress(bytes, out);
  *out = std::move(bytes);
  return noErr;
}

}  // namespace tvx
