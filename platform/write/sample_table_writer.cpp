#include "sample_table_writer.h"

#include <cstdint>
#include <vector>

namespace tvx {
namespace {

void WriteDescriptions(ByteWriter& w, const Media& media, const WrittenDataRefs& refs) {
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stsd"));
  w.VersionFlags(0, 0);
  w.U32(std::uint32_t(media.descriptions.size()));
  for (const SampleDescription& d : media.descriptions) {
    std::size_t start = w.size();
    w.Bytes(d.bytes);
    if (d.bytes.size() < 16) {
      w.Zeros(16 - d.bytes.size());
    }
    // The entry's size always matches its bytes, whatever the source said.
    w.PatchU32(start, std::uint32_t(w.size() - start));
    w.PatchU16(start + 14, refs.Map(d.DataRefIndex()));
  }
  w.EndBox(box);
}

// Runs as written: empty ones dropped, neighbours of the same value merged (edits can leave them
// apart in the model). Counted first, so that the entries are stored in one pass.
template <typename Run, typename Value>
std::uint32_t MergedRunCount(const std::vector<Run>& runs, Value value) {
  std::uint32_t entries = 0;
  const Run* last = nullptr;
  for (const Run& r : runs) {
    if (r.count == 0) continue;
    if (last == nullptr || value(r) != value(*last)) ++entries;
    last = &r;
  }
  return entries;
}

// Stores the runs counted by MergedRunCount as (count, value) pairs.
template <typename Run, typename Value>
void StoreMergedRuns(std::uint8_t* p, const std::vector<Run>& runs, Value value) {
  std::uint8_t* entry = nullptr;
  std::uint32_t count = 0;
  const Run* last = nullptr;
  for (const Run& r : runs) {
    if (r.count == 0) continue;
    if (last != nullptr && value(r) == value(*last)) {
      count += r.count;  // sample counts are 32-bit, so their sum is too
    } else {
      if (entry != nullptr) StoreBigEndian32(entry, count);
      entry = entry == nullptr ? p : entry + 8;
      count = r.count;
      StoreBigEndian32(entry + 4, std::uint32_t(value(r)));
    }
    last = &r;
  }
  if (entry != nullptr) StoreBigEndian32(entry, count);
}

void WriteTimes(ByteWriter& w, const SampleTable& t) {
  auto duration = [](const DurationRun& r) { return r.duration; };
  const std::uint32_t entries = MergedRunCount(t.durations, duration);
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stts"));
  w.VersionFlags(0, 0);
  w.U32(entries);
  StoreMergedRuns(w.Extend(8 * std::size_t(entries)), t.durations, duration);
  w.EndBox(box);
}

void WriteCompositionOffsets(ByteWriter& w, const SampleTable& t) {
  bool any = false;
  bool negative = false;
  for (const OffsetRun& r : t.compositionOffsets) {
    if (r.count == 0) continue;
    any = any || r.offset != 0;
    negative = negative || r.offset < 0;
  }
  if (!any) return;
  auto offset = [](const OffsetRun& r) { return r.offset; };
  const std::uint32_t entries = MergedRunCount(t.compositionOffsets, offset);
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("ctts"));
  w.VersionFlags(negative ? 1 : 0, 0);
  w.U32(entries);
  StoreMergedRuns(w.Extend(8 * std::size_t(entries)), t.compositionOffsets, offset);
  w.EndBox(box);
}

void WriteSyncSamples(ByteWriter& w, const SampleTable& t) {
  if (t.allSync || t.syncSamples.size() == t.sampleCount) return;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stss"));
  w.VersionFlags(0, 0);
  w.U32(std::uint32_t(t.syncSamples.size()));
  std::uint8_t* p = w.Extend(4 * t.syncSamples.size());
  for (std::uint32_t s : t.syncSamples) {
    StoreBigEndian32(p, s + 1);
    p += 4;
  }
  w.EndBox(box);
}

// Samples in chunk i; a chunk of none has no place in stsc or stco.
inline std::uint32_t SamplesInChunk(const SampleTable& t, std::size_t i) {
  const std::uint32_t end = i + 1 < t.chunks.size() ? t.chunks[i + 1].firstSample : t.sampleCount;
  return end - t.chunks[i].firstSample;
}

// The stsc entries: chunk numbers count only chunks that hold samples. With out == nullptr,
// only counts them.
std::uint32_t ChunkRunEntries(const SampleTable& t, std::uint8_t* out) {
  std::uint32_t entries = 0;
  std::uint32_t used = 0;
  std::uint32_t lastCount = 0;
  std::uint32_t lastDesc = 0;
  for (std::size_t i = 0; i < t.chunks.size(); ++i) {
    const std::uint32_t count = SamplesInChunk(t, i);
    if (count == 0) continue;
    ++used;
    const std::uint32_t desc = t.chunks[i].descIndex;
    if (entries > 0 && count == lastCount && desc == lastDesc) continue;
    if (out != nullptr) {
      StoreBigEndian32(out, used);
      StoreBigEndian32(out + 4, count);
      StoreBigEndian32(out + 8, desc);
      out += 12;
    }
    lastCount = count;
    lastDesc = desc;
    ++entries;
  }
  return entries;
}

void WriteChunks(ByteWriter& w, const SampleTable& t) {
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stsc"));
  w.VersionFlags(0, 0);
  const std::uint32_t entries = ChunkRunEntries(t, nullptr);
  w.U32(entries);
  ChunkRunEntries(t, w.Extend(12 * std::size_t(entries)));
  w.EndBox(box);
}

void WriteSizes(ByteWriter& w, const SampleTable& t) {
  std::uint32_t constant = t.constantSize;
  if (constant == 0 && !t.sizes.empty()) {
    constant = t.sizes.front();
    for (std::uint32_t s : t.sizes) {
      if (s != constant) {
        constant = 0;
        break;
      }
    }
  }
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stsz"));
  w.VersionFlags(0, 0);
  w.U32(constant);
  w.U32(t.sampleCount);
  if (constant == 0) {
    if (t.sizes.size() == t.sampleCount) {
      w.U32Array(t.sizes.data(), t.sizes.size());
    } else {
      for (std::uint32_t i = 0; i < t.sampleCount; ++i) w.U32(t.SampleSize(i));
    }
  }
  w.EndBox(box);
}

void WriteOffsets(ByteWriter& w, const SampleTable& t) {
  const bool wide = NeedsLargeOffsets(t);
  std::uint32_t used = 0;
  for (std::size_t i = 0; i < t.chunks.size(); ++i) used += SamplesInChunk(t, i) > 0;
  std::size_t box = w.BeginBox(wide ? FOUR_CHAR_CODE("co64") : FOUR_CHAR_CODE("stco"));
  w.VersionFlags(0, 0);
  w.U32(used);
  std::uint8_t* p = w.Extend(std::size_t(used) * (wide ? 8 : 4));
  for (std::size_t i = 0; i < t.chunks.size(); ++i) {
    if (SamplesInChunk(t, i) == 0) continue;
    if (wide) {
      StoreBigEndian64(p, t.chunks[i].offset);
      p += 8;
    } else {
      StoreBigEndian32(p, std::uint32_t(t.chunks[i].offset));
      p += 4;
    }
  }
  w.EndBox(box);
}

}  // namespace

bool NeedsLargeOffsets(const SampleTable& table) {
  for (const Chunk& c : table.chunks)
    if (c.offset > 0xFFFFFFFFull) return true;
  return false;
}

std::size_t SampleTableSizeBound(const Media& media) {
  const SampleTable& t = media.samples;
  std::size_t bytes = 1024;
  for (const SampleDescription& d : media.descriptions) bytes += d.bytes.size() + 16;
  return bytes + std::size_t(t.sampleCount) * 4 + t.chunks.size() * (12 + 8) +
         t.syncSamples.size() * 4 + (t.durations.size() + t.compositionOffsets.size()) * 8;
}

void WriteSampleTable(ByteWriter& w, const Media& media, const WrittenDataRefs& refs) {
  w.Reserve(SampleTableSizeBound(media));
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stbl"));
  WriteDescriptions(w, media, refs);
  WriteTimes(w, media.samples);
  WriteCompositionOffsets(w, media.samples);
  WriteSyncSamples(w, media.samples);
  WriteChunks(w, media.samples);
  WriteSizes(w, media.samples);
  WriteOffsets(w, media.samples);
  w.EndBox(box);
}

}  // namespace tvx
