// Real movies made by FFmpeg: what we read agrees with ffprobe, fragmented files read as one
// movie, and any cut of a movie gives a status, never a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "movie_loader.h"

using namespace readtest;

namespace {

const char* const kFixtures[] = {"a.mov", "a.mp4", "h264.mov", "tags.m4a", "chapters.mov",
                                 "chapters.mp4", "two-sound.mov"};

std::string Fixture(const std::string& name) { return std::string(TALVENIX_FIXTURES) + "/" + name; }

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    ::pclose(p);
  }
  return out;
}

bool HaveFfmpeg() { return !RunCommand("command -v ffmpeg ffprobe 2>/dev/null").empty(); }

Bytes ReadWhole(const std::string& path) {
  Bytes bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(std::uint8_t(c));
    std::fclose(f);
  }
  return bytes;
}

// Offset of the top-level 'moov' (32-bit sizes, as FFmpeg writes small files).
std::size_t MovieAtomOffset(const Bytes& file) {
  std::size_t at = 0;
  while (at + 8 <= file.size()) {
    std::uint32_t size = std::uint32_t(file[at] << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3]);
    if (std::string(file.begin() + long(at) + 4, file.begin() + long(at) + 8) == "moov") return at;
    if (size < 8) break;
    at += size;
  }
  return SIZE_MAX;
}

// A successful read must leave tables that agree with each other.
void ExpectSound(const Loaded& l, const std::string& what) {
  if (l.status != noErr && l.status != couldNotResolveDataRef) {
    EXPECT_EQ(l.movie, nullptr) << what;
    return;
  }
  ASSERT_NE(l.movie, nullptr) << what;
  for (const auto& t : l.movie->tracks)
    EXPECT_TRUE(t->media.samples.IsConsistent(std::uint32_t(t->media.descriptions.size()))) << what;
}

}  // namespace

TEST(RealMovies, SampleCountsAndTimeScalesAgreeWithFfprobe) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffprobe not installed";
  for (const char* name : kFixtures) {
    Loaded l = LoadPath(Fixture(name));
    ASSERT_EQ(l.status, noErr) << name;
    std::istringstream probe(RunCommand("ffprobe -v error -show_entries stream=nb_frames,time_base "
                                 "-of csv=p=0 '" + Fixture(name) + "'"));
    std::string line;
    std::size_t index = 0;
    while (std::getline(probe, line)) {
      ASSERT_LT(index, l.movie->tracks.size()) << name;
      const tvx::Media& media = l.movie->tracks[index++]->media;
      std::string scale = line.substr(line.find('/') + 1, line.find(',') - line.find('/') - 1);
      EXPECT_EQ(std::to_string(media.timeScale), scale) << name << " " << line;
      EXPECT_EQ(std::to_string(media.samples.sampleCount), line.substr(line.find(',') + 1)) << name;
    }
    EXPECT_EQ(index, l.movie->tracks.size()) << name;
  }
}

TEST(RealMovies, FragmentedFileReadsAsOneMovie) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not installed";
  TempFolder folder;
  for (const char* name : {"a.mp4", "h264.mov"}) {
    const std::string out = folder.path() + "/frag.mp4";
    RunCommand("ffmpeg -v error -y -i '" + Fixture(name) + "' -c copy -movflags frag_keyframe+empty_moov '" +
        out + "'");
    Loaded plain = LoadPath(Fixture(name));
    Loaded fragmented = LoadPath(out);
    ASSERT_EQ(fragmented.status, noErr) << name;
    ASSERT_EQ(fragmented.movie->tracks.size(), plain.movie->tracks.size()) << name;
    for (std::size_t i = 0; i < plain.movie->tracks.size(); ++i) {
      const tvx::SampleTable& a = plain.movie->tracks[i]->media.samples;
      const tvx::SampleTable& b = fragmented.movie->tracks[i]->media.samples;
      ASSERT_EQ(b.sampleCount, a.sampleCount) << name << " track " << i;
      EXPECT_EQ(b.TotalBytes(), a.TotalBytes()) << name;
      // Durations differ: FFmpeg folds the start offset into the first fragmented sample.
      for (std::uint32_t s = 0; s < a.sampleCount; ++s) {
        EXPECT_EQ(b.SampleSize(s), a.SampleSize(s));
        EXPECT_EQ(b.IsSync(s), a.IsSync(s));
        EXPECT_EQ(b.CompositionOffset(s) - b.CompositionOffset(0),
                  a.CompositionOffset(s) - a.CompositionOffset(0));
      }
      // The samples' bytes are the same in both files.
      const Bytes fa = ReadWhole(Fixture(name)), fb = ReadWhole(out);
      for (std::uint32_t s = 0; s < a.sampleCount; s += 7)
        EXPECT_TRUE(std::equal(fa.begin() + long(a.SampleOffset(s)),
                               fa.begin() + long(a.SampleOffset(s) + a.SampleSize(s)),
                               fb.begin() + long(b.SampleOffset(s))))
            << name << " sample " << s;
      EXPECT_GT(fragmented.movie->tracks[i]->Duration(), 0);
    }
  }
}

TEST(RealMovies, EveryCutOfTheFileGivesAStatus) {
  TempFolder folder;
  for (const char* name : {"small.mov", "a.mp4"}) {
    const Bytes file = ReadWhole(Fixture(name));
    ASSERT_FALSE(file.empty()) << name;
    const std::string path = folder.Write(name, file);
    int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    for (std::size_t size = file.size(); size-- > 0;) {
      ASSERT_EQ(::ftruncate(fd, off_t(size)), 0);
      Loaded l;
      l.status = tvx::ReadMovieFile(fd, path, true, &l.movie);
      ExpectSound(l, std::string(name) + " cut at " + std::to_string(size));
    }
    ::close(fd);
  }
}

TEST(RealMovies, EveryCutOfTheMovieAtomGivesAStatus) {
  // The movie atom cut short with its size patched to match: every atom inside gets cut.
  TempFolder folder;
  for (const char* name : {"h264.mov", "chapters.mp4"}) {
    const Bytes file = ReadWhole(Fixture(name));
    const std::size_t at = MovieAtomOffset(file);
    ASSERT_NE(at, SIZE_MAX) << name;
    const std::size_t moovSize = std::size_t(file[at] << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3]);
    const std::string path = folder.Write(name, file);
    int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    int statuses = 0;
    for (std::size_t size = moovSize; size-- > 8;) {
      ASSERT_EQ(::ftruncate(fd, off_t(at + size)), 0);
      const Bytes sizeField = U32(size);
      ASSERT_EQ(::pwrite(fd, sizeField.data(), 4, off_t(at)), 4);
      Loaded l;
      l.status = tvx::ReadMovieFile(fd, path, true, &l.movie);
      ExpectSound(l, std::string(name) + " movie atom cut at " + std::to_string(size));
      statuses += l.status != noErr;
    }
    ::close(fd);
    EXPECT_GT(statuses, 0);
  }
}
