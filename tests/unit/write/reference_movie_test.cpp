// Reference movies through the storage calls: what FFmpeg and our reader make of them, and the
// cases where nothing may be written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "box_tree.h"
#include "platform/model/movie_model.h"
#include "platform/write/edit_list_writer.h"
#include "storage_helpers.h"

using namespace write_test;

namespace {

void ExpectSameSamples(const tvx::SampleTable& a, const tvx::SampleTable& b) {
  ASSERT_EQ(a.sampleCount, b.sampleCount);
  ASSERT_EQ(a.chunks.size(), b.chunks.size());
  for (std::size_t i = 0; i < a.chunks.size(); ++i) {
    EXPECT_EQ(a.chunks[i].offset, b.chunks[i].offset);
    EXPECT_EQ(a.chunks[i].firstSample, b.chunks[i].firstSample);
    EXPECT_EQ(a.chunks[i].descIndex, b.chunks[i].descIndex);
  }
  for (std::uint32_t s = 0; s < a.sampleCount; ++s) {
    ASSERT_EQ(a.SampleSize(s), b.SampleSize(s)) << s;
    ASSERT_EQ(a.SampleDuration(s), b.SampleDuration(s)) << s;
    ASSERT_EQ(a.CompositionOffset(s), b.CompositionOffset(s)) << s;
    ASSERT_EQ(a.IsSync(s), b.IsSync(s)) << s;
  }
}

void ExpectSameUserData(const tvx::UserData& a, const tvx::UserData& b) {
  ASSERT_EQ(a.items.size(), b.items.size());
  for (std::size_t i = 0; i < a.items.size(); ++i) {
    EXPECT_EQ(a.items[i].type, b.items[i].type);
    EXPECT_EQ(a.items[i].data, b.items[i].data);
  }
}

// The model read back from a reference movie equals the source's, its media now in the source.
void ExpectSameModel(const tvx::Movie& source, const tvx::Movie& copy, const std::string& sourcePath) {
  EXPECT_EQ(copy.timeScale, source.timeScale);
  EXPECT_EQ(copy.preferredRate, source.preferredRate);
  EXPECT_EQ(copy.preferredVolume, source.preferredVolume);
  EXPECT_EQ(std::memcmp(&copy.matrix, &source.matrix, sizeof copy.matrix), 0);
  ExpectSameUserData(source.userData, copy.userData);
  ASSERT_EQ(copy.tracks.size(), source.tracks.size());
  for (std::size_t i = 0; i < source.tracks.size(); ++i) {
    SCOPED_TRACE("track " + std::to_string(i));
    const tvx::Track& s = *source.tracks[i];
    const tvx::Track& c = *copy.tracks[i];
    EXPECT_EQ(c.id, i + 1);
    EXPECT_EQ(c.flags, s.flags);
    EXPECT_EQ(c.layer, s.layer);
    EXPECT_EQ(c.alternateGroup, s.alternateGroup);
    EXPECT_EQ(c.volume, s.volume);
    EXPECT_EQ(c.width, s.width);
    EXPECT_EQ(c.height, s.height);
    EXPECT_EQ(std::memcmp(&c.matrix, &s.matrix, sizeof c.matrix), 0);
    std::vector<tvx::Edit> edits = tvx::EditsToWrite(s.edits, source.timeScale, s.media.timeScale);
    ASSERT_EQ(c.edits.size(), edits.size());
    for (std::size_t e = 0; e < edits.size(); ++e) {
      EXPECT_EQ(c.edits[e].duration, edits[e].duration);
      EXPECT_EQ(c.edits[e].mediaTime, edits[e].mediaTime);
      EXPECT_EQ(c.edits[e].rate, edits[e].rate);
    }
    ExpectSameUserData(s.userData, c.userData);
    EXPECT_EQ(c.media.timeScale, s.media.timeScale);
    EXPECT_EQ(c.media.language, s.media.language);
    EXPECT_EQ(c.media.handlerType, s.media.handlerType);
    EXPECT_EQ(c.media.handlerName, s.media.handlerName);
    EXPECT_EQ(c.media.mediaInfoHeader, s.media.mediaInfoHeader);
    ASSERT_EQ(c.media.descriptions.size(), s.media.descriptions.size());
    for (std::size_t d = 0; d < s.media.descriptions.size(); ++d)
      EXPECT_EQ(c.media.descriptions[d].bytes, s.media.descriptions[d].bytes);
    ASSERT_EQ(c.media.dataRefs.size(), 1u);
    EXPECT_EQ(c.media.dataRefs[0].resolvedPath, sourcePath);
    ExpectSameSamples(s.media.samples, c.media.samples);
  }
}

}  // namespace

