#include "fragment_parser.h"

#include <algorithm>

#include "../io/atom_header.h"

namespace tvx {

namespace {

constexpr OSType kTraf = FOUR_CHAR_CODE("traf");
constexpr OSType kTfhd = FOUR_CHAR_CODE("tfhd");
constexpr OSType kTrun = FOUR_CHAR_CODE("trun");

// tfhd flags
constexpr std::uint32_t kBaseDataOffset = 0x1;
constexpr std::uint32_t kDescriptionIndex = 0x2;
constexpr std::uint32_t kDefaultDuration = 0x8;
constexpr std::uint32_t kDefaultSize = 0x10;
constexpr std::uint32_t kDefaultFlags = 0x20;
constexpr std::uint32_t kBaseIsMoof = 0x20000;
// trun flags
constexpr std::uint32_t kDataOffset = 0x1;
constexpr std::uint32_t kFirstSampleFlags = 0x4;
constexpr std::uint32_t kSampleDuration = 0x100;
constexpr std::uint32_t kSampleSize = 0x200;
constexpr std::uint32_t kSampleFlags = 0x400;
constexpr std::uint32_t kSampleCompositionOffset = 0x800;
// sample flags: sample_is_non_sync_sample
constexpr std::uint32_t kNonSync = 0x10000;

constexpr std::uint64_t kMaxMediaDuration = std::uint64_t(1) << 62;

struct FragmentDefaults {
  Track* track = nullptr;
  std::uint64_t base = 0;
  std::uint32_t descIndex = 1, duration = 0, size = 0, flags = 0;
};

OSErr ParseFragmentHeader(ByteReader r, std::uint64_t moofOffset, std::uint64_t previousEnd,
                          const ReadContext& ctx, Movie* movie, FragmentDefaults* d) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0, trackId = 0;
  if (!ReadVersionAndFlags(r, &version, &flags) || !r.Read(trackId)) return badPublicMovieAtom;
  for (const auto& t : movie->tracks)
    if (t->id == trackId) d->track = t.get();
  for (const TrackExtends& e : ctx.trackExtends) {
    if (e.trackId != trackId) continue;
    d->descIndex = e.descIndex;
    d->duration = e.duration;
    d->size = e.size;
    d->flags = e.flags;
  }
  // Without an explicit base, the first fragment's data is counted from the 'moof' and each
  // later one's from the end of the previous one's data.
  d->base = (flags & kBaseIsMoof) ? moofOffset : previousEnd;
  if ((flags & kBaseDataOffset) && !r.Read(d->base)) return badPublicMovieAtom;
  if ((flags & kDescriptionIndex) && !r.Read(d->descIndex)) return badPublicMovieAtom;
  if ((flags & kDefaultDuration) && !r.Read(d->duration)) return badPublicMovieAtom;
  if ((flags & kDefaultSize) && !r.Read(d->size)) return badPublicMovieAtom;
  if ((flags & kDefaultFlags) && !r.Read(d->flags)) return badPublicMovieAtom;
  return noErr;
}

OSErr ParseTrackRun(ByteReader r, const FragmentDefaults& d, std::uint64_t fileSize,
                    std::uint64_t* dataPosition, ReadContext* ctx) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0, count = 0, firstFlags = 0;
  std::int32_t dataOffset = 0;
  if (!ReadVersionAndFlags(r, &version, &flags) || !r.Read(count)) return badPublicMovieAtom;
  if ((flags & kDataOffset) && !r.Read(dataOffset)) return badPublicMovieAtom;
  if ((flags & kFirstSampleFlags) && !r.Read(firstFlags)) return badPublicMovieAtom;
  const std::size_t entrySize = 4 * (((flags & kSampleDuration) != 0) + ((flags & kSampleSize) != 0) +
                                     ((flags & kSampleFlags) != 0) +
                                     ((flags & kSampleCompositionOffset) != 0));
  if (entrySize != 0 && count > r.Remaining() / entrySize) return badPublicMovieAtom;
  // Runs of default-sized samples take no table bytes: their data must fit in the file.
  if (entrySize == 0 && std::uint64_t(count) * std::max<std::uint32_t>(d.size, 1) > fileSize)
    return badPublicMovieAtom;

  Media& media = d.track->media;
  SampleTable& t = media.samples;
  if (d.descIndex == 0 || d.descIndex > media.descriptions.size()) return invalidSampleTable;
  if (count > UINT32_MAX - t.sampleCount) return invalidSampleTable;
  std::uint64_t position = (flags & kDataOffset) ? d.base + std::uint64_t(std::int64_t(dataOffset))
                                                 : *dataPosition;
  // The table's own total is only updated by Finalize(), so fragments keep a running one.
  auto total = std::find_if(ctx->fragmentDurations.begin(), ctx->fragmentDurations.end(),
                            [&](const auto& e) { return e.first == d.track; });
  if (total == ctx->fragmentDurations.end()) {
    ctx->fragmentDurations.emplace_back(d.track, std::uint64_t(t.Duration()));
    total = ctx->fragmentDurations.end() - 1;
  }
  std::uint64_t& duration = total->second;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t sampleDuration = d.duration, size = d.size, sampleFlags = d.flags;
    std::int32_t compositionOffset = 0;
    if (i == 0 && (flags & kFirstSampleFlags)) sampleFlags = firstFlags;
    if ((flags & kSampleDuration) && !r.Read(sampleDuration)) return badPublicMovieAtom;
    if ((flags & kSampleSize) && !r.Read(size)) return badPublicMovieAtom;
    if ((flags & kSampleFlags) && !r.Read(sampleFlags)) return badPublicMovieAtom;
    if ((flags & kSampleCompositionOffset) && !r.Read(compositionOffset)) return badPublicMovieAtom;
    duration += sampleDuration;
    if (duration > kMaxMediaDuration) return invalidSampleTable;
    t.AppendSample(position, size, sampleDuration, compositionOffset, !(sampleFlags & kNonSync),
                   d.descIndex, i == 0);
    position += size;
  }
  *dataPosition = position;
  return noErr;
}

}  // namespace

OSErr ParseMovieFragment(ByteReader moof, std::uint64_t moofOffset, std::uint64_t fileSize,
                         ReadContext* ctx, Movie* movie) {
  std::uint64_t previousEnd = moofOffset;
  return ForEachChildAtom(moof, 1, [&](const AtomHeader& h, ByteReader traf, ByteReader) {
    if (h.type != kTraf) return OSErr(noErr);
    FragmentDefaults d;
    bool haveHeader = false;
    std::uint64_t dataPosition = 0;
    return ForEachChildAtom(traf, 2, [&](const AtomHeader& c, ByteReader payload, ByteReader) {
      if (c.type == kTfhd && !haveHeader) {
        haveHeader = true;
        if (OSErr err = ParseFragmentHeader(payload, moofOffset, previousEnd, *ctx, movie, &d))
          return err;
        dataPosition = d.base;
        return OSErr(noErr);
      }
      if (c.type != kTrun || !d.track) return OSErr(noErr);
      OSErr err = ParseTrackRun(payload, d, fileSize, &dataPosition, ctx);
      previousEnd = dataPosition;
      return err;
    });
  });
}

}  // namespace tvx
