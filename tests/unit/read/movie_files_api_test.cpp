// The file calls of the API: opening, reading and closing movie files, catalog information, the
// Desktop folder and paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "movie_loader.h"
#include "platform/Movies.h"
#include "platform/api/open_files.h"

using namespace readtest;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { hadOld_ ? (void)::setenv(name_, old_.c_str(), 1) : (void)::unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool hadOld_ = false;
};

}  // namespace

TEST(MovieFilesApi, OpenStatusesFollowErrno) {
  TempFolder folder;
  const std::string file = folder.Write("m.mov", Text("x"));
  const std::string locked = folder.Write("locked.mov", Text("x"));
  ::chmod(locked.c_str(), 0);
  struct Case {
    const char* what;
    std::string path;
    OSErr status;
  } cases[] = {
      {"missing", folder.path() + "/missing.mov", fnfErr},
      {"under a file", file + "/inside.mov", fnfErr},
      {"a folder", folder.path(), notAFileErr},
      {"unset", "", fnfErr},
      {"a file", file, noErr},
  };
  for (const Case& c : cases) {
    FSSpec spec{c.path};
    SInt16 ref = -5;
    EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), c.status) << c.what;
    EXPECT_EQ(GetMoviesError(), c.status) << c.what;
    if (c.status == noErr) {
      EXPECT_GT(ref, 0);
      EXPECT_EQ(CloseMovieFile(ref), noErr);
      EXPECT_EQ(CloseMovieFile(ref), rfNumErr);  // closed already
    } else {
      EXPECT_EQ(ref, 0) << c.what;
    }
  }
  if (::geteuid() != 0) {  // root reads anything
    FSSpec spec{locked};
    SInt16 ref = 0;
    EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), permErr);
  }
  EXPECT_EQ(OpenMovieFile(nullptr, nullptr, fsRdPerm), fnfErr);
}

TEST(MovieFilesApi, NewMovieFromFileReadsAnOpenFile) {
  TempFolder folder;
  const std::string path = folder.Write("m.mov", QuickTimeFile({Moov({Mvhd(), VideoTrak(1, DefaultStbl())})}));
  FSSpec spec{path};
  SInt16 ref = 0, resId = 0;
  ASSERT_EQ(OpenMovieFile(&spec, &ref, fsRdWrPerm), noErr);
  ASSERT_NE(tvx::LookupMovieFile(ref), nullptr);
  EXPECT_TRUE(tvx::LookupMovieFile(ref)->writable);
  EXPECT_EQ(tvx::LookupMovieFile(ref)->path, path);
  Movie movie = nullptr;
  EXPECT_EQ(NewMovieFromFile(&movie, ref, &resId, nullptr, 0, nullptr), noErr);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(movie->tracks.size(), 1u);
  EXPECT_EQ(movie->originPath, path);
  EXPECT_EQ(CloseMovieFile(ref), noErr);
  EXPECT_EQ(movie->tracks.size(), 1u);  // the movie outlives its file

  // A file that was never opened, and one with no movie in it.
  movie = reinterpret_cast<Movie>(1);
  EXPECT_EQ(NewMovieFromFile(&movie, ref, &resId, nullptr, 0, nullptr), rfNumErr);
  EXPECT_EQ(movie, nullptr);
  EXPECT_EQ(GetMoviesError(), rfNumErr);
  spec.path = folder.Write("song.mp3", Cat({Text("ID3"), Zeros(100)}));
  ASSERT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr);
  EXPECT_FALSE(tvx::LookupMovieFile(ref)->writable);
  EXPECT_EQ(NewMovieFromFile(&movie, ref, &resId, nullptr, 0, nullptr), noMovieFound);
  EXPECT_EQ(movie, nullptr);
  CloseMovieFile(ref);
}

