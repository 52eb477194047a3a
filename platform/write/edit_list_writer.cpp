#include "edit_list_writer.h"

#include <cstdint>
#include <limits>

namespace tvx {
namespace {

// Media time an edit spans: duration converted to the media time scale, times the rate.
bool MediaSpan(const Edit& e, TimeScale movieScale, TimeScale mediaScale, std::int64_t* span) {
  if (movieScale <= 0 || mediaScale <= 0) return false;
  __int128 num = __int128(e.duration) * mediaScale * e.rate;
  __int128 den = __int128(movieScale) * fixed1;
  __int128 q = (num + den / 2) / den;
  if (q > std::numeric_limits<std::int64_t>::max()) return false;
  *span = std::int64_t(q);
  return true;
}

bool Continues(const Edit& prev, const Edit& next, TimeScale movieScale, TimeScale mediaScale) {
  if (prev.mediaTime < 0 || next.mediaTime < 0) return prev.mediaTime < 0 && next.mediaTime < 0;
  if (prev.rate != next.rate) return false;
  std::int64_t span = 0;
  if (!MediaSpan(prev, movieScale, mediaScale, &span)) return false;
  return prev.mediaTime + span == next.mediaTime;
}

}  // namespace

std::vector<Edit> EditsToWrite(const std::vector<Edit>& edits, TimeScale movieTimeScale,
                               TimeScale mediaTimeScale) {
  std::vector<Edit> out;
  for (const Edit& e : edits) {
    if (e.duration <= 0) continue;
    Edit edit = e;
    if (edit.mediaTime < 0) edit.mediaTime = -1;
    if (!out.empty() && Continues(out.back(), edit, movieTimeScale, mediaTimeScale) &&
        out.back().duration <= std::numeric_limits<std::int64_t>::max() - edit.duration) {
      out.back().duration += edit.duration;
      continue;
    }
    out.push_back(edit);
  }
  while (!out.empty() && out.back().mediaTime < 0) out.pop_back();
  return out;
}

void WriteEditList(ByteWriter& w, const std::vector<Edit>& edits) {
  bool wide = false;
  for (const Edit& e : edits)
    wide = wide || e.duration > 0xFFFFFFFFll || e.mediaTime > std::numeric_limits<std::int32_t>::max();
  std::size_t edts = w.BeginBox(FOUR_CHAR_CODE("edts"));
  std::size_t elst = w.BeginBox(FOUR_CHAR_CODE("elst"));
  w.VersionFlags(wide ? 1 : 0, 0);
  w.U32(std::uint32_t(edits.size()));
  for (const Edit& e : edits) {
    if (wide) {
      w.U64(std::uint64_t(e.duration));
      w.U64(std::uint64_t(e.mediaTime));
    } else {
      w.U32(std::uint32_t(e.duration));
      w.U32(std::uint32_t(std::int32_t(e.mediaTime)));
    }
    w.U32(std::uint32_t(e.rate));
  }
  w.EndBox(elst);
  w.EndBox(edts);
}

}  // namespace tvx
