// User data items and text records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "unit/edit/movie_builder.h"

namespace {

constexpr OSType kName = FOUR_CHAR_CODE("\xA9nam");
constexpr OSType kInfo = FOUR_CHAR_CODE("\xA9inf");

Handle HandleOf(const std::string& bytes) {
  Handle h = nullptr;
  EXPECT_EQ(PtrToHand(bytes.data(), &h, long(bytes.size())), noErr);
  return h;
}

std::string Item(UserData ud, OSType type, long index) {
  Handle h = NewHandle(0);
  OSErr status = GetUserData(ud, h, type, index);
  std::string bytes = status == noErr ? std::string(*h, std::size_t(GetHandleSize(h))) : "<none>";
  DisposeHandle(h);
  return bytes;
}

std::string Record(std::uint16_t language, const std::string& text) {
  std::string r;
  r += char(text.size() >> 8);
  r += char(text.size());
  r += char(language >> 8);
  r += char(language);
  return r + text;
}

TEST(UserData, TextRecordsOneLanguageEach) {
  UserData ud = GetMovieUserData(testing_movies::NewTestMovie());
  Handle english = HandleOf("Title");
  Handle french = HandleOf("Titre");
  Handle renamed = HandleOf("Name");
  ASSERT_EQ(AddUserDataText(ud, english, kName, 1, 0), noErr);
  ASSERT_EQ(AddUserDataText(ud, french, kName, 1, 1), noErr);
  EXPECT_EQ(Item(ud, kName, 1), Record(0, "Title") + Record(1, "Titre"));
  ASSERT_EQ(AddUserDataText(ud, renamed, kName, 1, 0), noErr);
  EXPECT_EQ(Item(ud, kName, 1), Record(0, "Name") + Record(1, "Titre"));
  EXPECT_EQ(CountUserDataType(ud, kName), 1);
  // A second item only as the next index; a gap is refused.
  EXPECT_EQ(AddUserDataText(ud, english, kName, 3, 0), userDataItemNotFound);
  ASSERT_EQ(AddUserDataText(ud, english, kName, 2, 0), noErr);
  EXPECT_EQ(Item(ud, kName, 2), Record(0, "Title"));
  DisposeHandle(english);
  DisposeHandle(french);
  DisposeHandle(renamed);
}

TEST(UserData, MalformedTextItemIsLeftAlone) {
  UserData ud = GetMovieUserData(testing_movies::NewTestMovie());
  const std::string broken = Record(0, "abc").substr(0, 5);  // length says 3, one byte follows
  ASSERT_EQ(SetUserDataItem(ud, const_cast<char*>(broken.data()), long(broken.size()), kInfo, 0), noErr);
  Handle text = HandleOf("x");
  EXPECT_EQ(AddUserDataText(ud, text, kInfo, 1, 0), paramErr);
  EXPECT_EQ(Item(ud, kInfo, 1), broken);
  DisposeHandle(text);
}

TEST(UserData, ItemsByTypeAndIndex) {
  UserData ud = GetTrackUserData(testing_movies::AddTestTrack(*testing_movies::NewTestMovie()));
  char a[] = "first", b[] = "second", c[] = "third";
  ASSERT_EQ(SetUserDataItem(ud, a, 5, kUserDataName, 0), noErr);
  ASSERT_EQ(SetUserDataItem(ud, b, 6, kInfo, 0), noErr);
  Handle h = HandleOf("again");
  ASSERT_EQ(AddUserData(ud, h, kUserDataName), noErr);
  EXPECT_EQ(CountUserDataType(ud, kUserDataName), 2);
  EXPECT_EQ(Item(ud, kUserDataName, 1), "first");
  EXPECT_EQ(Item(ud, kUserDataName, 2), "again");
  ASSERT_EQ(SetUserDataItem(ud, c, 5, kUserDataName, 1), noErr);  // replaces
  EXPECT_EQ(Item(ud, kUserDataName, 1), "third");

  EXPECT_EQ(GetUserData(ud, h, kUserDataName, 3), userDataItemNotFound);
  EXPECT_EQ(GetMoviesError(), userDataItemNotFound);
  EXPECT_EQ(GetUserData(ud, h, FOUR_CHAR_CODE("none"), 1), userDataItemNotFound);
  EXPECT_EQ(GetUserData(ud, h, kUserDataName, 0), userDataItemNotFound);

  EXPECT_EQ(GetNextUserDataType(ud, 0), long(kUserDataName));
  EXPECT_EQ(GetNextUserDataType(ud, kUserDataName), long(kInfo));
  EXPECT_EQ(GetNextUserDataType(ud, kInfo), 0);

  EXPECT_EQ(RemoveUserData(ud, kUserDataName, 1), noErr);
  EXPECT_EQ(Item(ud, kUserDataName, 1), "again");
  EXPECT_EQ(RemoveUserData(ud, kUserDataName, 2), userDataItemNotFound);
  EXPECT_EQ(GetNextUserDataType(ud, 0), long(kInfo));

  EXPECT_EQ(GetUserData(nullptr, h, kInfo, 1), paramErr);
  EXPECT_EQ(SetUserDataItem(ud, nullptr, 4, kInfo, 0), paramErr);
  DisposeHandle(h);
}

}  // namespace
