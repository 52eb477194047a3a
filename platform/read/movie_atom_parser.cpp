#include "movie_atom_parser.h"

#include <algorithm>

#include "../io/atom_header.h"
#include "compressed_movie.h"
#include "track_parser.h"
#include "user_data_parser.h"

namespace tvx {

namespace {

constexpr OSType kMoov = FOUR_CHAR_CODE("moov");
constexpr OSType kCmov = FOUR_CHAR_CODE("cmov");
constexpr OSType kMvhd = FOUR_CHAR_CODE("mvhd");
constexpr OSType kTrak = FOUR_CHAR_CODE("trak");
constexpr OSType kUdta = FOUR_CHAR_CODE("udta");
constexpr OSType kMeta = FOUR_CHAR_CODE("meta");
constexpr OSType kMvex = FOUR_CHAR_CODE("mvex");
constexpr OSType kTrex = FOUR_CHAR_CODE("trex");

bool ReadMatrix(ByteReader& r, MatrixRecord* m) {
  for (auto& row : m->matrix)
    if (!r.Read(row[0], row[1], row[2])) return false;
  return true;
}

// 'mvhd' (ISO/IEC 14496-12 8.2.2; QuickTime's preview, poster, selection and current times sit
// where ISO has pre_defined zeros). A time scale that is not positive is read as 1, as players do.
OSErr ParseMovieHeader(ByteReader r, Movie* m) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0, timeScale = 0, nextTrackId = 0;
  std::uint64_t duration = 0;
  std::uint8_t reserved[10];
  std::int32_t times[6];
  if (!ReadVersionAndFlags(r, &version, &flags) || !r.ReadVersioned(version, m->creationTime) ||
      !r.ReadVersioned(version, m->modificationTime) || !r.Read(timeScale) ||
      !r.ReadVersioned(version, duration) || !r.Read(m->preferredRate, m->preferredVolume))
    return badPublicMovieAtom;
  for (std::uint8_t& b : reserved)
    if (!r.Read(b)) return badPublicMovieAtom;
  if (!ReadMatrix(r, &m->matrix) ||
      !r.Read(times[0], times[1], times[2], times[3], times[4], times[5], nextTrackId))
    return badPublicMovieAtom;
  m->timeScale = TimeScale(timeScale) > 0 ? TimeScale(timeScale) : 1;
  m->previewTime = times[0];
  m->previewDuration = times[1];
  m->posterTime = times[2];
  m->selectionTime = times[3];
  m->selectionDuration = times[4];
  m->currentTime = times[5];
  return noErr;
}

// 'mvex'/'trex' (8.8.3): sample defaults of fragmented files.
OSErr ParseMovieExtends(ByteReader mvex, int depth, ReadContext* ctx) {
  return ForEachChildAtom(mvex, depth, [&](const AtomHeader& h, ByteReader r, ByteReader) -> OSErr {
    if (h.type != kTrex) return noErr;
    std::uint8_t version = 0;
    std::uint32_t flags = 0;
    TrackExtends e;
    if (!ReadVersionAndFlags(r, &version, &flags) ||
        !r.Read(e.trackId, e.descIndex, e.duration, e.size, e.flags))
      return badPublicMovieAtom;
    ctx->trackExtends.push_back(e);
    return noErr;
  });
}

void ResolveTrackReferences(ReadContext* ctx, Movie* movie) {
  for (const PendingReference& pending : ctx->references) {
    TrackReference resolved;
    resolved.type = pending.type;
    for (std::uint32_t id : pending.ids) {
      for (const auto& t : movie->tracks) {
        if (id != 0 && t->id == id) {
          resolved.tracks.push_back(t.get());
          break;
        }
      }
    }
    if (resolved.tracks.empty()) continue;
    Track* from = pending.from;
    auto same = std::find_if(from->references.begin(), from->references.end(),
                             [&](const TrackReference& r) { return r.type == resolved.type; });
    if (same == from->references.end())
      from->references.push_back(std::move(resolved));
    else
      same->tracks.insert(same->tracks.end(), resolved.tracks.begin(), resolved.tracks.end());
  }
  ctx->references.clear();
}

OSErr ParseMovieChildren(ByteReader moov, ReadContext* ctx, Movie* movie, bool inflated);

// A compressed movie holds one plain movie atom; a compressed one inside it is refused.
OSErr ParseCompressed(ByteReader cmov, ReadContext* ctx, Movie* movie, bool inflated) {
  if (inflated) return badPublicMovieAtom;
  std::vector<std::uint8_t> bytes;
  if (OSErr err = InflateCompressedMovie(cmov, &bytes)) return err;
  ByteReader all(bytes.data(), bytes.size());
  AtomHeader h;
  ByteReader payload;
  if (OSErr err = ReadChildAtom(all, &h, &payload, nullptr)) return err;
  if (h.type != kMoov) return badPublicMovieAtom;
  return ParseMovieChildren(payload, ctx, movie, true);
}

OSErr ParseMovieChildren(ByteReader moov, ReadContext* ctx, Movie* movie, bool inflated) {
  // A compressed movie replaces whatever else the atom holds.
  bool compressed = false;
  ByteReader cmov;
  OSErr err = ForEachChildAtom(moov, ctx->depth + 1, [&](const AtomHeader& h, ByteReader payload,
                                                         ByteReader) -> OSErr {
    if (h.type == kCmov && !compressed) {
      compressed = true;
      cmov = payload;
    }
    return noErr;
  });
  if (err) return err;
  if (compressed) return ParseCompressed(cmov, ctx, movie, inflated);

  bool haveMvhd = false, haveUdta = false, haveMvex = false;
  err = ForEachChildAtom(moov, ctx->depth + 1, [&](const AtomHeader& h, ByteReader payload,
                                                   ByteReader) -> OSErr {
    switch (h.type) {
      case kMvhd:
        if (haveMvhd) return noErr;
        haveMvhd = true;
        return ParseMovieHeader(payload, movie);
      case kTrak:
        return ParseTrack(payload, ctx, movie);
      case kUdta:
        if (haveUdta) return noErr;
        haveUdta = true;
        return ParseUserData(payload, &movie->userData);
      case kMeta:
        AddUserDataItem(kMeta, payload, &movie->userData);
        return noErr;
      case kMvex:
        if (haveMvex) return noErr;
        haveMvex = true;
        return ParseMovieExtends(payload, ctx->depth + 2, ctx);
      default:
        return noErr;
    }
  });
  if (err) return err;
  if (!haveMvhd) return invalidMovie;
  ResolveTrackReferences(ctx, movie);
  return noErr;
}

}  // namespace

OSErr ParseMovieAtom(ByteReader moov, ReadContext* ctx, Movie* movie) {
  return ParseMovieChildren(moov, ctx, movie, false);
}

}  // namespace tvx
