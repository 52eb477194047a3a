// Small synthetic movies for engine tests: tracks with N samples of given durations, sizes and
// sync flags, in any time scales, pointing at a named data file.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Movies.h"
#include "platform/api/arena.h"
#include "platform/model/movie_model.h"

namespace testing_movies {

struct TrackSpec {
  OSType type = FOUR_CHAR_CODE("vide");
  OSType format = FOUR_CHAR_CODE("avc1");
  TimeScale mediaScale = 600;
  std::vector<std::uint32_t> durations = std::vector<std::uint32_t>(10, 60);
  std::vector<std::uint32_t> sizes;        // empty: 100 bytes each
  std::vector<std::uint32_t> syncSamples;  // 0-based; empty: every sample is a sync sample
  std::string file = "/media/a.mov";       // empty: an unresolved reference
  Fixed width = 640 << 16;
  Fixed height = 480 << 16;
};

inline std::vector<std::uint8_t> DescriptionBytes(OSType format, std::uint16_t dataRefIndex) {
  std::vector<std::uint8_t> b(24, 0);
  b[3] = 24;
  for (int i = 0; i < 4; ++i) b[4 + std::size_t(i)] = std::uint8_t(format >> (24 - 8 * i));
  b[14] = std::uint8_t(dataRefIndex >> 8);
  b[15] = std::uint8_t(dataRefIndex);
  return b;
}

/// A new movie in the arena, as the toolbox hands them out.
inline tvx::Movie* NewTestMovie(TimeScale scale = 600) {
  auto movie = std::make_unique<tvx::Movie>();
  movie->timeScale = scale;
  movie->matrix = tvx::IdentityMatrix();
  return tvx::AdoptMovie(std::move(movie));
}

/// A track whose one edit shows its whole media at rate 1. Samples are laid out back to back
/// from offset 0, in chunks of four.
inline tvx::Track* AddTestTrack(tvx::Movie& movie, const TrackSpec& spec = {}) {
  tvx::Track* track = movie.AddTrack();
  track->width = spec.type == FOUR_CHAR_CODE("vide") ? spec.width : 0;
  track->height = spec.type == FOUR_CHAR_CODE("vide") ? spec.height : 0;
  tvx::Media& media = track->media;
  media.timeScale = spec.mediaScale;
  media.handlerType = spec.type;
  tvx::DataRef ref;
  ref.kind = tvx::DataRef::Kind::Alias;
  ref.type = FOUR_CHAR_CODE("alis");
  ref.resolvedPath = spec.file;
  media.dataRefs.push_back(ref);
  media.descriptions.push_back({DescriptionBytes(spec.format, 1)});
  std::uint64_t offset = 0;
  for (std::size_t i = 0; i < spec.durations.size(); ++i) {
    std::uint32_t size = i < spec.sizes.size() ? spec.sizes[i] : 100;
    bool sync = spec.syncSamples.empty();
    for (std::uint32_t s : spec.syncSamples) sync = sync || s == i;
    media.samples.AppendSample(offset, size, spec.durations[i], 0, sync, 1, i % 4 == 0);
    offset += size;
  }
  media.samples.Finalize();
  std::int64_t mediaDuration = media.Duration();
  if (mediaDuration > 0) {
    std::int64_t movieDuration = mediaDuration * movie.timeScale / spec.mediaScale;
    track->edits.push_back(tvx::Edit{movieDuration, 0, fixed1});
  }
  return track;
}

inline tvx::Edit E(std::int64_t duration, std::int64_t mediaTime, Fixed rate = fixed1) {
  return tvx::Edit{duration, mediaTime, rate};
}

}  // namespace testing_movies

namespace tvx {
inline bool operator==(const Edit& a, const Edit& b) {
  return a.duration == b.duration && a.mediaTime == b.mediaTime && a.rate == b.rate;
}
inline std::ostream& operator<<(std::ostream& os, const Edit& e) {
  return os << "{" << e.duration << " @" << e.mediaTime << " x" << e.rate / 65536.0 << "}";
}
}  // namespace tvx