TEST(ReferenceMovie, FFmpegDecodesTheSourceFrames) {
  if (!HaveFFmpeg()) GTEST_SKIP() << "ffmpeg not installed";
  struct Case {
    const char* name;
    const char* source;
    const char* reference;
  };
  const Case cases[] = {
      {"beside the movie", "h264.mov", "ref.mov"},
      {"in a subfolder", "clips/h264.mov", "ref.mov"},
      {"in a sibling folder", "in/h264.mov", "out/ref.mov"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    std::string source = folder.CopyFixture("h264.mov", c.source);
    std::string reference = folder.path() + "/" + c.reference;
    std::filesystem::create_directories(std::filesystem::path(reference).parent_path());
    Movie movie = LoadMovie(source);
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(WriteReferenceMovie(movie, reference), noErr);
    EXPECT_LT(std::filesystem::file_size(reference), 8192u);  // the header only
    std::vector<std::string> expected = VideoFrameHashes(source);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(VideoFrameHashes(reference), expected);
  }
}

TEST(ReferenceMovie, ReadsBackAsTheSameModel) {
  for (const char* fixture : {"a.mov", "h264.mov", "chapters.mov", "named-tracks.mov", "tags.m4a"}) {
    SCOPED_TRACE(fixture);
    TempFolder folder;
    std::string source = folder.CopyFixture(fixture, std::string("in/") + fixture);
    Movie movie = LoadMovie(source);
    ASSERT_NE(movie, nullptr);
    std::string reference = folder.path() + "/ref.mov";
    ASSERT_EQ(WriteReferenceMovie(movie, reference), noErr);
    Movie copy = LoadMovie(reference);
    ASSERT_NE(copy, nullptr);
    ExpectSameModel(*movie, *copy, source);
    // Track references name the renumbered tracks.
    for (std::size_t i = 0; i < movie->tracks.size(); ++i) {
      const auto& refs = movie->tracks[i]->references;
      ASSERT_EQ(copy->tracks[i]->references.size(), refs.size());
      for (std::size_t r = 0; r < refs.size(); ++r) {
        ASSERT_EQ(copy->tracks[i]->references[r].tracks.size(), refs[r].tracks.size());
        for (std::size_t k = 0; k < refs[r].tracks.size(); ++k)
          EXPECT_EQ(copy->tracks[i]->references[r].tracks[k]->id, refs[r].tracks[k]->id);
      }
    }
  }
}

TEST(ReferenceMovie, ReplacesTheDestinationAndIsReproducible) {
  TempFolder folder;
  std::string source = folder.CopyFixture("a.mov", "a.mov");
  std::string first = folder.path() + "/one.mov";
  std::string second = folder.path() + "/two.mov";
  WriteFile(first, std::vector<std::uint8_t>(100000, 0xEE));
  Movie movie = LoadMovie(source);
  ASSERT_NE(movie, nullptr);
  ::setenv("SOURCE_DATE_EPOCH", "1600000000", 1);
  EXPECT_EQ(WriteReferenceMovie(movie, first), noErr);
  EXPECT_EQ(WriteReferenceMovie(movie, second), noErr);
  ::unsetenv("SOURCE_DATE_EPOCH");
  std::vector<std::uint8_t> bytes = ReadFile(first);
  EXPECT_EQ(bytes, ReadFile(second));
  const std::vector<std::uint8_t> ftyp = {0, 0, 0, 20, 'f', 't', 'y', 'p', 'q', 't', ' ', ' ',
                                          0x20, 0x05, 0x03, 0x00, 'q', 't', ' ', ' '};
  ASSERT_GT(bytes.size(), ftyp.size());
  EXPECT_TRUE(std::equal(ftyp.begin(), ftyp.end(), bytes.begin()));
  std::vector<Box> top;
  std::string error;
  ASSERT_TRUE(ParseBoxes(bytes, 0, bytes.size(), &top, &error)) << error;
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[1].type, "moov");
  // mvhd creation and modification times: 2020-09-13 in seconds since 1904.
  const Box* mvhd = top[1].Find("mvhd");
  EXPECT_EQ(U32(bytes, mvhd->body + 8), 1600000000u + 2082844800u);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a.mov", "one.mov", "two.mov"}));
}

TEST(ReferenceMovie, RefusesToWriteOverItsOwnMedia) {
  TempFolder folder;
  std::string source = folder.CopyFixture("a.mov", "a.mov");
  std::string alias = folder.path() + "/link.mov";
  std::filesystem::create_hard_link(source, alias);
  std::vector<std::uint8_t> before = ReadFile(source);
  Movie movie = LoadMovie(source);
  ASSERT_NE(movie, nullptr);
  for (const std::string& destination : {source, alias, folder.path() + "/./a.mov"}) {
    SCOPED_TRACE(destination);
    EXPECT_EQ(WriteReferenceMovie(movie, destination), dataAlreadyOpenForWrite);
  }
  EXPECT_EQ(ReadFile(source), before);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a.mov", "link.mov"}));
}

