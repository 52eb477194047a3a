#include "user_data_items.h"

#include <algorithm>

namespace tvx {

namespace {

std::ptrdiff_t Position(const UserData& ud, OSType type, long index) {
  if (index < 1) return -1;
  long seen = 0;
  for (std::size_t i = 0; i < ud.items.size(); ++i)
    if (ud.items[i].type == type && ++seen == index) return std::ptrdiff_t(i);
  return -1;
}

struct TextRecord {
  std::uint16_t language = 0;
  std::vector<std::uint8_t> text;
};

bool ParseRecords(const std::vector<std::uint8_t>& bytes, std::vector<TextRecord>& out) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 4) return false;
    std::size_t length = (std::size_t(bytes[at]) << 8) | bytes[at + 1];
    std::uint16_t language = std::uint16_t((bytes[at + 2] << 8) | bytes[at + 3]);
    at += 4;
    if (bytes.size() - at < length) return false;
    out.push_back({language, std::vector<std::uint8_t>(bytes.begin() + std::ptrdiff_t(at),
                                                       bytes.begin() + std::ptrdiff_t(at + length))});
    at += length;
  }
  return true;
}

std::vector<std::uint8_t> SerializeRecords(const std::vector<TextRecord>& records) {
  std::vector<std::uint8_t> out;
  for (const TextRecord& r : records) {
    out.push_back(std::uint8_t(r.text.size() >> 8));
    out.push_back(std::uint8_t(r.text.size()));
    out.push_back(std::uint8_t(r.language >> 8));
    out.push_back(std::uint8_t(r.language));
    out.insert(out.end(), r.text.begin(), r.text.end());
  }
  return out;
}

}  // namespace

const UserDataItem* FindUserDataItem(const UserData& ud, OSType type, long index) {
  std::ptrdiff_t at = Position(ud, type, index);
  return at < 0 ? nullptr : &ud.items[std::size_t(at)];
}

UserDataItem* FindUserDataItem(UserData& ud, OSType type, long index) {
  std::ptrdiff_t at = Position(ud, type, index);
  return at < 0 ? nullptr : &ud.items[std::size_t(at)];
}

long CountUserDataItems(const UserData& ud, OSType type) {
  return long(std::count_if(ud.items.begin(), ud.items.end(),
                            [type](const UserDataItem& i) { return i.type == type; }));
}

OSType NextUserDataType(const UserData& ud, OSType type) {
  std::vector<OSType> distinct;
  for (const UserDataItem& item : ud.items)
    if (std::find(distinct.begin(), distinct.end(), item.type) == distinct.end())
      distinct.push_back(item.type);
  if (type == 0) return distinct.empty() ? 0 : distinct.front();
  auto it = std::find(distinct.begin(), distinct.end(), type);
  if (it == distinct.end() || it + 1 == distinct.end()) return 0;
  return *(it + 1);
}

OSErr SetUserDataBytes(UserData& ud, OSType type, long index, std::vector<std::uint8_t> bytes) {
  long count = CountUserDataItems(ud, type);
  if (index == 0 || index == count + 1) {
    ud.items.push_back({type, std::move(bytes)});
    return noErr;
  }
  UserDataItem* item = FindUserDataItem(ud, type, index);
  if (item == nullptr) return userDataItemNotFound;
  item->data = std::move(bytes);
  return noErr;
}

OSErr SetUserDataText(UserData& ud, OSType type, long index, std::uint16_t language,
                      const std::vector<std::uint8_t>& text) {
  if (text.size() > 0xFFFF) return paramErr;
  if (index < 1) index = 1;
  UserDataItem* item = FindUserDataItem(ud, type, index);
  if (item == nullptr) {
    if (index != CountUserDataItems(ud, type) + 1) return userDataItemNotFound;
    ud.items.push_back({type, SerializeRecords({{language, text}})});
    return noErr;
  }
  std::vector<TextRecord> records;
  if (!ParseRecords(item->data, records)) return paramErr;
  auto same = std::find_if(records.begin(), records.end(),
                           [language](const TextRecord& r) { return r.language == language; });
  if (same != records.end())
    same->text = text;
  else
    records.push_back({language, text});
  item->data = SerializeRecords(records);
  return noErr;
}

OSErr RemoveUserDataItem(UserData& ud, OSType type, long index) {
  std::ptrdiff_t at = Position(ud, type, index);
  if (at < 0) return userDataItemNotFound;
  ud.items.erase(ud.items.begin() + at);
  return noErr;
}

}  // namespace tvx
