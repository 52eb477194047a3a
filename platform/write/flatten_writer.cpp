#include "flatten_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <vector>

#include <zlib.h>

#include "../system/atomic_file.h"
#include "flatten_layout.h"
#include "flatten_plan.h"
#include "movie_atom_writer.h"
#include "progress.h"

namespace tvx {

namespace {

constexpr std::uint32_t kUnresolved = std::numeric_limits<std::uint32_t>::max();

void PutU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 24);
  p[1] = std::uint8_t(v >> 16);
  p[2] = std::uint8_t(v >> 8);
  p[3] = std::uint8_t(v);
}

void PutU64(std::uint8_t* p, std::uint64_t v) {
  PutU32(p, std::uint32_t(v >> 32));
  PutU32(p + 4, std::uint32_t(v));
}

// QuickTime File Format: major brand 'qt  ', minor version 0x20050300, compatible 'qt  '.
constexpr std::uint8_t kFileType[20] = {0,   0,   0,   20,  'f', 't',  'y', 'p', 'q', 't',
                                        ' ', ' ', 0x20, 0x05, 0x03, 0x00, 'q', 't', ' ', ' '};

/// 'mdat' header for payload bytes; the 64-bit form when the atom passes 4 GiB.
std::vector<std::uint8_t> MediaDataHeader(std::uint64_t payload) {
  std::vector<std::uint8_t> h;
  if (payload + 8 > std::numeric_limits<std::uint32_t>::max()) {
    h.resize(16);
    PutU32(h.data(), 1);
    PutU32(h.data() + 4, FOUR_CHAR_CODE("mdat"));
    PutU64(h.data() + 8, payload + 16);
  } else {
    h.resize(8);
    PutU32(h.data(), std::uint32_t(payload + 8));
    PutU32(h.data() + 4, FOUR_CHAR_CODE("mdat"));
  }
  return h;
}

/// For every track and sample description, the copier's index of the file holding its samples.
OSErr OpenSources(const FlattenPlan& plan, const FlattenLayout& layout, MediaCopier* copier,
                  std::vector<std::vector<std::uint32_t>>* sources) {
  sources->assign(plan.tracks.size(), {});
  for (std::size_t i = 0; i < plan.tracks.size(); ++i)
    (*sources)[i].assign(plan.tracks[i].source->media.descriptions.size(), kUnresolved);
  for (const LayoutChunk& c : layout.chunks) {
    std::uint32_t& index = (*sources)[c.track][c.descIndex - 1];
    if (index != kUnresolved) continue;
    const Media& media = plan.tracks[c.track].source->media;
    const std::uint16_t ref = media.descriptions[c.descIndex - 1].DataRefIndex();
    if (ref == 0 || ref > media.dataRefs.size()) return invalidDataRef;
    const std::string& path = media.dataRefs[ref - 1].resolvedPath;
    if (path.empty()) return couldNotResolveDataRef;
    if (OSErr err = copier->AddSource(path, &index); err != noErr) return err;
  }
  return noErr;
}

/// Where the copy of one track stopped: the next chunk usually continues from there, which
/// spares a walk from the start of a long source chunk.
struct SourceCursor {
  std::uint32_t sample = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t offset = 0;
};

/// Copies every chunk's samples to base + the chunk's offset.
OSErr CopyMedia(const FlattenPlan& plan, const FlattenLayout& layout,
                const std::vector<std::vector<std::uint32_t>>& sources, std::uint64_t base,
                MediaCopier* copier) {
  std::vector<SourceCursor> cursors(plan.tracks.size());
  for (const LayoutChunk& c : layout.chunks) {
    const SampleTable& table = plan.tracks[c.track].source->media.samples;
    const std::uint32_t source = sources[c.track][c.descIndex - 1];
    SourceCursor& cursor = cursors[c.track];
    std::uint32_t s = c.sourceFirst;
    std::uint32_t chunk = table.ChunkIndexOf(s);
    std::uint32_t chunkEnd = table.chunks[chunk].firstSample + table.ChunkSampleCount(chunk);
    std::uint64_t from = cursor.sample == s ? cursor.offset : table.SampleOffset(s);
    std::uint64_t to = base + c.offset;
    for (std::uint32_t k = 0; k < c.count; ++k, ++s) {
      if (s >= chunkEnd) {
        ++chunk;
        from = table.chunks[chunk].offset;
        chunkEnd = table.chunks[chunk].firstSample + table.ChunkSampleCount(chunk);
      }
      const std::uint32_t size = table.SampleSize(s);
      if (OSErr err = copier->Copy(source, from, size, to); err != noErr) return err;
      from += size;
      to += size;
    }
    // The next sample's offset, unless it opens a chunk of its own.
    cursor.sample = s < chunkEnd ? s : std::numeric_limits<std::uint32_t>::max();
    cursor.offset = from;
  }
  return copier->Finish();
}

/// A first guess of the room a compressed header needs, without compressing it the slow way:
/// the plain header compressed at zlib's fastest level, which the best level practically never
/// exceeds, plus the cmov wrapping and a little slack. Zero when it cannot tell.
std::uint64_t CompressedRoomGuess(FlattenPlan* plan, const FlattenLayout& layout,
                                  const MovieAtomOptions& atomOptions, std::uint64_t base) {
  MovieAtomOptions plain = atomOptions;
  plain.compress = false;
  PlaceMedia(plan, layout, base);
  std::vector<std::uint8_t> bytes;
  if (BuildMovieAtom(*plan->movie, plain, &bytes) != noErr) return 0;
  uLongf packed = compressBound(uLong(bytes.size()));
  std::vector<std::uint8_t> out(packed);
  if (compress2(out.data(), &packed, bytes.data(), uLong(bytes.size()), Z_BEST_SPEED) != Z_OK)
    return 0;
  constexpr std::uint64_t kWrapping = 8 + 8 + 12 + 12;  // moov, cmov, dcom, cmvd + its size
  return packed + kWrapping + 64 + packed / 128;
}

