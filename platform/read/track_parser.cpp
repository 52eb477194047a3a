#include "track_parser.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "../io/atom_header.h"
#include "data_ref_parser.h"
#include "sample_table_parser.h"
#include "user_data_parser.h"

namespace tvx {

namespace {

constexpr OSType kTkhd = FOUR_CHAR_CODE("tkhd");
constexpr OSType kEdts = FOUR_CHAR_CODE("edts");
constexpr OSType kElst = FOUR_CHAR_CODE("elst");
constexpr OSType kTref = FOUR_CHAR_CODE("tref");
constexpr OSType kUdta = FOUR_CHAR_CODE("udta");
constexpr OSType kMdia = FOUR_CHAR_CODE("mdia");
constexpr OSType kMdhd = FOUR_CHAR_CODE("mdhd");
constexpr OSType kHdlr = FOUR_CHAR_CODE("hdlr");
constexpr OSType kMinf = FOUR_CHAR_CODE("minf");
constexpr OSType kDinf = FOUR_CHAR_CODE("dinf");
constexpr OSType kDref = FOUR_CHAR_CODE("dref");
constexpr OSType kStbl = FOUR_CHAR_CODE("stbl");

bool IsMediaInfoHeader(OSType type) {
  return type == FOUR_CHAR_CODE("vmhd") || type == FOUR_CHAR_CODE("smhd") ||
         type == FOUR_CHAR_CODE("gmhd") || type == FOUR_CHAR_CODE("nmhd") ||
         type == FOUR_CHAR_CODE("sthd") || type == FOUR_CHAR_CODE("hmhd");
}

bool ReadMatrix(ByteReader& r, MatrixRecord* m) {
  for (auto& row : m->matrix)
    if (!r.Read(row[0], row[1], row[2])) return false;
  return true;
}

// 'tkhd' (ISO/IEC 14496-12 8.3.2); the duration is derived from the edits instead.
OSErr ParseTrackHeader(ByteReader r, Track* t) {
  std::uint8_t version = 0;
  std::uint64_t duration = 0;
  std::uint32_t reserved32 = 0;
  std::uint16_t reserved16 = 0;
  std::uint64_t reserved64 = 0;
  if (!ReadVersionAndFlags(r, &version, &t->flags) ||
      !r.ReadVersioned(version, t->creationTime) ||
      !r.ReadVersioned(version, t->modificationTime) || !r.Read(t->id, reserved32) ||
      !r.ReadVersioned(version, duration) ||
      !r.Read(reserved64, t->layer, t->alternateGroup, t->volume, reserved16) ||
      !ReadMatrix(r, &t->matrix) || !r.Read(t->width, t->height))
    return badPublicMovieAtom;
  return noErr;
}

// 'elst' (8.6.6). A negative media time other than -1 is read as an empty edit, and a rate that
// is not positive as 1: the model keeps rates positive, and players ignore such rates.
OSErr ParseEditList(ByteReader r, Track* t) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0, count = 0;
  if (!ReadVersionAndFlags(r, &version, &flags) || !r.Read(count)) return badPublicMovieAtom;
  if (count > r.Remaining() / (version == 1 ? 20 : 12)) return badPublicMovieAtom;
  t->edits.clear();
  t->edits.reserve(count);
  std::int64_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint64_t duration = 0;
    std::int64_t mediaTime = 0;
    Fixed rate = 0;
    if (version == 1) {
      if (!r.Read(duration, mediaTime, rate)) return badPublicMovieAtom;
    } else {
      std::uint32_t d = 0;
      std::int32_t m = 0;
      if (!r.Read(d, m, rate)) return badPublicMovieAtom;
      duration = d;
      mediaTime = m;
    }
    const auto max = std::uint64_t(std::numeric_limits<std::int64_t>::max());
    if (duration > max - std::uint64_t(total)) return badPublicMovieAtom;
    total += std::int64_t(duration);
    Edit e;
    e.duration = std::int64_t(duration);
    e.mediaTime = mediaTime < 0 ? -1 : mediaTime;
    e.rate = rate > 0 ? rate : fixed1;
    t->edits.push_back(e);
  }
  return noErr;
}

