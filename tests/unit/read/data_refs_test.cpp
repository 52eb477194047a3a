// Data references: alias records and URLs resolved relative to the movie first, then by their
// absolute path; self references; the don't-resolve flag.
#include <gtest/gtest.h>

#include "movie_loader.h"
#include "platform/read/alias_record.h"
#include "platform/read/data_ref_resolver.h"
#include "platform/write/alias_record.h"

using namespace readtest;

namespace {

Bytes MovieReferencing(const Bytes& entry) {
  Bytes trak = Atom("trak", {Tkhd(1), Atom("mdia", {Mdhd(30), Hdlr("vide", "", true),
                                                    Atom("minf", {Dref({entry}), DefaultStbl()})})});
  return QuickTimeFile({Moov({Mvhd(), trak})});
}

// The writer's record, as if the movie had been written at moviePath.
Bytes AliasEntry(const std::string& moviePath, const std::string& target) {
  std::vector<std::uint8_t> record;
  EXPECT_EQ(tvx::BuildAliasRecord(moviePath, target, &record), noErr);
  return Full("alis", 0, 0, {record});
}

Bytes UrlEntry(const std::string& url) { return Full("url ", 0, 0, {Text(url), U8(0)}); }

// A minimal version 2 record with only the fixed part and a colon path (older writers).
Bytes ColonOnlyAlias(const std::string& volume, const std::string& file, const std::string& colon,
                     int from, int to) {
  Bytes fixed = Cat({U32(0), U16(0), U16(2), U16(0), U8(volume.size()), Text(volume),
                     Zeros(27 - volume.size()), Zeros(12), U8(file.size()), Text(file),
                     Zeros(63 - file.size()), Zeros(16), U16(from), U16(to), Zeros(16)});
  Bytes tag = Cat({U16(2), U16(colon.size()), Text(colon), colon.size() % 2 ? U8(0) : Bytes{}});
  Bytes record = Cat({fixed, tag, U16(0xFFFF), U16(0)});
  record[4] = std::uint8_t(record.size() >> 8);
  record[5] = std::uint8_t(record.size());
  return Full("alis", 0, 0, {record});
}

std::string ColonPath(const std::string& posix) {
  std::string colon = "/";
  for (char c : posix) colon += c == '/' ? ':' : c;
  return colon;
}

}  // namespace

TEST(DataRefs, RelativeFirstThenAbsolute) {
  TempFolder root;
  const std::string r = root.path();
  const std::string beside = root.Write("copy/clip.mov", Text("media"));
  const std::string original = root.Write("orig/clip.mov", Text("media"));
  const std::string sibling = root.Write("media/clip one.mov", Text("media"));
  struct Case {
    const char* what;
    Bytes entry;
    std::string expected;
  } cases[] = {
      // Written as orig/m.mov -> orig/clip.mov, now read as copy/m.mov: copy/clip.mov wins.
      {"alias, relative beats absolute", AliasEntry(r + "/orig/m.mov", original), beside},
      // Moved together from elsewhere: only the levels find it.
      {"alias, sibling folder after a move",
       AliasEntry("/gone/away/copy/m.mov", "/gone/away/media/clip one.mov"), sibling},
      // Nothing beside the movie: the absolute path.
      {"alias, absolute fallback", AliasEntry("/elsewhere/m.mov", original), original},
      {"colon path only", ColonOnlyAlias("/", "clip.mov", ColonPath(original), 9, 1), original},
      {"relative url", UrlEntry("../media/clip%20one.mov"), sibling},
      {"file url", UrlEntry("file://" + original), original},
      {"file url with host", UrlEntry("file://localhost" + original), original},
  };
  for (const Case& c : cases) {
    const std::string moviePath = root.Write("copy/m.mov", MovieReferencing(c.entry));
    Loaded l = LoadPath(moviePath);
    ASSERT_EQ(l.status, noErr) << c.what;
    EXPECT_EQ(l.movie->tracks[0]->media.dataRefs[0].resolvedPath, c.expected) << c.what;
  }
}

TEST(DataRefs, UnresolvedGivesTheMovieAndStatus) {
  TempFolder root;
  const Bytes entries[] = {AliasEntry("/nowhere/m.mov", "/nowhere/clip.mov"),
                           UrlEntry("http://example.com/clip.mov"), UrlEntry("missing.mov"),
                           Full("alis", 0, 0, {Zeros(40)}),  // too short to be a record
                           Full("rsrc", 0, 0)};
  for (const Bytes& entry : entries) {
    const std::string moviePath = root.Write("m.mov", MovieReferencing(entry));
    Loaded l = LoadPath(moviePath);
    EXPECT_EQ(l.status, couldNotResolveDataRef);
    ASSERT_NE(l.movie, nullptr);
    const tvx::DataRef& ref = l.movie->tracks[0]->media.dataRefs[0];
    EXPECT_TRUE(ref.resolvedPath.empty());
    EXPECT_EQ(ref.raw, Bytes(entry.begin() + 12, entry.end()));  // kept to be written back
    // Without resolving, nothing is checked and the movie reads cleanly.
    Loaded quiet = LoadPath(moviePath, false);
    EXPECT_EQ(quiet.status, noErr);
    EXPECT_TRUE(quiet.movie->tracks[0]->media.dataRefs[0].resolvedPath.empty());
  }
}

TEST(DataRefs, SelfReferencesNameTheMovieFileEvenUnresolved) {
  TempFolder root;
  const std::string moviePath = root.Write("m.mov", MovieReferencing(Full("url ", 0, 1)));
  for (bool resolve : {true, false}) {
    Loaded l = LoadPath(moviePath, resolve);
    ASSERT_EQ(l.status, noErr);
    EXPECT_EQ(l.movie->tracks[0]->media.dataRefs[0].kind, tvx::DataRef::Kind::Self);
    EXPECT_EQ(l.movie->tracks[0]->media.dataRefs[0].resolvedPath, moviePath);
  }
}

TEST(DataRefs, PathHelpers) {
  EXPECT_EQ(tvx::PercentDecode("a%20b%2Fc%zz%4"), "a b/c%zz%4");
  EXPECT_EQ(tvx::NormalizePath("/a/./b/../../c//d/"), "/c/d");
  EXPECT_EQ(tvx::NormalizePath("/../.."), "/");
}
