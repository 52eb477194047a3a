// Data references: self for the file written, alias records elsewhere, readable by FFmpeg's
// alias reader (libavformat mov_read_dref) at the offsets it uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "box_tree.h"
#include "platform/write/alias_record.h"
#include "platform/write/data_ref_table.h"
#include "platform/write/movie_atom_writer.h"
#include "synthetic_movie.h"

using namespace write_test;

namespace {

std::string PascalAt(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::string(b.begin() + long(at) + 1, b.begin() + long(at) + 1 + b[at]);
}

// The tagged fields of a record, as FFmpeg walks them.
std::map<int, std::string> Tags(const std::vector<std::uint8_t>& b) {
  std::map<int, std::string> tags;
  std::size_t at = tvx::alias_layout::kFixedSize;
  while (at + 4 <= b.size()) {
    auto tag = std::int16_t(U16(b, at));
    std::size_t len = U16(b, at + 2);
    if (tag == -1) {
      EXPECT_EQ(len, 0u);
      EXPECT_EQ(at + 4, b.size());
      break;
    }
    tags[tag] = std::string(b.begin() + long(at) + 4, b.begin() + long(at + 4 + len));
    at += 4 + len + (len % 2);
  }
  return tags;
}

}  // namespace

TEST(AliasRecord, FieldsWhereFFmpegReadsThem) {
  struct Case {
    const char* name;
    const char* movie;
    const char* target;
    int from;
    int to;
    const char* folder;
    const char* colonPath;
  };
  const Case cases[] = {
      {"beside the movie", "/home/me/out.mov", "/home/me/a.mov", 1, 1, "me", "/:home:me:a.mov"},
      {"in a subfolder", "/home/me/out.mov", "/home/me/clips/a.mov", 1, 2, "clips", "/:home:me:clips:a.mov"},
      {"in a sibling folder", "/home/me/out/x.mov", "/home/me/in/a.mov", 2, 2, "in", "/:home:me:in:a.mov"},
      {"in a parent folder", "/home/me/out/x.mov", "/home/me/a.mov", 2, 1, "me", "/:home:me:a.mov"},
      {"through dot-dot", "/home/me/out.mov", "/home/me/x/../a.mov", 1, 1, "me", "/:home:me:a.mov"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> b;
    ASSERT_EQ(tvx::BuildAliasRecord(c.movie, c.target, &b), noErr);
    ASSERT_GT(b.size(), 150u);
    EXPECT_EQ(U16(b, 4), b.size());   // record size
    EXPECT_EQ(U16(b, 6), 2u);         // version
    EXPECT_EQ(U16(b, 8), 0u);         // a file
    EXPECT_EQ(PascalAt(b, 10), "/");
    EXPECT_EQ(PascalAt(b, 50), std::string(c.target).substr(std::string(c.target).rfind('/') + 1));
    EXPECT_EQ(U16(b, 130), c.from);
    EXPECT_EQ(U16(b, 132), c.to);
    auto tags = Tags(b);
    EXPECT_EQ(tags[0], c.folder);
    EXPECT_EQ(tags[2], c.colonPath);
    std::string posix = c.colonPath + 1;
    std::replace(posix.begin(), posix.end(), ':', '/');
    EXPECT_EQ(tags[18], posix);
  }
}

TEST(AliasRecord, LongNamesAreCutAtACharacterBoundary) {
  std::string name(61, 'a');
  name += "\xC3\xA9\xC3\xA9.mov";  // é straddles byte 63
  std::vector<std::uint8_t> b;
  ASSERT_EQ(tvx::BuildAliasRecord("/m/out.mov", "/m/" + name, &b), noErr);
  EXPECT_EQ(b[50], 63);
  EXPECT_EQ(PascalAt(b, 50), name.substr(0, 63));
  EXPECT_EQ(Tags(b)[18], "/m/" + name);
}

TEST(DataRefTable, MergesReferencesToOneFileAndRemapsDescriptions) {
  tvx::Media media;
  using K = tvx::DataRef::Kind;
  media.dataRefs = {
      {K::Alias, FOUR_CHAR_CODE("alis"), 0, "/v/a.mov", {}},
      {K::Self, FOUR_CHAR_CODE("alis"), 1, "/v/out.mov", {}},      // the file being written
      {K::Url, FOUR_CHAR_CODE("url "), 0, "/v/x/../a.mov", {}},     // the same file as the first
      {K::Other, FOUR_CHAR_CODE("rsrc"), 0, "", {1, 2, 3}},          // unresolved: kept as read
      {K::Self, FOUR_CHAR_CODE("alis"), 1, "/v/b.mov", {}},         // another movie's self ref
  };
  tvx::WrittenDataRefs refs;
  ASSERT_EQ(tvx::PlanDataRefs(media, {"/v/out.mov", false, false}, &refs), noErr);
  ASSERT_EQ(refs.entries.size(), 4u);
  EXPECT_EQ(refs.indexMap, (std::vector<std::uint16_t>{1, 2, 1, 3, 4}));
  EXPECT_EQ(refs.entries[1], (std::vector<std::uint8_t>{0, 0, 0, 12, 'a', 'l', 'i', 's', 0, 0, 0, 1}));
  EXPECT_EQ(refs.entries[2], (std::vector<std::uint8_t>{0, 0, 0, 15, 'r', 's', 'r', 'c', 0, 0, 0, 0, 1, 2, 3}));
  EXPECT_EQ(U32(refs.entries[3], 8), 0u);  // an alias, not self
  EXPECT_GT(refs.entries[3].size(), 12u + 150);

  // Written into a movie, descriptions follow the new indexes.
  auto movie = NewMovie();
  tvx::Track* t = AddSoundTrack(*movie, "/v/a.mov");
  t->media.dataRefs = media.dataRefs;
  t->media.descriptions = {Description("mp4a", 3), Description("mp4a", 5), Description("mp4a", 2)};
  std::vector<std::uint8_t> b;
  ASSERT_EQ(tvx::BuildMovieAtom(*movie, {"/v/out.mov", false, false}, &b), noErr);
  std::vector<Box> top;
  std::string error;
  ASSERT_TRUE(ParseBoxes(b, 0, b.size(), &top, &error)) << error;
  const Box* stsd = top[0].Find("trak/mdia/minf/stbl/stsd");
  ASSERT_EQ(stsd->children.size(), 3u);
  EXPECT_EQ(U16(b, stsd->children[0].offset + 14), 1u);
  EXPECT_EQ(U16(b, stsd->children[1].offset + 14), 4u);
  EXPECT_EQ(U16(b, stsd->children[2].offset + 14), 2u);
  EXPECT_EQ(top[0].Find("trak/mdia/minf/dinf/dref")->children.size(), 4u);
}