/// Sizes the movie atom that precedes the media: the header's size moves the media, which can
/// turn stco into co64 or change what compresses, so repeat until it fits its own reservation
/// (the rest becomes a 'free' atom).
OSErr BuildLeadingMovieAtom(FlattenPlan* plan, const FlattenLayout& layout,
                            const MovieAtomOptions& atomOptions, std::uint64_t headerBytes,
                            std::vector<std::uint8_t>* moov, std::uint64_t* reserved) {
  // Every round of a compressed header compresses all of it at the best level, so start from a
  // guess that usually fits at once.
  std::uint64_t room =
      atomOptions.compress ? CompressedRoomGuess(plan, layout, atomOptions, sizeof kFileType + headerBytes) : 0;
  for (int round = 0; round < 32; ++round) {
    PlaceMedia(plan, layout, sizeof kFileType + room + headerBytes);
    if (OSErr err = BuildMovieAtom(*plan->movie, atomOptions, moov); err != noErr) return err;
    const std::uint64_t size = moov->size();
    if (room > 0 && (size == room || size + 8 <= room)) {
      *reserved = room;
      return noErr;
    }
    // The room only grows, and after a few rounds by a widening slack, which ends any
    // back-and-forth of compressed sizes.
    room = size > room ? size : size + 8;
    if (round >= 4) room += std::uint64_t(64) << std::min(round, 20);
  }
  return invalidMovie;
}

}  // namespace

OSErr FlattenMovieToFile(const Movie& movie, const std::string& destination,
                         const FlattenOptions& options, std::unique_ptr<Movie>* written,
                         CopyStats* stats) {
  FlattenPlan plan;
  if (OSErr err = PlanFlatten(movie, destination, &plan); err != noErr) return err;
  FlattenLayout layout;
  LayOutMedia(&plan, options.chunkSeconds, &layout);

  AtomicFile file;
  if (OSErr err = file.Create(destination); err != noErr) return err;
  CopyProgress progress(layout.totalBytes);
  MediaCopier copier(file.fd(), &progress);
  copier.UseKernelCopy(options.kernelCopy);
  std::vector<std::vector<std::uint32_t>> sources;
  if (OSErr err = OpenSources(plan, layout, &copier, &sources); err != noErr) return err;

  MovieAtomOptions atomOptions;
  atomOptions.outputPath = destination;
  atomOptions.compress = options.compress;
  const std::vector<std::uint8_t> mdat = MediaDataHeader(layout.totalBytes);
  std::vector<std::uint8_t> moov;
  std::uint64_t moovAt = 0;
  OSErr err = file.WriteAt(0, kFileType, sizeof kFileType);

  if (options.movieFirst) {
    std::uint64_t reserved = 0;
    if (err == noErr) err = BuildLeadingMovieAtom(&plan, layout, atomOptions, mdat.size(), &moov, &reserved);
    moovAt = sizeof kFileType;
    const std::uint64_t mdatAt = moovAt + reserved;
    const std::uint64_t base = mdatAt + mdat.size();
    if (err == noErr) err = file.WriteAt(moovAt, moov.data(), moov.size());
    if (err == noErr && reserved > moov.size()) {
      std::vector<std::uint8_t> pad(reserved - moov.size(), 0);
      PutU32(pad.data(), std::uint32_t(pad.size()));
      PutU32(pad.data() + 4, FOUR_CHAR_CODE("free"));
      err = file.WriteAt(moovAt + moov.size(), pad.data(), pad.size());
    }
    if (err == noErr) err = file.WriteAt(mdatAt, mdat.data(), mdat.size());
    if (err == noErr) err = CopyMedia(plan, layout, sources, base, &copier);
    // Holes of sparse sources at the very end still count as file contents.
    if (err == noErr && ::ftruncate(file.fd(), off_t(base + layout.totalBytes)) != 0)
      err = StatusFromErrno(errno);
  } else {
    const std::uint64_t base = sizeof kFileType + mdat.size();
    PlaceMedia(&plan, layout, base);
    if (err == noErr) err = file.WriteAt(sizeof kFileType, mdat.data(), mdat.size());
    if (err == noErr) err = CopyMedia(plan, layout, sources, base, &copier);
    if (err == noErr) err = BuildMovieAtom(*plan.movie, atomOptions, &moov);
    moovAt = base + layout.totalBytes;
    if (err == noErr) err = file.WriteAt(moovAt, moov.data(), moov.size());
  }
  if (stats != nullptr) *stats = copier.stats();
  if (err != noErr) return err;
  if (err = file.Commit(); err != noErr) return err;

  plan.movie->originPath = destination;
  plan.movie->originMoovOffset = moovAt;
  plan.movie->originMoovSize = moov.size();
  plan.movie->originHasMovieAtom = true;
  if (written != nullptr) *written = std::move(plan.movie);
  return noErr;
}

}  // namespace tvx
