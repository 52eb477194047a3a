#include "movie_model.h"

#include <algorithm>

namespace tvx {

namespace {
std::uint32_t ReadU32(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (b.size() < at + 4) return 0;
  return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
         (std::uint32_t(b[at + 2]) << 8) | std::uint32_t(b[at + 3]);
}
}  // namespace

OSType SampleDescription::Format() const { return ReadU32(bytes, 4); }

std::uint16_t SampleDescription::DataRefIndex() const {
  if (bytes.size() < 16) return 0;
  return std::uint16_t((bytes[14] << 8) | bytes[15]);
}

void SampleDescription::SetDataRefIndex(std::uint16_t index) {
  if (bytes.size() < 16) bytes.resize(16, 0);
  bytes[14] = std::uint8_t(index >> 8);
  bytes[15] = std::uint8_t(index);
}

std::int64_t Track::Duration() const {
  std::int64_t total = 0;
  for (const Edit& e : edits) total += e.duration;
  return total;
}

std::int64_t Movie::Duration() const {
  std::int64_t longest = 0;
  for (const auto& t : tracks) longest = std::max(longest, t->Duration());
  return longest;
}

Track* Movie::AddTrack() {
  auto track = std::make_unique<Track>();
  track->movie = this;
  track->matrix = IdentityMatrix();
  track->media.track = track.get();
  std::uint32_t maxId = 0;
  for (const auto& t : tracks) maxId = std::max(maxId, t->id);
  track->id = maxId + 1;
  tracks.push_back(std::move(track));
  return tracks.back().get();
}

void Movie::RemoveTrack(Track* track) {
  auto it = std::find_if(tracks.begin(), tracks.end(),
                         [track](const std::unique_ptr<Track>& t) { return t.get() == track; });
  if (it == tracks.end()) return;
  disposedTracks.push_back(std::move(*it));
  tracks.erase(it);
  for (auto& t : tracks) {
    for (TrackReference& ref : t->references)
      ref.tracks.erase(std::remove(ref.tracks.begin(), ref.tracks.end(), track), ref.tracks.end());
    t->references.erase(std::remove_if(t->references.begin(), t->references.end(),
                                       [](const TrackReference& r) { return r.tracks.empty(); }),
                        t->references.end());
  }
}

MatrixRecord IdentityMatrix() {
  MatrixRecord m{};
  m.matrix[0][0] = fixed1;
  m.matrix[1][1] = fixed1;
  m.matrix[2][2] = fract1;
  return m;
}

}  // namespace tvx
