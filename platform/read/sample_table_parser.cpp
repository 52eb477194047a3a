#include "sample_table_parser.h"

#include <algorithm>

#include "../io/atom_header.h"
#include "../io/huge_pages.h"

namespace tvx {

namespace {

constexpr OSType kStsd = FOUR_CHAR_CODE("stsd");
constexpr OSType kStts = FOUR_CHAR_CODE("stts");
constexpr OSType kCtts = FOUR_CHAR_CODE("ctts");
constexpr OSType kStss = FOUR_CHAR_CODE("stss");
constexpr OSType kStsc = FOUR_CHAR_CODE("stsc");
constexpr OSType kStsz = FOUR_CHAR_CODE("stsz");
constexpr OSType kStz2 = FOUR_CHAR_CODE("stz2");
constexpr OSType kStco = FOUR_CHAR_CODE("stco");
constexpr OSType kCo64 = FOUR_CHAR_CODE("co64");

// A media longer than this (in its own time units) cannot be edited without overflow.
constexpr std::uint64_t kMaxMediaDuration = std::uint64_t(1) << 62;

struct StscEntry {
  std::uint32_t firstChunk;
  std::uint32_t samplesPerChunk;
  std::uint32_t descIndex;
};

// The atoms of one 'stbl', first of each kind.
struct TableAtoms {
  bool hasStsd = false, hasStts = false, hasCtts = false, hasStss = false, hasStsc = false;
  bool hasSizes = false, hasOffsets = false;
  ByteReader stsd, stts, ctts, stss, stsc, sizes, offsets;
  OSType sizesType = 0, offsetsType = 0;
};

void Keep(bool& has, ByteReader& slot, ByteReader payload) {
  if (has) return;  // players use the first table of each kind
  has = true;
  slot = payload;
}

// Reads the full-atom header and an entry count no larger than the bytes left can hold.
OSErr ReadCount(ByteReader& r, std::size_t entrySize, std::uint32_t* count,
                std::uint8_t* version = nullptr) {
  std::uint8_t v = 0;
  std::uint32_t flags = 0;
  if (!ReadVersionAndFlags(r, &v, &flags) || !r.Read(*count)) return badPublicMovieAtom;
  if (*count > r.Remaining() / entrySize) return badPublicMovieAtom;
  if (version) *version = v;
  return noErr;
}

// 'stsd' (ISO/IEC 14496-12 8.5.2): each entry kept whole.
OSErr ReadDescriptions(ByteReader r, Media* media) {
  std::uint32_t count = 0;
  if (OSErr err = ReadCount(r, 16, &count)) return err;
  media->descriptions.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    AtomHeader h;
    ByteReader whole;
    if (OSErr err = ReadChildAtom(r, &h, nullptr, &whole)) return err;
    // The model addresses the format and data reference index at fixed offsets.
    if (h.headerSize != 8 || h.size < 16) return badPublicMovieAtom;
    SampleDescription d;
    d.bytes.assign(whole.Data(), whole.Data() + whole.Size());
    const std::uint32_t size = std::uint32_t(whole.Size());  // a size of 0 meant "to the end"
    d.bytes[0] = std::uint8_t(size >> 24);
    d.bytes[1] = std::uint8_t(size >> 16);
    d.bytes[2] = std::uint8_t(size >> 8);
    d.bytes[3] = std::uint8_t(size);
    media->descriptions.push_back(std::move(d));
  }
  return noErr;
}

// 'stts' (8.6.1.2): runs of equal durations; returns the number of samples it covers.
OSErr ReadDurations(ByteReader r, SampleTable* t, std::uint64_t* total) {
  std::uint32_t count = 0;
  if (OSErr err = ReadCount(r, 8, &count)) return err;
  t->durations.reserve(count);
  *total = 0;
  const std::uint8_t* p = r.Current();  // count was checked against the bytes left
  for (std::uint32_t i = 0; i < count; ++i, p += 8) {
    DurationRun run{LoadBigEndian32(p), LoadBigEndian32(p + 4)};
    if (run.count == 0) continue;
    *total += run.count;
    if (!t->durations.empty() && t->durations.back().duration == run.duration &&
        t->durations.back().count <= UINT32_MAX - run.count)
      t->durations.back().count += run.count;
    else
      t->durations.push_back(run);
  }
  return noErr;
}

// 'ctts' (8.6.1.3): version 0 offsets are unsigned in the standard, but writers store negative
// ones there too, so both versions are read as signed, as players do.
OSErr ReadCompositionOffsets(ByteReader r, SampleTable* t) {
  std::uint32_t count = 0;
  if (OSErr err = ReadCount(r, 8, &count)) return err;
  ReserveLarge(t->compositionOffsets, count);
  const std::uint8_t* p = r.Current();  // count was checked against the bytes left
  for (std::uint32_t i = 0; i < count; ++i, p += 8) {
    OffsetRun run{LoadBigEndian32(p), std::int32_t(LoadBigEndian32(p + 4))};
    if (run.count == 0) continue;
    if (!t->compositionOffsets.empty() && t->compositionOffsets.back().offset == run.offset &&
        t->compositionOffsets.back().count <= UINT32_MAX - run.count)
      t->compositionOffsets.back().count += run.count;
    else
      t->compositionOffsets.push_back(run);
  }
  return noErr;
}

// 'stss' (8.6.2): 1-based sample numbers.
OSErr ReadSyncSamples(ByteReader r, SampleTable* t) {
  std::uint32_t count = 0;
  if (OSErr err = ReadCount(r, 4, &count)) return err;
  t->allSync = false;
  t->syncSamples.reserve(count);
  bool ordered = true;
  const std::uint8_t* p = r.Current();  // count was checked against the bytes left
  for (std::uint32_t i = 0; i < count; ++i, p += 4) {
    const std::uint32_t n = LoadBigEndian32(p);
    if (n == 0) continue;
    if (!t->syncSamples.empty() && n - 1 <= t->syncSamples.back()) ordered = false;
    t->syncSamples.push_back(n - 1);
  }
  if (!ordered) {  // players accept unordered lists; lookups need them sorted
    std::sort(t->syncSamples.begin(), t->syncSamples.end());
    t->syncSamples.erase(std::unique(t->syncSamples.begin(), t->syncSamples.end()),
                         t->syncSamples.end());
  }
  return noErr;
}

// 'stsz' (8.7.3.2) and 'stz2' (8.7.3.3); returns the sample count they declare.
OSErr ReadSizes(ByteReader r, OSType type, SampleTable* t, std::uint32_t* count) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0;
  if (!ReadVersionAndFlags(r, &version, &flags)) return badPublicMovieAtom;
  if (type == kStsz) {
    std::uint32_t constant = 0;
    if (!r.Read(constant, *count)) return badPublicMovieAtom;
    if (constant != 0) {
      t->constantSize = constant;
      return noErr;
    }
    if (*count > r.Remaining() / 4) return badPublicMovieAtom;
    ReserveLarge(t->sizes, *count);
    t->sizes.resize(*count);
    const std::uint8_t* p = r.Current();
    for (std::uint32_t i = 0; i < *count; ++i) t->sizes[i] = LoadBigEndian32(p + 4 * std::size_t(i));
    return noErr;
  }
  std::uint8_t reserved[3], fieldSize = 0;
  if (!r.Read(reserved[0], reserved[1], reserved[2], fieldSize, *count)) return badPublicMovieAtom;
  if (fieldSize != 4 && fieldSize != 8 && fieldSize != 16) return badPublicMovieAtom;
  if ((std::uint64_t(*count) * fieldSize + 7) / 8 > r.Remaining()) return badPublicMovieAtom;
  t->sizes.resize(*count);
  const std::uint8_t* p = r.Current();
  for (std::uint32_t i = 0; i < *count; ++i) {
    if (fieldSize == 4)
      t->sizes[i] = (i % 2 == 0) ? (p[i / 2] >> 4) : (p[i / 2] & 0x0F);
    else if (fieldSize == 8)
      t->sizes[i] = p[i];
    else
      t->sizes[i] = std::uint32_t((p[2 * i] << 8) | p[2 * i + 1]);
  }
  return noErr;
}