OSErr ParseTrackReferences(ByteReader tref, int depth, Track* t, ReadContext* ctx) {
  return ForEachChildAtom(tref, depth, [&](const AtomHeader& h, ByteReader payload,
                                           ByteReader) -> OSErr {
    PendingReference ref;
    ref.from = t;
    ref.type = h.type;
    ref.ids.reserve(payload.Remaining() / 4);
    std::uint32_t id = 0;
    while (payload.Read(id)) ref.ids.push_back(id);
    ctx->references.push_back(std::move(ref));
    return noErr;
  });
}

// 'mdhd' (8.4.2). A time scale that is not positive is read as 1, as players do.
OSErr ParseMediaHeader(ByteReader r, Media* m) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0, timeScale = 0;
  std::uint64_t duration = 0;
  if (!ReadVersionAndFlags(r, &version, &flags) || !r.ReadVersioned(version, m->creationTime) ||
      !r.ReadVersioned(version, m->modificationTime) || !r.Read(timeScale) ||
      !r.ReadVersioned(version, duration) || !r.Read(m->language, m->quality))
    return badPublicMovieAtom;
  m->timeScale = TimeScale(timeScale) > 0 ? TimeScale(timeScale) : 1;
  return noErr;
}

// 'hdlr' (8.4.3; QuickTime File Format "Handler reference atom"). QuickTime names are Pascal
// strings, ISO names C strings: a length byte that matches the bytes left tells a Pascal string.
OSErr ParseHandler(ByteReader r, bool quickTimeFile, Media* m) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0, componentType = 0, manufacturer = 0, componentFlags = 0, mask = 0;
  if (!ReadVersionAndFlags(r, &version, &flags) ||
      !r.Read(componentType, m->handlerType, manufacturer, componentFlags, mask))
    return badPublicMovieAtom;
  const std::uint8_t* name = r.Current();
  const std::size_t size = r.Remaining();
  if (size == 0) {
    m->handlerName.clear();
    m->handlerNamePascal = quickTimeFile;
    return noErr;
  }
  const std::size_t length = name[0];
  if (length + 1 == size || (quickTimeFile && length + 1 <= size)) {
    m->handlerName.assign(reinterpret_cast<const char*>(name + 1), length);
    m->handlerNamePascal = true;
  } else {
    const void* nul = std::memchr(name, 0, size);
    const std::size_t end = nul ? std::size_t(static_cast<const std::uint8_t*>(nul) - name) : size;
    m->handlerName.assign(reinterpret_cast<const char*>(name), end);
    m->handlerNamePascal = false;
  }
  return noErr;
}

OSErr ParseMediaInfo(ByteReader minf, int depth, Media* m) {
  bool haveHeader = false, haveDinf = false, haveStbl = false;
  return ForEachChildAtom(minf, depth, [&](const AtomHeader& h, ByteReader payload,
                                           ByteReader whole) -> OSErr {
    if (IsMediaInfoHeader(h.type) && !haveHeader) {
      haveHeader = true;
      m->mediaInfoHeader.assign(whole.Data(), whole.Data() + whole.Size());
    } else if (h.type == kDinf && !haveDinf) {
      haveDinf = true;
      bool haveDref = false;
      return ForEachChildAtom(payload, depth + 1, [&](const AtomHeader& c, ByteReader dref,
                                                      ByteReader) -> OSErr {
        if (c.type != kDref || haveDref) return noErr;
        haveDref = true;
        return ParseDataRefs(dref, m);
      });
    } else if (h.type == kStbl && !haveStbl) {
      haveStbl = true;
      return ParseSampleTable(payload, depth + 1, m);
    }
    return noErr;
  });
}

