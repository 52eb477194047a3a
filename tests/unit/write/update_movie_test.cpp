// Saving a movie back into its own file: the new movie atom is appended, the old one freed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "box_tree.h"
#include "platform/write/movie_atom_writer.h"
#include "platform/write/movie_resource_update.h"
#include "storage_helpers.h"
#include "synthetic_movie.h"

using namespace write_test;

namespace {

std::vector<Box> TopLevel(const std::vector<std::uint8_t>& bytes) {
  std::vector<Box> top;
  std::string error;
  EXPECT_TRUE(ParseBoxes(bytes, 0, bytes.size(), &top, &error)) << error;
  return top;
}

std::vector<std::uint8_t> Atom(const char* type, std::vector<std::uint8_t> body) {
  std::vector<std::uint8_t> a = {0, 0, 0, 0, std::uint8_t(type[0]), std::uint8_t(type[1]),
                                 std::uint8_t(type[2]), std::uint8_t(type[3])};
  a.insert(a.end(), body.begin(), body.end());
  std::uint32_t n = std::uint32_t(a.size());
  a[0] = std::uint8_t(n >> 24);
  a[1] = std::uint8_t(n >> 16);
  a[2] = std::uint8_t(n >> 8);
  a[3] = std::uint8_t(n);
  return a;
}

}  // namespace

TEST(UpdateMovieResource, AppendsTheNewMovieAndFreesTheOld) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> trailer;  // atoms after the movie atom
  };
  const Case cases[] = {
      {"movie atom last", {}},
      {"atoms after the movie atom", Atom("skip", {1, 2, 3, 4})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    std::string path = folder.CopyFixture("a.mov", "a.mov");
    std::vector<std::uint8_t> original = ReadFile(path);
    original.insert(original.end(), c.trailer.begin(), c.trailer.end());
    WriteFile(path, original);
    std::vector<Box> before = TopLevel(original);
    const Box* oldMoov = nullptr;
    for (const Box& b : before)
      if (b.type == "moov") oldMoov = &b;
    ASSERT_NE(oldMoov, nullptr);

    SInt16 ref = 0;
    Movie movie = LoadMovie(path, fsRdWrPerm, &ref);
    ASSERT_NE(movie, nullptr);
    movie->preferredRate = 2 * fixed1;
    ASSERT_EQ(UpdateMovieResource(movie, ref, 0, nullptr), noErr);
    CloseMovieFile(ref);

    std::vector<std::uint8_t> after = ReadFile(path);
    // Everything before the append is unchanged but the old atom's type.
    ASSERT_GT(after.size(), original.size());
    std::vector<std::uint8_t> head(after.begin(), after.begin() + long(original.size()));
    std::copy_n("free", 4, original.begin() + long(oldMoov->offset) + 4);
    EXPECT_EQ(head, original);
    std::vector<Box> top = TopLevel(after);
    ASSERT_EQ(top.size(), before.size() + 1);
    EXPECT_EQ(top.back().type, "moov");
    EXPECT_EQ(top.back().offset, original.size());

    Movie reloaded = LoadMovie(path);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->preferredRate, 2 * fixed1);
    EXPECT_EQ(reloaded->tracks.size(), movie->tracks.size());
    if (HaveFFmpeg()) {
      EXPECT_EQ(VideoFrameHashes(path).size(), 20u);
    }
  }
}

TEST(UpdateMovieResource, RefusesWhatItCannotWrite) {
  TempFolder folder;
  std::string path = folder.CopyFixture("a.mov", "a.mov");
  std::vector<std::uint8_t> before = ReadFile(path);
  SInt16 readOnly = 0;
  Movie movie = LoadMovie(path, fsRdPerm, &readOnly);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(UpdateMovieResource(movie, readOnly, 0, nullptr), wrPermErr);
  CloseMovieFile(readOnly);
  EXPECT_EQ(UpdateMovieResource(movie, readOnly, 0, nullptr), rfNumErr);  // closed

  // A movie whose file holds no movie atom of its own, as an imported file.
  SInt16 writable = 0;
  Movie imported = LoadMovie(path, fsRdWrPerm, &writable);
  ASSERT_NE(imported, nullptr);
  imported->originHasMovieAtom = false;
  EXPECT_EQ(UpdateMovieResource(imported, writable, 0, nullptr), invalidMovie);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(UpdateMovieResource(nullptr, writable, 0, nullptr), invalidMovie);
  CloseMovieFile(writable);
  EXPECT_EQ(ReadFile(path), before);
}

// A 64-bit movie atom header stays valid as 'free'; media running to the end of the file get
// their size before anything is appended behind them.
TEST(UpdateMovieInFile, KeepsWideHeadersAndClosesOpenEndedAtoms) {
  TempFolder folder;
  auto model = NewMovie();
  AddSoundTrack(*model, folder.path() + "/m.mov");
  model->originHasMovieAtom = true;
  std::vector<std::uint8_t> moov;
  ASSERT_EQ(tvx::BuildMovieAtom(*model, {folder.path() + "/m.mov", false, false}, &moov), noErr);
  // ftyp, moov with a 64-bit size, mdat with size 0.
  std::vector<std::uint8_t> file = Atom("ftyp", {'q', 't', ' ', ' ', 0, 0, 0, 0});
  std::uint64_t wideSize = moov.size() + 8;
  std::vector<std::uint8_t> wide = {0, 0, 0, 1, 'm', 'o', 'o', 'v'};
  for (int i = 7; i >= 0; --i) wide.push_back(std::uint8_t(wideSize >> (8 * i)));
  wide.insert(wide.end(), moov.begin() + 8, moov.end());
  std::size_t moovAt = file.size();
  file.insert(file.end(), wide.begin(), wide.end());
  std::size_t mdatAt = file.size();
  std::vector<std::uint8_t> mdat = {0, 0, 0, 0, 'm', 'd', 'a', 't', 9, 9, 9, 9, 9, 9, 9};
  file.insert(file.end(), mdat.begin(), mdat.end());
  std::string path = folder.path() + "/m.mov";
  WriteFile(path, file);

  int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(tvx::UpdateMovieInFile(*model, path, fd), noErr);
  ::close(fd);
  std::vector<std::uint8_t> after = ReadFile(path);
  EXPECT_EQ(std::string(after.begin() + long(moovAt) + 4, after.begin() + long(moovAt) + 8), "free");
  EXPECT_EQ(U32(after, moovAt), 1u);
  EXPECT_EQ(U64(after, moovAt + 8), wideSize);
  EXPECT_EQ(U32(after, mdatAt), mdat.size());
  EXPECT_EQ(std::string(after.begin() + long(file.size()) + 4, after.begin() + long(file.size()) + 8), "moov");
  EXPECT_EQ(U32(after, file.size()), after.size() - file.size());
  EXPECT_EQ(model->originMoovOffset, file.size());

  // A truncated atom: appending would land inside it, so nothing is written.
  std::vector<std::uint8_t> cut(after.begin(), after.end() - 1);
  WriteFile(path, cut);
  fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(tvx::UpdateMovieInFile(*model, path, fd), badPublicMovieAtom);
  ::close(fd);
  EXPECT_EQ(ReadFile(path), cut);
}