// 'stco' and 'co64' (8.7.5), read in place: a million chunks need no copy of their offsets.
struct ChunkOffsets {
  const std::uint8_t* table = nullptr;
  std::uint32_t count = 0;
  std::size_t width = 4;
  std::uint64_t At(std::uint32_t index) const {  // 0-based, index < count
    if (width == 4) return LoadBigEndian32(table + 4 * std::size_t(index));
    const std::uint8_t* p = table + 8 * std::size_t(index);
    return std::uint64_t(LoadBigEndian32(p)) << 32 | LoadBigEndian32(p + 4);
  }
};

OSErr ReadChunkOffsets(ByteReader r, OSType type, ChunkOffsets* offsets) {
  offsets->width = type == kCo64 ? 8 : 4;
  if (OSErr err = ReadCount(r, offsets->width, &offsets->count)) return err;
  offsets->table = r.Current();
  return noErr;
}

// 'stsc' (8.7.4).
OSErr ReadChunkRuns(ByteReader r, std::uint32_t descriptionCount, std::vector<StscEntry>* runs) {
  std::uint32_t count = 0;
  if (OSErr err = ReadCount(r, 12, &count)) return err;
  runs->reserve(count);
  const std::uint8_t* p = r.Current();  // count was checked against the bytes left
  for (std::uint32_t i = 0; i < count; ++i, p += 12) {
    const StscEntry e{LoadBigEndian32(p), LoadBigEndian32(p + 4), LoadBigEndian32(p + 8)};
    if (e.firstChunk == 0 || (i == 0 && e.firstChunk != 1)) return invalidSampleTable;
    if (!runs->empty() && e.firstChunk <= runs->back().firstChunk) return invalidSampleTable;
    if (e.descIndex == 0 || e.descIndex > descriptionCount) return invalidSampleTable;
    runs->push_back(e);
  }
  return noErr;
}

