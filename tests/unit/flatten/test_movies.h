// Small movies built directly in the model, with their samples in a scratch file, for the
// self-contained writer's tests. Every sample's bytes tell which track and sample it is.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/model/movie_model.h"

namespace flattest {

namespace fs = std::filesystem;

/// A fresh folder under the temporary folder, removed with its contents.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "tvx_flatten_XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    path_ = ::mkdtemp(name.data());
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

/// The bytes of sample `index` of a track tagged `tag`: recognisable, never all alike.
inline std::vector<std::uint8_t> SampleBytes(std::uint8_t tag, std::uint32_t index,
                                             std::uint32_t size) {
  std::vector<std::uint8_t> b(size);
  for (std::uint32_t i = 0; i < size; ++i) b[i] = std::uint8_t(tag * 31 + index * 7 + i);
  return b;
}

inline void WriteAt(const std::string& file, std::uint64_t offset,
                    const std::vector<std::uint8_t>& bytes) {
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0) << file;
  ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), off_t(offset)), ssize_t(bytes.size()));
  ::close(fd);
}

inline std::vector<std::uint8_t> ReadAt(const std::string& file, std::uint64_t offset,
                                        std::size_t size) {
  std::vector<std::uint8_t> b(size);
  int fd = ::open(file.c_str(), O_RDONLY);
  if (fd < 0) return {};
  ssize_t n = ::pread(fd, b.data(), size, off_t(offset));
  ::close(fd);
  b.resize(n < 0 ? 0 : std::size_t(n));
  return b;
}

struct TrackSpec {
  OSType handler = FOUR_CHAR_CODE("vide");
  TimeScale timeScale = 100;
  std::uint32_t samples = 10;
  std::uint32_t size = 100;           // bytes per sample
  std::uint32_t duration = 10;        // media time per sample
  std::uint32_t syncEvery = 1;        // 1: every sample is a sync sample
  std::uint32_t samplesPerChunk = 4;
  std::uint8_t tag = 1;
};

/// Adds a track whose samples are written into `file` from `offset` on, chunk after chunk,
/// with one edit over the whole media. Returns the track.
inline tvx::Track* AddTrack(tvx::Movie& movie, const TrackSpec& spec, const std::string& file,
                            std::uint64_t offset) {
  tvx::Track* track = movie.AddTrack();
  tvx::Media& media = track->media;
  media.handlerType = spec.handler;
  media.timeScale = spec.timeScale;
  tvx::DataRef ref;
  ref.kind = tvx::DataRef::Kind::Alias;
  ref.type = FOUR_CHAR_CODE("alis");
  ref.resolvedPath = file;
  media.dataRefs.push_back(ref);
  tvx::SampleDescription desc;
  desc.bytes = {0, 0, 0, 16, 't', 'e', 's', 't', 0, 0, 0, 0, 0, 0, 0, 1};
  media.descriptions.push_back(desc);
  std::uint64_t at = offset;
  for (std::uint32_t s = 0; s < spec.samples; ++s) {
    WriteAt(file, at, SampleBytes(spec.tag, s, spec.size));
    media.samples.AppendSample(at, spec.size, spec.duration, 0, s % spec.syncEvery == 0, 1,
                               s % spec.samplesPerChunk == 0);
    at += spec.size;
  }
  media.samples.Finalize();
  const std::int64_t movieDuration =
      std::int64_t(spec.samples) * spec.duration * movie.timeScale / spec.timeScale;
  track->edits = {tvx::Edit{movieDuration, 0, fixed1}};
  return track;
}

/// A movie with time scale `scale` and no tracks.
inline tvx::Movie EmptyMovie(TimeScale scale = 100) {
  tvx::Movie m;
  m.timeScale = scale;
  m.matrix = tvx::IdentityMatrix();
  return m;
}

/// Checks that samples [newFirst, newFirst + count) of `written` (a track of a file at
/// `path`) hold the bytes of samples [srcFirst, ...) of `source`.
inline void ExpectSameSamples(const tvx::Track& source, std::uint32_t srcFirst,
                              const tvx::Track& written, const std::string& path,
                              std::uint32_t newFirst, std::uint32_t count) {
  const tvx::SampleTable& from = source.media.samples;
  const tvx::SampleTable& to = written.media.samples;
  const std::string& sourceFile = source.media.dataRefs[0].resolvedPath;
  for (std::uint32_t k = 0; k < count; ++k) {
    SCOPED_TRACE(testing::Message() << "sample " << newFirst + k);
    ASSERT_EQ(to.SampleSize(newFirst + k), from.SampleSize(srcFirst + k));
    EXPECT_EQ(ReadAt(path, to.SampleOffset(newFirst + k), to.SampleSize(newFirst + k)),
              ReadAt(sourceFile, from.SampleOffset(srcFirst + k), from.SampleSize(srcFirst + k)));
  }
}

struct TopAtom {
  std::string type;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  bool wide = false;  // 64-bit size field
};

/// The top-level atoms of a file, in order.
inline std::vector<TopAtom> TopLevel(const std::string& path) {
  std::vector<TopAtom> atoms;
  std::uint64_t at = 0;
  const std::uint64_t end = fs::file_size(path);
  while (at + 8 <= end) {
    std::vector<std::uint8_t> h = ReadAt(path, at, 16);
    TopAtom a;
    a.type.assign(h.begin() + 4, h.begin() + 8);
    a.offset = at;
    a.size = (std::uint64_t(h[0]) << 24) | (h[1] << 16) | (h[2] << 8) | h[3];
    if (a.size == 1 && h.size() == 16) {
      a.wide = true;
      a.size = 0;
      for (int i = 8; i < 16; ++i) a.size = (a.size << 8) | h[i];
    }
    atoms.push_back(a);
    if (a.size < 8) break;
    at += a.size;
  }
  return atoms;
}

/// Their types, leaving out 'free' padding.
inline std::vector<std::string> TopLevelAtoms(const std::string& path) {
  std::vector<std::string> types;
  for (const TopAtom& a : TopLevel(path))
    if (a.type != "free") types.push_back(a.type);
  return types;
}

}  // namespace flattest