OSErr ParseMedia(ByteReader mdia, const ReadContext& ctx, int depth, Media* m, bool* hasHeader) {
  bool haveHdlr = false, haveMinf = false;
  return ForEachChildAtom(mdia, depth, [&](const AtomHeader& h, ByteReader payload,
                                           ByteReader) -> OSErr {
    if (h.type == kMdhd && !*hasHeader) {
      *hasHeader = true;
      return ParseMediaHeader(payload, m);
    }
    if (h.type == kHdlr && !haveHdlr) {
      // Some writers put the data handler's 'hdlr' here too: the media handler is the other.
      ByteReader peek = payload;
      std::uint32_t versionAndFlags = 0, componentType = 0;
      if (peek.Read(versionAndFlags, componentType) && componentType == FOUR_CHAR_CODE("dhlr"))
        return noErr;
      haveHdlr = true;
      return ParseHandler(payload, ctx.quickTimeFile, m);
    }
    if (h.type == kMinf && !haveMinf) {
      haveMinf = true;
      return ParseMediaInfo(payload, depth + 1, m);
    }
    return noErr;
  });
}

}  // namespace

OSErr ParseTrack(ByteReader trak, ReadContext* ctx, Movie* movie) {
  auto track = std::make_unique<Track>();
  Track* t = track.get();
  t->movie = movie;
  t->media.track = t;
  t->matrix = IdentityMatrix();
  bool haveTkhd = false, haveEdts = false, haveElst = false, haveMdia = false, haveMdhd = false;
  bool haveTref = false, haveUdta = false;
  const std::size_t firstReference = ctx->references.size();
  const int depth = ctx->depth + 1;
  OSErr err = ForEachChildAtom(trak, depth, [&](const AtomHeader& h, ByteReader payload,
                                                ByteReader whole) -> OSErr {
    switch (h.type) {
      case kTkhd:
        if (haveTkhd) return noErr;
        haveTkhd = true;
        return ParseTrackHeader(payload, t);
      case kEdts:
        if (haveEdts) return noErr;
        haveEdts = true;
        return ForEachChildAtom(payload, depth + 1, [&](const AtomHeader& c, ByteReader elst,
                                                        ByteReader) -> OSErr {
          if (c.type != kElst || haveElst) return noErr;
          haveElst = true;
          return ParseEditList(elst, t);
        });
      case kTref:
        if (haveTref) return noErr;
        haveTref = true;
        return ParseTrackReferences(payload, depth + 1, t, ctx);
      case kUdta:
        if (haveUdta) return noErr;
        haveUdta = true;
        return ParseUserData(payload, &t->userData);
      case kMdia:
        if (haveMdia) return noErr;
        haveMdia = true;
        return ParseMedia(payload, *ctx, depth + 1, &t->media, &haveMdhd);
      default:
        // Atoms the engine does not interpret ('tapt', 'load', 'clip', ...) go back unchanged.
        t->extraAtoms.emplace_back(whole.Data(), whole.Data() + whole.Size());
        return noErr;
    }
  });
  if (err || !haveTkhd || !haveMdhd) {
    ctx->references.resize(firstReference);
    return err;
  }
  if (!haveElst) ctx->withoutEditList.push_back(t);
  movie->tracks.push_back(std::move(track));
  return noErr;
}

void AddImplicitEdit(Track* track, TimeScale movieTimeScale, std::int64_t startMediaTime) {
  track->edits.clear();
  const Media& media = track->media;
  if (media.samples.sampleCount == 0 || startMediaTime < 0 || startMediaTime >= media.Duration())
    return;
  // Media duration in movie time, rounded to nearest; both scales are positive.
  const unsigned __int128 scaled =
      (unsigned __int128)std::uint64_t(media.Duration() - startMediaTime) *
      std::uint32_t(movieTimeScale);
  const unsigned __int128 rounded = (scaled + std::uint32_t(media.timeScale) / 2) /
                                    std::uint32_t(media.timeScale);
  Edit e;
  e.mediaTime = startMediaTime;
  e.rate = fixed1;
  e.duration = std::int64_t(std::min<unsigned __int128>(
      rounded, std::uint64_t(std::numeric_limits<std::int64_t>::max())));
  track->edits.push_back(e);
}

}  // namespace tvx