// Expands stsc over the chunk offsets into chunk records, up to `limit` samples. Empty chunks
// are dropped; entries that start past the last chunk are ignored, as players do.
std::uint64_t ExpandChunks(const std::vector<StscEntry>& runs, const ChunkOffsets& offsets,
                           std::uint64_t limit, std::vector<Chunk>* chunks) {
  ReserveLarge(*chunks, offsets.count);
  std::uint64_t next = 0;
  for (std::size_t k = 0; k < runs.size() && next < limit; ++k) {
    const std::uint64_t first = runs[k].firstChunk;
    std::uint64_t last = k + 1 < runs.size() ? runs[k + 1].firstChunk - 1 : offsets.count;
    last = std::min<std::uint64_t>(last, offsets.count);
    if (runs[k].samplesPerChunk == 0) continue;
    for (std::uint64_t c = first; c <= last && next < limit; ++c) {
      chunks->push_back({offsets.At(std::uint32_t(c - 1)), std::uint32_t(next), runs[k].descIndex});
      next += runs[k].samplesPerChunk;
    }
  }
  return std::min(next, limit);
}

// Cuts the run-length tables down to `count` samples; composition offsets that stop short are
// continued with zero.
void TrimToCount(SampleTable* t, std::uint32_t count) {
  auto trimRuns = [count](auto& runs) {
    std::uint64_t seen = 0;
    std::size_t keep = 0;
    for (; keep < runs.size() && seen < count; ++keep) {
      if (seen + runs[keep].count > count) runs[keep].count = std::uint32_t(count - seen);
      seen += runs[keep].count;
    }
    runs.resize(keep);
    return seen;
  };
  trimRuns(t->durations);
  if (!t->compositionOffsets.empty()) {
    std::uint64_t covered = trimRuns(t->compositionOffsets);
    if (covered < count) t->compositionOffsets.push_back({std::uint32_t(count - covered), 0});
  }
  if (t->constantSize == 0) t->sizes.resize(count);
  if (!t->allSync) {
    auto end = std::lower_bound(t->syncSamples.begin(), t->syncSamples.end(), count);
    t->syncSamples.erase(end, t->syncSamples.end());
  }
  t->sampleCount = count;
}

}  // namespace

OSErr ParseSampleTable(ByteReader stbl, int depth, Media* media) {
  TableAtoms a;
  OSErr err = ForEachChildAtom(stbl, depth, [&](const AtomHeader& h, ByteReader payload,
                                                ByteReader) -> OSErr {
    switch (h.type) {
      case kStsd: Keep(a.hasStsd, a.stsd, payload); break;
      case kStts: Keep(a.hasStts, a.stts, payload); break;
      case kCtts: Keep(a.hasCtts, a.ctts, payload); break;
      case kStss: Keep(a.hasStss, a.stss, payload); break;
      case kStsc: Keep(a.hasStsc, a.stsc, payload); break;
      case kStsz:
      case kStz2:
        if (!a.hasSizes) a.sizesType = h.type;
        Keep(a.hasSizes, a.sizes, payload);
        break;
      case kStco:
      case kCo64:
        if (!a.hasOffsets) a.offsetsType = h.type;
        Keep(a.hasOffsets, a.offsets, payload);
        break;
      default: break;
    }
    return noErr;
  });
  if (err) return err;

  SampleTable& t = media->samples;
  t = SampleTable();
  media->descriptions.clear();
  if (a.hasStsd && (err = ReadDescriptions(a.stsd, media))) return err;

  std::uint64_t timedSamples = 0;
  std::uint32_t sizedSamples = 0;
  ChunkOffsets offsets;
  std::vector<StscEntry> runs;
  if (a.hasStts && (err = ReadDurations(a.stts, &t, &timedSamples))) return err;
  if (a.hasSizes && (err = ReadSizes(a.sizes, a.sizesType, &t, &sizedSamples))) return err;
  if (a.hasCtts && (err = ReadCompositionOffsets(a.ctts, &t))) return err;
  if (a.hasStss && (err = ReadSyncSamples(a.stss, &t))) return err;
  if (a.hasOffsets && (err = ReadChunkOffsets(a.offsets, a.offsetsType, &offsets))) return err;
  if (a.hasStsc &&
      (err = ReadChunkRuns(a.stsc, std::uint32_t(media->descriptions.size()), &runs)))
    return err;

  // Players are lenient when the tables disagree on the number of samples: use the smaller.
  std::uint64_t limit = std::min<std::uint64_t>(timedSamples, sizedSamples);
  if (limit > 0 && (offsets.count == 0 || runs.empty())) return invalidSampleTable;
  const std::uint64_t count = ExpandChunks(runs, offsets, limit, &t.chunks);
  TrimToCount(&t, std::uint32_t(count));

  std::uint64_t duration = 0;
  for (const DurationRun& run : t.durations) {
    duration += std::uint64_t(run.count) * run.duration;
    if (duration > kMaxMediaDuration) return invalidSampleTable;
  }
  t.Finalize();
  if (!t.IsConsistent(std::uint32_t(media->descriptions.size()))) return invalidSampleTable;
  return noErr;
}

}  // namespace tvx