TEST(MovieStorage, FailuresLeaveTheDestinationAlone) {
  TempFolder folder;
  std::string existing = folder.path() + "/keep.mov";
  WriteFile(existing, {1, 2, 3});
  std::filesystem::create_directories(folder.path() + "/dir.mov");
  struct Case {
    const char* name;
    std::string bytes;  // the data reference's contents
    OSType type;
    OSErr status;
  };
  const std::string base = folder.path();
  const Case cases[] = {
      {"a folder", base + "/dir.mov", FOUR_CHAR_CODE("alis"), notAFileErr},
      {"a missing folder", base + "/none/x.mov", FOUR_CHAR_CODE("alis"), fnfErr},
      {"another kind of reference", base + "/x.mov", FOUR_CHAR_CODE("url "), invalidDataRef},
      {"a relative path", "x.mov", FOUR_CHAR_CODE("alis"), invalidDataRef},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Handle ref = NewHandle(Size(c.bytes.size() + 1));
    std::memcpy(*ref, c.bytes.c_str(), c.bytes.size() + 1);
    DataHandler dh = reinterpret_cast<DataHandler>(1);
    EXPECT_EQ(CreateMovieStorage(ref, c.type, 0, smSystemScript, createMovieFileDeleteCurFile, &dh,
                                 nullptr),
              c.status);
    EXPECT_EQ(dh, nullptr);
    DisposeHandle(ref);
  }
  DataHandler dh = nullptr;
  EXPECT_EQ(CreateMovieStorage(nullptr, FOUR_CHAR_CODE("alis"), 0, -1, 0, &dh, nullptr), paramErr);

  // Created but never given a movie: closing leaves the old file as it was.
  Handle ref = NewHandle(Size(existing.size() + 1));
  std::memcpy(*ref, existing.c_str(), existing.size() + 1);
  ASSERT_EQ(CreateMovieStorage(ref, FOUR_CHAR_CODE("alis"), 0, -1, createMovieFileDeleteCurFile, &dh,
                               nullptr),
            noErr);
  EXPECT_EQ(AddMovieToStorage(nullptr, dh), invalidMovie);
  EXPECT_EQ(CloseComponent(dh), noErr);
  DisposeHandle(ref);
  EXPECT_EQ(ReadFile(existing), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"dir.mov", "keep.mov"}));
}

TEST(MovieStorage, PathDataReferences) {
  struct Case {
    const char* path;
    QTPathStyle style;
    OSErr status;
  };
  const Case cases[] = {
      {"/tmp/out.mov", kQTPOSIXPathStyle, noErr},
      {"out.mov", kQTPOSIXPathStyle, paramErr},       // not a full path
      {"", kQTPOSIXPathStyle, paramErr},
      {"/tmp/out.mov", 1, paramErr},                  // only POSIX paths here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Handle ref = nullptr;
    OSType type = 0;
    EXPECT_EQ(QTNewDataReferenceFromFullPathCFString(CFSTR(c.path), c.style, 0, &ref, &type), c.status);
    if (c.status == noErr) {
      ASSERT_NE(ref, nullptr);
      EXPECT_EQ(type, FOUR_CHAR_CODE("alis"));
      EXPECT_EQ(GetHandleSize(ref), Size(std::strlen(c.path) + 1));
      EXPECT_STREQ(*ref, c.path);
      DisposeHandle(ref);
    } else {
      EXPECT_EQ(ref, nullptr);
    }
  }
}

// The alias levels let a reader find the media after the movie and its media move together.
TEST(ReferenceMovie, FollowsItsMediaWhenBothMove) {
  TempFolder folder;
  std::string source = folder.CopyFixture("a.mov", "old/in/a.mov");
  Movie movie = LoadMovie(source);
  ASSERT_NE(movie, nullptr);
  std::filesystem::create_directories(folder.path() + "/old/out");
  ASSERT_EQ(WriteReferenceMovie(movie, folder.path() + "/old/out/ref.mov"), noErr);
  std::filesystem::rename(folder.path() + "/old", folder.path() + "/new");
  Movie moved = LoadMovie(folder.path() + "/new/out/ref.mov");
  ASSERT_NE(moved, nullptr);
  for (const auto& track : moved->tracks)
    EXPECT_EQ(track->media.dataRefs.at(0).resolvedPath, folder.path() + "/new/in/a.mov");
}
