#include "user_data_parser.h"

#include "../io/atom_header.h"

namespace tvx {

void AddUserDataItem(OSType type, ByteReader payload, UserData* out) {
  UserDataItem item;
  item.type = type;
  item.data.assign(payload.Current(), payload.Current() + payload.Remaining());
  out->items.push_back(std::move(item));
}

OSErr ParseUserData(ByteReader udta, UserData* out) {
  while (udta.Remaining() >= 8) {
    ByteReader peek = udta;
    std::uint32_t size = 0;
    if (!peek.Read(size) || size == 0) break;  // the terminating zero
    AtomHeader h;
    ByteReader payload;
    // Players ignore broken annotations; losing the movie over one would lose more than it
    // saves, so a malformed item ends the list and the items before it are kept.
    if (ReadChildAtom(udta, &h, &payload, nullptr) != noErr) break;
    AddUserDataItem(h.type, payload, out);
  }
  return noErr;
}

}  // namespace tvx