TEST(MovieFilesApi, NewMovieAndImportWithoutAnImporter) {
  Movie movie = NewMovie(0);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(movie->timeScale, 600);
  EXPECT_TRUE(movie->tracks.empty());
  EXPECT_FALSE(movie->originHasMovieAtom);
  EXPECT_EQ(movie->matrix.matrix[0][0], fixed1);
  FSSpec spec{"/tmp/song.mp3"};
  Track used = reinterpret_cast<Track>(1);
  TimeValue added = 5;
  EXPECT_EQ(MovieImportFile(nullptr, &spec, movie, nullptr, &used, 0, &added, 0, nullptr),
            badFileFormat);
  EXPECT_EQ(used, nullptr);
  EXPECT_EQ(added, 0);
  EXPECT_TRUE(movie->tracks.empty());
}

TEST(MovieFilesApi, CatalogInfoFillsTheSpec) {
  TempFolder folder;
  const std::string path = folder.Write("clip é.mov", Text("12345"));
  FSRef ref{path}, parent;
  FSSpec spec;
  FSCatalogInfo info{};
  HFSUniStr255 name{};
  EXPECT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoNone, &info, &name, &spec, &parent), noErr);
  EXPECT_EQ(spec.path, path);
  EXPECT_EQ(parent.path, folder.path());
  EXPECT_EQ(info.dataLogicalSize, 5u);
  ASSERT_EQ(name.length, 10);
  EXPECT_EQ(name.unicode[5], 0xE9);
  FSRef missing{folder.path() + "/none.mov"}, unset;
  EXPECT_EQ(FSGetCatalogInfo(&missing, kFSCatInfoNone, nullptr, nullptr, &spec, nullptr), fnfErr);
  EXPECT_EQ(FSGetCatalogInfo(&unset, kFSCatInfoNone, nullptr, nullptr, &spec, nullptr), fnfErr);
}

TEST(MovieFilesApi, DesktopFolderFromUserDirsOrHome) {
  TempFolder home;
  ScopedEnv homeEnv("HOME", home.path());
  ScopedEnv configEnv("XDG_CONFIG_HOME", home.path() + "/config");
  struct Case {
    const char* what;
    std::string userDirs;  // empty: no file
    std::string expected;
  } cases[] = {
      {"no user-dirs file", "", home.path() + "/Desktop"},
      {"$HOME form", "# comment\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", home.path() + "/Bureau"},
      {"absolute form", "XDG_DESKTOP_DIR=\"" + home.path() + "/abs/Desk\"\n", home.path() + "/abs/Desk"},
      {"home itself", "XDG_DESKTOP_DIR=\"$HOME/\"\n", home.path()},
      {"relative is ignored", "XDG_DESKTOP_DIR=\"Desk\"\n", home.path() + "/Desktop"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(home.path() + "/config/user-dirs.dirs");
    if (!c.userDirs.empty()) home.Write("config/user-dirs.dirs", Text(c.userDirs));
    FSRef ref;
    EXPECT_EQ(FSFindFolder(kUserDomain, kDesktopFolderType, kDontCreateFolder, &ref),
              c.expected == home.path() ? noErr : fnfErr)
        << c.what;
    EXPECT_EQ(FSFindFolder(kUserDomain, kDesktopFolderType, kCreateFolder, &ref), noErr) << c.what;
    EXPECT_EQ(ref.path, c.expected) << c.what;
    EXPECT_TRUE(std::filesystem::is_directory(c.expected)) << c.what;
    if (c.expected != home.path()) std::filesystem::remove_all(c.expected);
  }
}

TEST(MovieFilesApi, MakePathNeedsRoomForTheTerminator) {
  FSRef ref{"/tmp/abc"};  // 8 bytes and the zero
  UInt8 buffer[16];
  EXPECT_EQ(FSRefMakePath(&ref, buffer, 8), pathTooLongErr);
  EXPECT_EQ(FSRefMakePath(&ref, buffer, 9), noErr);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "/tmp/abc");
  FSRef unset;
  EXPECT_EQ(FSRefMakePath(&unset, buffer, sizeof buffer), fnfErr);
  EXPECT_EQ(buffer[0], 0);
}
