// User data lists of movies and tracks.
#include <cstring>
#include <vector>

#include "../Movies.h"
#include "../edit/user_data_items.h"
#include "status.h"

namespace {

std::vector<std::uint8_t> HandleBytes(Handle h) {
  if (h == nullptr) return {};
  Size size = GetHandleSize(h);
  const auto* begin = reinterpret_cast<const std::uint8_t*>(*h);
  return std::vector<std::uint8_t>(begin, begin + size);
}

}  // namespace

OSErr GetUserData(UserData theUserData, Handle data, OSType udType, long index) {
  if (theUserData == nullptr) return tvx::SetMoviesError(paramErr);
  const tvx::UserDataItem* item = tvx::FindUserDataItem(*theUserData, udType, index);
  if (item == nullptr) return tvx::SetMoviesError(userDataItemNotFound);
  if (data != nullptr) {
    SetHandleSize(data, Size(item->data.size()));
    if (MemError() != noErr) return tvx::SetMoviesError(memFullErr);
    if (!item->data.empty()) std::memcpy(*data, item->data.data(), item->data.size());
  }
  return tvx::SetMoviesError(noErr);
}

long CountUserDataType(UserData theUserData, OSType udType) {
  if (theUserData == nullptr) return tvx::SetMoviesError(paramErr), 0;
  tvx::SetMoviesError(noErr);
  return tvx::CountUserDataItems(*theUserData, udType);
}

long GetNextUserDataType(UserData theUserData, OSType udType) {
  if (theUserData == nullptr) return tvx::SetMoviesError(paramErr), 0;
  tvx::SetMoviesError(noErr);
  return long(tvx::NextUserDataType(*theUserData, udType));
}

OSErr SetUserDataItem(UserData theUserData, void* data, long size, OSType udType, long index) {
  if (theUserData == nullptr || size < 0 || (data == nullptr && size > 0))
    return tvx::SetMoviesError(paramErr);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> copy = size > 0 ? std::vector<std::uint8_t>(bytes, bytes + size)
                                            : std::vector<std::uint8_t>{};
  return tvx::SetMoviesError(tvx::SetUserDataBytes(*theUserData, udType, index, std::move(copy)));
}

OSErr AddUserData(UserData theUserData, Handle data, OSType udType) {
  if (theUserData == nullptr || data == nullptr) return tvx::SetMoviesError(paramErr);
  return tvx::SetMoviesError(tvx::SetUserDataBytes(*theUserData, udType, 0, HandleBytes(data)));
}

OSErr AddUserDataText(UserData theUserData, Handle data, OSType udType, long index,
                      SInt16 itlRegionTag) {
  if (theUserData == nullptr || data == nullptr) return tvx::SetMoviesError(paramErr);
  return tvx::SetMoviesError(tvx::SetUserDataText(*theUserData, udType, index,
                                                  std::uint16_t(itlRegionTag), HandleBytes(data)));
}

OSErr RemoveUserData(UserData theUserData, OSType udType, long index) {
  if (theUserData == nullptr) return tvx::SetMoviesError(paramErr);
  return tvx::SetMoviesError(tvx::RemoveUserDataItem(*theUserData, udType, index));
}
