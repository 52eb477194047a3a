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

void WriteTimes(ByteWriter& w, const SampleTable& t) {
  std::vector<DurationRun> runs;
  for (const DurationRun& r : t.durations) {
    if (r.count == 0) continue;
    if (!runs.empty() && runs.back().duration == r.duration) {
      runs.back().count += r.count;
    } else {
      runs.push_back(r);
    }
  }
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stts"));
  w.VersionFlags(0, 0);
  w.U32(std::uint32_t(runs.size()));
  for (const DurationRun& r : runs) {
    w.U32(r.count);
    w.U32(r.duration);
  }
  w.EndBox(box);
}

void WriteCompositionOffsets(ByteWriter& w, const SampleTable& t) {
  bool any = false;
  bool negative = false;
  std::vector<OffsetRun> runs;
  for (const OffsetRun& r : t.compositionOffsets) {
    if (r.count == 0) continue;
    any = any || r.offset != 0;
    negative = negative || r.offset < 0;
    if (!runs.empty() && runs.back().offset == r.offset) {
      runs.back().count += r.count;
    } else {
      runs.push_back(r);
    }
  }
  if (!any) return;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("ctts"));
  w.VersionFlags(negative ? 1 : 0, 0);
  w.U32(std::uint32_t(runs.size()));
  for (const OffsetRun& r : runs) {
    w.U32(r.count);
    w.U32(std::uint32_t(r.offset));
  }
  w.EndBox(box);
}

void WriteSyncSamples(ByteWriter& w, const SampleTable& t) {
  if (t.allSync || t.syncSamples.size() == t.sampleCount) return;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stss"));
  w.VersionFlags(0, 0);
  w.U32(std::uint32_t(t.syncSamples.size()));
  for (std::uint32_t s : t.syncSamples) w.U32(s + 1);
  w.EndBox(box);
}

// Chunks that hold samples; a chunk of none has no place in stsc.
std::vector<std::size_t> UsedChunks(const SampleTable& t) {
  std::vector<std::size_t> used;
  for (std::size_t i = 0; i < t.chunks.size(); ++i)
    if (t.ChunkSampleCount(std::uint32_t(i)) > 0) used.push_back(i);
  return used;
}

void WriteChunks(ByteWriter& w, const SampleTable& t, const std::vector<std::size_t>& used) {
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stsc"));
  w.VersionFlags(0, 0);
  std::size_t countAt = w.size();
  w.U32(0);
  std::uint32_t entries = 0;
  std::uint32_t lastCount = 0;
  std::uint32_t lastDesc = 0;
  for (std::size_t n = 0; n < used.size(); ++n) {
    std::uint32_t count = t.ChunkSampleCount(std::uint32_t(used[n]));
    std::uint32_t desc = t.chunks[used[n]].descIndex;
    if (entries > 0 && count == lastCount && desc == lastDesc) continue;
    w.U32(std::uint32_t(n + 1));
    w.U32(count);
    w.U32(desc);
    lastCount = count;
    lastDesc = desc;
    ++entries;
  }
  w.PatchU32(countAt, entries);
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

void WriteOffsets(ByteWriter& w, const SampleTable& t, const std::vector<std::size_t>& used) {
  bool wide = NeedsLargeOffsets(t);
  std::size_t box = w.BeginBox(wide ? FOUR_CHAR_CODE("co64") : FOUR_CHAR_CODE("stco"));
  w.VersionFlags(0, 0);
  w.U32(std::uint32_t(used.size()));
  for (std::size_t i : used) {
    if (wide) {
      w.U64(t.chunks[i].offset);
    } else {
      w.U32(std::uint32_t(t.chunks[i].offset));
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

void WriteSampleTable(ByteWriter& w, const Media& media, const WrittenDataRefs& refs) {
  const SampleTable& t = media.samples;
  std::vector<std::size_t> used = UsedChunks(t);
  w.Reserve(std::size_t(t.sampleCount) * 4 + used.size() * 20 + t.syncSamples.size() * 4 +
            (t.durations.size() + t.compositionOffsets.size()) * 8 + 1024);
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("stbl"));
  WriteDescriptions(w, media, refs);
  WriteTimes(w, t);
  WriteCompositionOffsets(w, t);
  WriteSyncSamples(w, t);
  WriteChunks(w, t, used);
  WriteSizes(w, t);
  WriteOffsets(w, t, used);
  w.EndBox(box);
}

}  // namespace tvx

